// A busy host for tests: records what the operation asked of it and stops on request.
#pragma once

#include <string>
#include <vector>

#include "support/uFL_BusyHost.h"

class TFakeBusyHost : public IBusyHost {
 public:
  // Stop after this many status refreshes (-1: never).
  int StopAfterRefreshes = -1;
  int Refreshes = 0;
  int Pauses = 0;
  std::vector<std::string> Calls;

  void EnterBusyState(bool ShowStop, TBusyMode Mode) override {
    FMode = Mode;
    FStop = false;
    Calls.push_back(std::string("enter ") + (ShowStop ? "stop " : "") + std::to_string(int(Mode)));
  }
  void LeaveBusyState() override {
    FMode = bmIdle;
    Calls.push_back("leave");
  }
  void UpdateStatusLine(bool) override {
    ++Refreshes;
    if (StopAfterRefreshes >= 0 && Refreshes >= StopAfterRefreshes) FStop = true;
  }
  bool StopRequested() const override { return FStop; }
  TBusyMode BusyMode() const override { return FMode; }
  void Pause(int) override { ++Pauses; }
  void RequestStop() { FStop = true; }

 private:
  TBusyMode FMode = bmIdle;
  bool FStop = false;
};
