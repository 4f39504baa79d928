// A process runner for tests: records every request and answers with the exit codes it is given,
// so that the run action is tested without starting programs.
#pragma once

#include <deque>
#include <vector>

#include "files/uFL_FileExecute.h"

class TFakeProcessRunner : public IProcessRunner {
 public:
  std::vector<TProcessRequest> Requests;
  std::deque<int32_t> ExitCodes;  // one per request; 0 once they are used up

  int32_t Run(const TProcessRequest& Request) override {
    Requests.push_back(Request);
    if (!Request.Wait) return NoExitCode;
    if (ExitCodes.empty()) return 0;
    const int32_t Code = ExitCodes.front();
    ExitCodes.pop_front();
    return Code;
  }
};
