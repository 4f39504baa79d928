// Every rule a finding can carry, as the SARIF log describes them to code-scanning dashboards.
#pragma once

#include <string_view>
#include <vector>

struct TOutputRule {
  const char* Id;
  const char* Name;  // an identifier-like name
  const char* ShortDescription;
  const char* FullDescription;
  const char* Level;  // SARIF default level: "note", "warning" or "error"
};

// The rules in a fixed order: the action rules, then the checks in the check table's order.
const std::vector<TOutputRule>& OutputRules();
// The index of Id in OutputRules(), or -1 for a rule not listed.
int OutputRuleIndex(std::string_view Id);
