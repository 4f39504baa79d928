// One finding of an action in one file, as the machine-readable outputs carry it: a search hit, a
// check's finding, a file's error. The results tree shows the same finding as text.
#pragma once

#include <string>

struct TFinding {
  std::string
      RuleId;  // the check table's rule ID, or one of the action rules of the output writers
  std::string Category;  // the category node it stands under in the results tree
  std::string Message;   // the entry's text without the "[Line N] " prefix
  int Line = 0;          // 1-based; 0 when the finding has no line
  int Column = 0;        // 1-based column of the first match; 0 when unknown
  int EndColumn = 0;     // 1-based, one past the match; 0 when unknown
  std::string LineText;  // the line's bytes, for search and replace hits
  bool Suppressed =
      false;  // a "ferrolin:ignore" comment names this rule on the line or the one above
};
