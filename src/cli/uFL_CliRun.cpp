// ferrolin-cli run: every file of the set run with a program.
#include <stdexcept>

#include "cli/uFL_CliActions.h"
#include "cli/uFL_CliRunAction.h"

int CliRun(const TCliArgs& Args, TCliContext& Context) {
  TActionParams Params;
  Params.Action = TActionKind::acRunWith;
  Params.FileKind = TFileKind::fkText;
  Params.RunWith = Args.Get("program");
  if (Params.RunWith.empty()) throw std::runtime_error("Enter program to run the file with");
  Params.Params = Args.Get("params");
  Params.Wait = !Args.Has("no-wait");
  Params.ShowOutput = Args.Has("show-output");
  return RunCliAction(Args, Context, Params);
}
