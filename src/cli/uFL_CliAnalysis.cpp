// ferrolin-cli delphi-check, oracle-check and add-unit: the input checks of the Delphi and Oracle
// pages, then the action driver through RunCliAction.
#include <stdexcept>

#include "cli/uFL_CliActions.h"
#include "cli/uFL_CliRunAction.h"

namespace {

// The Delphi check list, item by item: option i is item i of the page's list.
struct TCheckFlag {
  const char* Option;
  TCheckOption Check;
};
constexpr TCheckFlag DelphiCheckFlags[] = {
    {"create-destroy", coCreateDestroy},
    {"setabort-setcomplete", coSetAbortComplete},
    {"no-try-except", coNoTryExcept},
    {"inherited", coInherited},
};

}  // namespace

int CliDelphiCheck(const TCliArgs& Args, TCliContext& Context) {
  TActionParams Params;
  Params.Action = TActionKind::acChecks;
  Params.FileKind = TFileKind::fkDelphi;
  for (const TCheckFlag& Flag : DelphiCheckFlags)
    if (Args.Has(Flag.Option)) Params.ChosenChecks |= CheckBit(Flag.Check);
  if (Params.ChosenChecks == 0) throw std::runtime_error("Select one or more Checks");
  return RunCliAction(Args, Context, Params);
}

int CliOracleCheck(const TCliArgs& Args, TCliContext& Context) {
  TActionParams Params;
  Params.Action = TActionKind::acChecks;
  Params.FileKind = TFileKind::fkOracle;
  Params.ChosenChecks = CheckBit(coOpenFetchClose);  // the Oracle list's only item
  return RunCliAction(Args, Context, Params);
}

int CliAddUnit(const TCliArgs& Args, TCliContext& Context) {
  TActionParams Params;
  Params.Action = TActionKind::acAddUnit;
  Params.FileKind = TFileKind::fkDelphi;
  Params.UnitName = Args.Get("unit");  // exactly as typed
  if (Params.UnitName.empty()) throw std::runtime_error("Please enter Unit name");
  Params.AddUnitConfirm = Args.Has("confirm");
  return RunCliAction(Args, Context, Params);
}
