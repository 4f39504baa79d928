// ferrolin-cli delphi-check, oracle-check and add-unit: the input checks of the Delphi and Oracle
// pages, then the action driver through RunCliAction.
#include <stdexcept>

#include "cli/uFL_CliActions.h"
#include "cli/uFL_CliRunAction.h"
#include "files/uFL_CheckTable.h"
#include "shell/uFL_PageRules.h"

namespace {

// The options of the page's checks whose flags were given, from the check table.
TCheckOptions FlaggedChecks(const TCliArgs& Args, TFileKind Kind) {
  std::vector<bool> Checked;
  for (const TCheckRow* Row : CheckRows(Kind)) Checked.push_back(Args.Has(Row->Flag));
  return ChecksFromList(Kind, Checked);
}

}  // namespace

int CliDelphiCheck(const TCliArgs& Args, TCliContext& Context) {
  TActionParams Params;
  Params.Action = TActionKind::acChecks;
  Params.FileKind = TFileKind::fkDelphi;
  Params.ChosenChecks = FlaggedChecks(Args, TFileKind::fkDelphi);
  if (Params.ChosenChecks == 0) throw std::runtime_error(PageMsg::SelectChecks);
  return RunCliAction(Args, Context, Params);
}

int CliOracleCheck(const TCliArgs& Args, TCliContext& Context) {
  TActionParams Params;
  Params.Action = TActionKind::acChecks;
  Params.FileKind = TFileKind::fkOracle;
  // Without a check flag the action runs "Open, Fetch, No Close", the list's first item, as it
  // did when that was the only one.
  Params.ChosenChecks = FlaggedChecks(Args, TFileKind::fkOracle);
  if (Params.ChosenChecks == 0)
    Params.ChosenChecks = CheckBit(CheckRows(TFileKind::fkOracle)[0]->Option);
  return RunCliAction(Args, Context, Params);
}

int CliAddUnit(const TCliArgs& Args, TCliContext& Context) {
  TActionParams Params;
  Params.Action = TActionKind::acAddUnit;
  Params.FileKind = TFileKind::fkDelphi;
  Params.UnitName = Args.Get("unit");  // exactly as typed
  if (Params.UnitName.empty()) throw std::runtime_error(PageMsg::EnterUnit);
  Params.AddUnitConfirm = Args.Has("confirm");
  Params.PreviewOnly = Args.Has("dry-run");
  return RunCliAction(Args, Context, Params);
}
