// Calls ferrolin-cli in-process through RunCli with string streams.
#pragma once

#include <regex>
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

// An action's arguments over a directory and a mask: Extra[0] is the action, the rest its options.
inline std::vector<std::string> ActionArgs(const std::string& Dir, const std::string& Mask,
                                           const std::vector<std::string>& Extra) {
  std::vector<std::string> All = {Extra[0], "--dir", Dir, "--mask", Mask};
  All.insert(All.end(), Extra.begin() + 1, Extra.end());
  return All;
}

// The printed tree with the duration made fixed, as a machine under load may take a second.
inline std::string SteadyDuration(const std::string& Out) {
  return std::regex_replace(Out, std::regex("Action took [0-9]+ seconds"), "Action took 0 seconds");
}
