// The actions of ferrolin-cli: one function each, registered in the table of uFL_CliMain.cpp.
#pragma once

#include <iosfwd>
#include <string>
#include <memory>
#include <vector>

#include "cli/uFL_CliArgs.h"

// The streams an action talks through; tests hand in string streams.
struct TCliContext {
  TCliContext(std::ostream& Out, std::ostream& Err, std::istream& In)
      : Out(Out), Err(Err), In(In) {}

  std::ostream& Out;
  std::ostream& Err;
  std::istream& In;
  // What an action leaves to live as long as the context: the program ends without freeing it
  // (a results tree of a million lines takes a tenth of a second to free node by node).
  std::vector<std::shared_ptr<void>> Leftovers;
};

using TCliActionFn = int (*)(const TCliArgs& Args, TCliContext& Context);

struct TCliAction {
  const char* Name;
  TCliActionFn Run;
  std::vector<std::string> Options;  // the options it takes besides --help
};

// Options shared by the actions that work on a file set, and those that write the results.
const std::vector<std::string>& FileSetOptions();
const std::vector<std::string>& ResultOptions();

// Concatenation helper for building an action's option list out of groups.
std::vector<std::string> CliOptionList(std::initializer_list<std::vector<std::string>> Groups);

int CliList(const TCliArgs& Args, TCliContext& Context);
int CliSearch(const TCliArgs& Args, TCliContext& Context);
int CliReplace(const TCliArgs& Args, TCliContext& Context);
int CliRun(const TCliArgs& Args, TCliContext& Context);
int CliDelphiCheck(const TCliArgs& Args, TCliContext& Context);
int CliOracleCheck(const TCliArgs& Args, TCliContext& Context);
int CliAddUnit(const TCliArgs& Args, TCliContext& Context);
int CliMatch(const TCliArgs& Args, TCliContext& Context);
int CliUndo(const TCliArgs& Args, TCliContext& Context);

// Runs one call; never exits the process. Returns the exit status.
int RunCli(const std::vector<std::string>& Args, TCliContext& Context);
