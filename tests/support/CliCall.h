// Calls ferrolin-cli in-process through RunCli with string streams.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/uFL_CliActions.h"

struct TCliCall {
  int Status;
  std::string Out, Err;
};

inline TCliCall CallCli(const std::vector<std::string>& Args, const std::string& Input = "") {
  std::ostringstream Out, Err;
  std::istringstream In(Input);
  TCliContext Context{Out, Err, In};
  const int Status = RunCli(Args, Context);
  return {Status, Out.str(), Err.str()};
}
