// Building the outcome records from a file object and the results tree.
#include "output/uFL_FileOutcome.h"

#include <algorithm>
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

TFileOutcome FileOutcomeOf(TBaseFile& File, std::vector<int64_t> TermCounts, bool Saved) {
  TFileOutcome Outcome;
  Outcome.Path = File.FileName;
  Outcome.TermCounts = std::move(TermCounts);
  Outcome.Saved = Saved;
  Outcome.Errors = File.Errors;
  Outcome.ExitCode = File.ExitCode;
  Outcome.Findings = std::move(File.Findings);
  File.Findings.clear();
  if (File.ExitCode != 0) {
    TFinding F;
    F.RuleId = "exitcode";
    F.Category = "General";
    F.Message = "Process returned non-zero exitcode: " + std::to_string(File.ExitCode);
    Outcome.Findings.push_back(std::move(F));
  }
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
