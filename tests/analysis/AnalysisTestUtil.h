// Builders for the source-check tests: source files in a temporary tree, loaded, scanned, reported.
#pragma once

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/uFL_DelphiFile.h"
#include "analysis/uFL_OracleFile.h"
#include "support/TempTree.h"
#include "support/uFL_Log.h"
#include "support/uFL_ResultTree.h"

// Joins lines with LF, each line ended.
inline std::string Source(const std::vector<std::string>& Lines, const char* Eol = "\n") {
  std::string S;
  for (const auto& L : Lines) S += L + Eol;
  return S;
}

// A Delphi unit whose interface and implementation parts hold the given lines: the first line of
// the implementation part is the unit's fourth line plus the interface lines.
inline std::string DelphiUnit(const std::vector<std::string>& Interface,
                              const std::vector<std::string>& Implementation) {
  std::vector<std::string> Unit = {"unit uTest;", "interface"};
  Unit.insert(Unit.end(), Interface.begin(), Interface.end());
  Unit.push_back("implementation");
  Unit.insert(Unit.end(), Implementation.begin(), Implementation.end());
  Unit.push_back("end.");
  return Source(Unit);
}

// Fills File from Bytes written to Name in Tmp, as the action driver does before Load.
inline void PrepareFile(TBaseFile& File, const TTempTree& Tmp, const std::string& Name,
                        const std::string& Bytes) {
  const std::string Path = Tmp.File(Name, Bytes);
  File.SetFileName(Path);
  File.FileRec.Size = int64_t(Bytes.size());
  File.FileRec.Attr = 32;
  File.FileRec.Name = Name;
}

// The results tree as text, one line per node, a tab per level, with the temporary directory
// taken out of file nodes.
inline std::string TreeText(const TResultTree& Tree, const TTempTree& Tmp) {
  std::ostringstream Out;
  Tree.WriteText(Out, false, "\n");
  std::string S = Out.str();
  const std::string Dir = Tmp.Dir();
  for (size_t P = S.find(Dir); P != std::string::npos; P = S.find(Dir)) S.erase(P, Dir.size());
  return S;
}

// Loads, scans and reports one file of kind T; returns the results text.
template <class T>
std::string CheckSource(const std::string& Name, const std::string& Bytes, TCheckOptions Options) {
  TTempTree Tmp;
  TResultTree Tree;
  T File(&Tree);
  PrepareFile(File, Tmp, Name, Bytes);
  File.Load();
  File.Analyse(Options);
  File.WriteResults();
  return TreeText(Tree, Tmp);
}

inline constexpr TCheckOptions AllDelphiChecks = CheckBit(coCreateDestroy) |
                                                 CheckBit(coSetAbortComplete) |
                                                 CheckBit(coNoTryExcept) | CheckBit(coInherited);

// Turns tracing on for the test's lifetime; Texts() gives the lines without the name column.
class TTraceCapture {
 public:
  TTraceCapture() = default;
  std::vector<std::string> Texts() const {
    std::vector<std::string> R;
    for (const auto& L : FLines.Lines()) R.push_back(L.substr(TraceColumnWidth));
    return R;
  }
  bool Has(const std::string& Text) const {
    for (const auto& T : Texts())
      if (T == Text) return true;
    return false;
  }

 private:
  TTraceLines FLines;
  TTraceLog FLog{FLines, true};
  TTraceBinding FBinding{FLog};
};
