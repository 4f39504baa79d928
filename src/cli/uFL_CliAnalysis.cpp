// ferrolin-cli delphi-check, oracle-check and add-unit: the input checks of the Delphi and Oracle
// pages, then the action driver through RunCliAction.
#include <stdexcept>

#include "cli/uFL_CliActions.h"
#include "cli/uFL_CliRunAction.h"
#include "shell/uFL_PageRules.h"

namespace {

// The items of the Delphi page's check list, in the list's order.
constexpr const char* DelphiCheckItems[] = {"create-destroy", "setabort-setcomplete",
                                            "no-try-except", "inherited"};

}  // namespace

int CliDelphiCheck(const TCliArgs& Args, TCliContext& Context) {
  TActionParams Params;
  Params.Action = TActionKind::acChecks;
  Params.FileKind = TFileKind::fkDelphi;
  std::vector<bool> Checked;
  for (const char* Item : DelphiCheckItems) Checked.push_back(Args.Has(Item));
  Params.ChosenChecks = ChecksFromList(Checked, 0);
  if (Params.ChosenChecks == 0) throw std::runtime_error(PageMsg::SelectChecks);
  return RunCliAction(Args, Context, Params);
}

int CliOracleCheck(const TCliArgs& Args, TCliContext& Context) {
  TActionParams Params;
  Params.Action = TActionKind::acChecks;
  Params.FileKind = TFileKind::fkOracle;
  // The Oracle list has one item, "Open, Fetch, No Close"; running the action checks it.
  Params.ChosenChecks = ChecksFromList({true}, 4);
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
