// The checks a user can choose: one row per check, from which the window's check lists, the CLI's
// flags and help, and the rule IDs of the findings are all taken.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/uFL_Types.h"

enum TCheckOption : uint8_t {
  coCreateDestroy = 0,
  coSetAbortComplete = 1,
  coNoTryExcept = 2,
  coInherited = 3,
  coOpenFetchClose = 4,
  coLocalLeak = 5,
  coUnprotectedFree = 6,
  coDestructorInherited = 7,
  coCursorNotClosed = 8,
  coCursorOpenOnException = 9,
  coCount
};

// A set of TCheckOption: bit N stands for option N.
using TCheckOptions = uint32_t;
static_assert(coCount <= 32, "every option needs a bit of TCheckOptions");

constexpr TCheckOptions CheckBit(TCheckOption Option) {
  return TCheckOptions(1u << Option);
}
constexpr bool HasCheck(TCheckOptions Options, TCheckOption Option) {
  return (Options & CheckBit(Option)) != 0;
}

struct TCheckRow {
  TCheckOption Option;
  const char* RuleId;   // as the machine-readable outputs and ferrolin:ignore name it
  const char* Flag;     // the CLI flag without its dashes
  const char* Caption;  // the item of the page's check list
  TFileKind Kind;       // the page (and file kind) the check belongs to
  int ListIndex;        // the item's place in that page's check list
  const char* Help;     // the CLI help line
  bool Precise;         // findings carry a line and stand under the rule's own category
  // How the SARIF log describes the rule to code-scanning dashboards.
  const char* RuleName;     // an identifier-like name
  const char* Summary;      // one sentence
  const char* Description;  // what a finding means
};

inline constexpr TCheckRow CheckTable[] = {
    {coCreateDestroy, "FL010", "create-destroy",
     "Create and Destroy for all Items (not 100% secure)", TFileKind::fkDelphi, 0,
     "check: objects created and destroyed unequally", false, "CreateDestroyMismatch",
     "Objects created and destroyed unequally often.",
     "An object variable is created a different number of times than it is destroyed in the "
     "unit (a per-file count, not 100% secure)."},
    {coSetAbortComplete, "FL011", "setabort-setcomplete", "SetAbort and SetComplete Implicit Rules",
     TFileKind::fkDelphi, 1, "check: SetAbort/SetComplete rules", false, "SetAbortSetComplete",
     "SetAbort/SetComplete rules are broken.",
     "A routine calls SetAbort or SetComplete against the rules of their use."},
    {coNoTryExcept, "FL012", "no-try-except", "No Try..Except ", TFileKind::fkDelphi, 2,
     "check: units without try..except", false, "NoTryExcept", "No try..except construction found.",
     "The unit holds no try..except block at all."},
    {coInherited, "FL013", "inherited", "Inherited in strange places (does not work yet)",
     TFileKind::fkDelphi, 3, "check: inherited calls in strange places", false,
     "InheritedPlacement", "Inherited not at start or end of routine.",
     "A routine calls inherited somewhere other than at its start or end."},
    {coLocalLeak, "FL001", "local-leak", "Local objects never freed", TFileKind::fkDelphi, 4,
     "check: local objects created and never freed nor handed over", true, "LocalObjectNeverFreed",
     "Local objects never freed.",
     "A local variable receives a newly created object that the routine neither frees nor "
     "hands over."},
    {coUnprotectedFree, "FL002", "unprotected-free", "Objects freed outside try..finally",
     TFileKind::fkDelphi, 5, "check: local objects freed outside a try..finally", true,
     "FreeOutsideTryFinally", "Objects freed outside try..finally.",
     "A local object is freed after other statements, but not in the finally part of a "
     "try..finally that begins after its creation."},
    {coDestructorInherited, "FL003", "destructor-inherited",
     "Destructors that skip or misplace inherited", TFileKind::fkDelphi, 6,
     "check: destructors without inherited, or with code after it", true, "DestructorInherited",
     "Destructors that skip or misplace inherited.",
     "A destructor never calls inherited, or runs statements after its inherited call."},
    {coOpenFetchClose, "FL110", "open-fetch-close", "Open, Fetch, No Close", TFileKind::fkOracle, 0,
     "check: cursors opened, fetched and closed unequally (the default)", false, "OpenFetchClose",
     "Open, fetch and close of a cursor do not match.",
     "A cursor is opened, fetched and closed unequally often in the file."},
    {coCursorNotClosed, "FL101", "cursor-not-closed",
     "Cursors opened but not closed in their routine", TFileKind::fkOracle, 1,
     "check: local cursors a routine opens and never closes", true, "CursorNotClosed",
     "Cursors opened but not closed in their routine.",
     "A cursor declared in a routine is opened there but never closed nor handed out."},
    {coCursorOpenOnException, "FL102", "cursor-open-on-exception",
     "Cursors left open when an exception is handled", TFileKind::fkOracle, 2,
     "check: package cursors an exception handler leaves open", true, "CursorOpenOnException",
     "Cursors left open when an exception is handled.",
     "A package-level cursor is opened in a routine whose exception handlers do not close it, "
     "so its next OPEN fails with \"cursor already open\"."},
};
static_assert(std::size(CheckTable) == coCount, "one row per check option");

const TCheckRow& CheckRow(TCheckOption Option);
// The row of a rule ID or of a CLI flag; null when there is none.
const TCheckRow* CheckRowOfRule(std::string_view RuleId);
const TCheckRow* CheckRowOfFlag(std::string_view Flag);
// The rows of a page in list order.
std::vector<const TCheckRow*> CheckRows(TFileKind Kind);
// The captions of a page's check list, in list order.
std::vector<std::string> CheckCaptions(TFileKind Kind);
// The options of the checked items of a page's check list (items beyond the table are ignored).
TCheckOptions ChecksFromList(TFileKind Kind, const std::vector<bool>& Checked);
// The options of the precise checks.
TCheckOptions PreciseChecks();
// The category the findings of a precise check stand under: its rule ID and caption.
std::string CheckCategory(const TCheckRow& Row);
