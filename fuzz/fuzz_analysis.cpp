// Fuzzes the code scanners: the input is the text of a Delphi unit and of a PL/SQL file, scanned
// with every check of its page on (the precise ones too) and listed into a results tree. Scan
// errors are findings, not faults; every precise finding must point at a line of the input. The
// precise lexer must read the loaded bytes as it reads edited lines.
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "analysis/uFL_DelphiFile.h"
#include "analysis/uFL_OracleFile.h"
#include "analysis/uFL_SourceScanner.h"
#include "support/uFL_ResultTree.h"

namespace {

template <class TFile>
void Scan(const std::string& Text, TCheckOptions Options) {
  TResultTree Tree;
  TFile File(&Tree);
  File.SetFileName("/fuzz/unit.pas");
  File.Lines.Assign(Text);
  File.Loaded = true;
  File.Analyse(Options);
  File.WriteResults();
  for (const TFinding& F : File.Findings)
    if (F.Line < 0 || F.Line > File.Lines.Count()) __builtin_trap();
  if constexpr (std::is_same_v<TFile, TDelphiFile>) File.AddUnit("FuzzUnit");
  File.Reset();
}

// The lexer reads the loaded bytes at once and edited lines one by one: both must give the same
// tokens, lines and ignore comments.
void CompareLexerPaths(const std::string& Text, TSourceLanguage Language) {
  TLines Loaded;
  Loaded.Assign(std::string(Text));
  if (Loaded.Empty()) return;
  TLines Edited;
  Edited.Assign(std::string(Text));
  Edited.Set(0, Edited.Get(0));
  const TScannedSource A = ScanSource(Loaded, Language);
  const TScannedSource B = ScanSource(Edited, Language);
  if (A.Tokens.size() != B.Tokens.size() || A.Ignores != B.Ignores) __builtin_trap();
  for (size_t i = 0; i < A.Tokens.size(); ++i)
    if (A.Tokens[i].Text() != B.Tokens[i].Text() || A.Tokens[i].Line != B.Tokens[i].Line ||
        A.Tokens[i].Key != B.Tokens[i].Key)
      __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  std::string Text(reinterpret_cast<const char*>(Data), Size);
  if (auto Nul = Text.find('\0'); Nul != std::string::npos) Text.resize(Nul);
  Scan<TDelphiFile>(Text, ChecksFromList(TFileKind::fkDelphi, std::vector<bool>(8, true)));
  Scan<TOracleFile>(Text, ChecksFromList(TFileKind::fkOracle, std::vector<bool>(8, true)));
  CompareLexerPaths(Text, TSourceLanguage::slDelphi);
  CompareLexerPaths(Text, TSourceLanguage::slPlsql);
  return 0;
}
