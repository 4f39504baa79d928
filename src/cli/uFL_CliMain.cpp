// Dispatch of ferrolin-cli calls to their actions.
#include "cli/uFL_CliActions.h"

#include <exception>
#include <ostream>

#include "files/uFL_CheckTable.h"

const std::vector<std::string>& FileSetOptions() {
  static const std::vector<std::string> Names = {"dir",        "mask", "type",
                                                 "no-subdirs", "list", "save-list"};
  return Names;
}

const std::vector<std::string>& ResultOptions() {
  static const std::vector<std::string> Names = {"results", "filenames-only", "trace",
                                                 "fail-on-results", "format", "baseline"};
  return Names;
}

std::vector<std::string> CliOptionList(std::initializer_list<std::vector<std::string>> Groups) {
  std::vector<std::string> All;
  for (const auto& Group : Groups) All.insert(All.end(), Group.begin(), Group.end());
  return All;
}

// The flags of a page's checks, from the check table.
static std::vector<std::string> CheckFlags(TFileKind Kind) {
  std::vector<std::string> Flags;
  for (const TCheckRow* Row : CheckRows(Kind)) Flags.push_back(Row->Flag);
  return Flags;
}

static const std::vector<TCliAction>& CliActions() {
  static const std::vector<TCliAction> Actions = {
      {"list", CliList, FileSetOptions()},
      {"search", CliSearch,
       CliOptionList(
           {FileSetOptions(), {"term", "terms-file", "regex", "case-sensitive", "threads"},
            ResultOptions()})},
      {"replace", CliReplace,
       CliOptionList({FileSetOptions(),
                      {"term", "terms-file", "replacement", "replacements-file", "regex",
                       "case-sensitive", "confirm", "dry-run", "threads"},
                      ResultOptions()})},
      {"run", CliRun,
       CliOptionList(
           {FileSetOptions(), {"program", "params", "no-wait", "show-output"}, ResultOptions()})},
      {"delphi-check", CliDelphiCheck,
       CliOptionList(
           {FileSetOptions(), CheckFlags(TFileKind::fkDelphi), {"threads"}, ResultOptions()})},
      {"oracle-check", CliOracleCheck,
       CliOptionList(
           {FileSetOptions(), CheckFlags(TFileKind::fkOracle), {"threads"}, ResultOptions()})},
      {"add-unit", CliAddUnit,
       CliOptionList({FileSetOptions(), {"unit", "confirm", "dry-run", "threads"}, ResultOptions()})},
      {"match", CliMatch, {"expr", "text", "text-file", "offset", "modifiers"}},
      {"undo", CliUndo, {"list", "run", "results", "filenames-only", "fail-on-results"}},
  };
  return Actions;
}

int RunCli(const std::vector<std::string>& Args, TCliContext& Context) {
  try {
    TCliArgs Parsed = ParseCliArgs(Args);
    if (Parsed.Action == "help") {
      Context.Out << CliUsage();
      return 0;
    }
    if (Parsed.Action == "version") {
      Context.Out << CliVersion();
      return 0;
    }
    if (Parsed.Action.empty()) throw ECliUsage("no action given");
    for (const auto& Action : CliActions()) {
      if (Parsed.Action != Action.Name) continue;
      CheckCliOptions(Parsed, Action.Options);
      return Action.Run(Parsed, Context);
    }
    throw ECliUsage("unknown action '" + Parsed.Action + "'");
  } catch (const ECliUsage& E) {
    Context.Err << "ferrolin-cli: " << E.what() << "\n"
                << "Try 'ferrolin-cli --help' for more information.\n";
    return 2;
  } catch (const std::exception& E) {
    // An error that ends an action: its message exactly as the window would show it.
    Context.Err << E.what() << "\n";
    return 2;
  }
}
