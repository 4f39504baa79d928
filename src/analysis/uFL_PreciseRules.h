// The precise checks over the source model: each finding with its rule, line, routine and reason.
#pragma once

#include <string>
#include <vector>

#include "analysis/uFL_SourceModel.h"
#include "files/uFL_CheckTable.h"

struct TPreciseFinding {
  TCheckOption Option;
  int Line = 0;
  std::string Routine;
  std::string Message;  // a reviewer's sentence naming the variable or cursor
  bool Suppressed = false;
};

// FL001, FL002, FL003 as far as Options choose them, in rule order, each rule's in source order.
// Lines are the file's lines, for the spelling of names the model holds upper-cased.
std::vector<TPreciseFinding> CheckDelphiRules(const TSourceModel& Model, const TLines& Lines,
                                              TCheckOptions Options);
// FL101 and FL102 likewise.
std::vector<TPreciseFinding> CheckPlsqlRules(const TSourceModel& Model, TCheckOptions Options);

// Sets Suppressed where a "ferrolin:ignore" comment names the finding's rule.
void MarkSuppressed(const TSourceModel& Model, std::vector<TPreciseFinding>& Findings);
