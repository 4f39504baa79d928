// Look-ups in the check table.
#include "files/uFL_CheckTable.h"

#include <algorithm>

namespace {

// Rows are declared in page order; the index must say so, since the lists are built from it.
constexpr bool RowsInListOrder() {
  int Next[3] = {0, 0, 0};
  for (const TCheckRow& Row : CheckTable)
    if (Row.ListIndex != Next[int(Row.Kind)]++) return false;
  return true;
}
static_assert(RowsInListOrder(), "rows of a page stand in list order, numbered from 0");

}  // namespace

const TCheckRow& CheckRow(TCheckOption Option) {
  for (const TCheckRow& Row : CheckTable)
    if (Row.Option == Option) return Row;
  return CheckTable[0];  // unreachable: every option has its row (checked above)
}

const TCheckRow* CheckRowOfRule(std::string_view RuleId) {
  for (const TCheckRow& Row : CheckTable)
    if (RuleId == Row.RuleId) return &Row;
  return nullptr;
}

const TCheckRow* CheckRowOfFlag(std::string_view Flag) {
  for (const TCheckRow& Row : CheckTable)
    if (Flag == Row.Flag) return &Row;
  return nullptr;
}

std::vector<const TCheckRow*> CheckRows(TFileKind Kind) {
  std::vector<const TCheckRow*> Rows;
  for (const TCheckRow& Row : CheckTable)
    if (Row.Kind == Kind) Rows.push_back(&Row);
  return Rows;
}

std::vector<std::string> CheckCaptions(TFileKind Kind) {
  std::vector<std::string> Captions;
  for (const TCheckRow* Row : CheckRows(Kind)) Captions.push_back(Row->Caption);
  return Captions;
}

TCheckOptions ChecksFromList(TFileKind Kind, const std::vector<bool>& Checked) {
  TCheckOptions Options = 0;
  for (const TCheckRow* Row : CheckRows(Kind))
    if (size_t(Row->ListIndex) < Checked.size() && Checked[size_t(Row->ListIndex)])
      Options |= CheckBit(Row->Option);
  return Options;
}

std::string CheckCategory(const TCheckRow& Row) {
  return std::string(Row.RuleId) + " " + Row.Caption;
}

TCheckOptions PreciseChecks() {
  TCheckOptions Options = 0;
  for (const TCheckRow& Row : CheckTable)
    if (Row.Precise) Options |= CheckBit(Row.Option);
  return Options;
}
