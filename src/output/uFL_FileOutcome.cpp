// Building the outcome records from a file object and the results tree.
#include "output/uFL_FileOutcome.h"

#include <filesystem>

#include "files/uFL_BaseFile.h"
#include "support/uFL_ResultTree.h"

const char* ActionName(TActionKind Action) {
  switch (Action) {
    case TActionKind::acChecks:
      return "check";
    case TActionKind::acSearch:
      return "search";
    case TActionKind::acReplace:
      return "replace";
    case TActionKind::acRunWith:
      return "run";
    case TActionKind::acAddUnit:
      return "add-unit";
  }
  return "";
}

TFileOutcome FileOutcomeOf(TBaseFile& File, TActionKind Action, std::vector<int64_t> TermCounts,
                           bool Saved) {
  TFileOutcome Outcome;
  Outcome.Path = File.FileName;
  Outcome.TermCounts = std::move(TermCounts);
  Outcome.Saved = Saved;
  Outcome.Errors = File.Errors;
  Outcome.ExitCode = File.ExitCode;
  Outcome.Findings = std::move(File.Findings);
  File.Findings.clear();
  if (Outcome.Findings.empty()) {
    for (const std::string& Error : File.Errors)
      Outcome.Findings.push_back({"error", "Errors", Error, 0, 0, 0, {}, false});
    if (File.Loaded) {
      const char* Rule = Action == TActionKind::acReplace ? "replace" : "search";
      const int N = std::min(File.Lines.Count(), int(File.MatchedLines.size()));
      for (int i = 0; i < N; ++i) {
        if (!File.MatchedLines[size_t(i)]) continue;
        TFinding F{Rule, "Search", {}, i + 1, 0, 0, std::string(File.Lines[i]), false};
        F.Message = F.LineText;
        Outcome.Findings.push_back(std::move(F));
      }
    }
  }
  if (File.ExitCode != 0)
    Outcome.Findings.push_back(
        {"exitcode",
         "General",
         "Process returned non-zero exitcode: " + std::to_string(File.ExitCode),
         0,
         0,
         0,
         {},
         false});
  return Outcome;
}

std::vector<std::string> StatisticsLines(const TResultTree& Tree) {
  std::vector<std::string> Lines;
  if (Tree.Empty()) return Lines;
  for (const auto& Child : Tree.Top(0)->Children) {
    if (Child->Text != "Statistics") continue;
    for (const auto& Line : Child->Children) Lines.push_back(Line->Text);
  }
  return Lines;
}

std::string AbsoluteStartDir(const std::string& Dir) {
  std::error_code Error;
  std::string Absolute =
      std::filesystem::absolute(Dir.empty() ? std::string(".") : Dir, Error).lexically_normal();
  if (Error) return {};
  if (Absolute.empty() || Absolute.back() != '/') Absolute += '/';
  return Absolute;
}
