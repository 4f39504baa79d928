// The rule list of the machine-readable outputs.
#include "output/uFL_OutputRules.h"

#include "files/uFL_CheckTable.h"

namespace {

std::vector<TOutputRule> MakeRules() {
  // The output's own rules: what the actions report besides the checks.
  std::vector<TOutputRule> Rules = {
      {"search", "SearchHit", "A line holds a search term.",
       "A line holds an occurrence of one of the search terms; the column is that of the first "
       "occurrence on the line.",
       "note"},
      {"replace", "ReplacedLine", "A line was changed by a replacement.",
       "A line held an occurrence of one of the search terms and was changed by its replacement.",
       "note"},
      {"error", "FileError", "The file could not be processed.",
       "The file could not be read or written, or it is binary and was skipped; the message says "
       "which.",
       "error"},
      {"exitcode", "NonZeroExitCode", "The program run with the file failed.",
       "The program run with the file returned a non-zero exit code.", "error"},
  };
  // A row added to the check table is described here without another edit.
  for (const TCheckRow& Row : CheckTable)
    Rules.push_back({Row.RuleId, Row.RuleName, Row.Summary, Row.Description, "warning"});
  return Rules;
}

}  // namespace

const std::vector<TOutputRule>& OutputRules() {
  static const std::vector<TOutputRule> Rules = MakeRules();
  return Rules;
}

int OutputRuleIndex(std::string_view Id) {
  const auto& Rules = OutputRules();
  for (size_t i = 0; i < Rules.size(); ++i)
    if (Id == Rules[i].Id) return int(i);
  return -1;
}
