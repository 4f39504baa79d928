// The preview observer and the choice of an action's observer.
#include "journal/uFL_Preview.h"

#include "support/uFL_Utils.h"

#include <cstdlib>

#include "files/uFL_BaseFile.h"
#include "journal/uFL_Journal.h"
#include "journal/uFL_StateDir.h"
#include "journal/uFL_UnifiedDiff.h"

TPreview::TPreview(const std::string& StartDir) {
  const std::string Dir = StartDir.empty() ? std::string(".") : StartDir;
  if (char* Real = realpath(Dir.c_str(), nullptr)) {
    FStart = Real;
    free(Real);
  } else {
    FStart = Dir;
  }
  if (FStart.empty() || FStart.back() != '/') FStart += '/';
}

bool TPreview::BeforeSave(const std::string& Path, std::string_view OldBytes,
                          std::string_view NewBytes, unsigned) {
  TFilePreview P;
  // A file outside the start directory (reached through a link) keeps its own path.
  P.RelPath = Path.compare(0, FStart.size(), FStart) == 0 ? Path.substr(FStart.size())
              : !Path.empty() && Path[0] == '/'           ? Path.substr(1)
                                                          : Path;
  P.Diff = UnifiedDiff(OldBytes, NewBytes, P.RelPath);
  P.Lines = ChangedLines(OldBytes, NewBytes);
  FFiles.push_back(std::move(P));
  FPending = true;
  return false;
}

bool TPreview::WriteResults(TBaseFile& File) {
  if (!FPending) return false;
  FPending = false;
  for (const auto& [Number, Text] : FFiles.back().Lines)
    File.AddResult("Preview", "[Line " + std::to_string(Number) + "] " + Text);
  return !FFiles.back().Lines.empty();
}

std::vector<std::string> TPreview::StatisticsLines() const {
  return {WouldChangeText(int(FFiles.size()))};
}

std::string TPreview::Diff() const {
  std::string All;
  for (const auto& F : FFiles) All += F.Diff;
  return All;
}

std::string WouldChangeText(int N) {
  return Counted(N, " file would be changed", " files would be changed");
}

std::shared_ptr<IActionObserver> MakeActionObserver(const TObservedAction& A) {
  const bool Saves = A.Action == TActionKind::acReplace || A.Action == TActionKind::acAddUnit;
  if (!Saves) return nullptr;
  if (A.PreviewOnly) return std::make_shared<TPreview>(A.StartDir);
  // Only for measuring what the journal costs.
  if (const char* Off = std::getenv("FERROLIN_JOURNAL"); Off && std::string(Off) == "off")
    return nullptr;
  return std::make_shared<TJournalWriter>(
      JournalRunsDir(), A.Action == TActionKind::acReplace ? "replace" : "add-unit", A.Terms,
      A.Replacements);
}
