// An action host for tests: records the calls in order, answers the questions from queues, and
// stops on request after a number of status refreshes.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "shell/uFL_ActionDriver.h"
#include "support/uFL_Log.h"

class TFakeActionHost : public IActionHost {
 public:
  explicit TFakeActionHost(TTraceLog* Trace = nullptr, bool TracingOn = true)
      : FTrace(Trace), FTracingOn(TracingOn) {}

  bool ConfirmAnswer = true;
  std::deque<bool> OverwriteAnswers;  // empty: No
  int StopAfterRefreshes = -1;        // -1: never
  int Refreshes = 0;
  int Pauses = 0;
  std::vector<std::string> Calls;
  std::vector<std::string> Warnings, Informations, Questions;

  void EnterBusyState(bool ShowStop, TBusyMode Mode) override {
    FMode = Mode;
    FStop = false;
    if (FTrace) FTrace->Init(FTracingOn);
    Calls.push_back(std::string("enter ") + (ShowStop ? "stop " : "") + std::to_string(int(Mode)));
  }
  void LeaveBusyState() override {
    FMode = bmIdle;
    Calls.push_back("leave");
  }
  void UpdateStatusLine(bool Recount) override {
    if (Recount) return;
    ++Refreshes;
    if (StopAfterRefreshes >= 0 && Refreshes >= StopAfterRefreshes) FStop = true;
  }
  bool StopRequested() const override { return FStop; }
  TBusyMode BusyMode() const override { return FMode; }
  void Pause(int) override {
    ++Pauses;
    Calls.push_back("pause");
  }
  bool ConfirmAction(const std::string& Warning) override {
    Warnings.push_back(Warning);
    Calls.push_back("confirm");
    return ConfirmAnswer;
  }
  void ShowInformation(const std::string& Text) override {
    Informations.push_back(Text);
    Calls.push_back("information");
  }
  bool ConfirmOverwrite(const std::string& Question) override {
    Questions.push_back(Question);
    if (OverwriteAnswers.empty()) return false;
    bool Answer = OverwriteAnswers.front();
    OverwriteAnswers.pop_front();
    return Answer;
  }
  void ShowResultsPage() override { Calls.push_back("results page"); }
  void SaveSettings() override { Calls.push_back("save settings"); }

  void SetBusy(TBusyMode Mode) { FMode = Mode; }

 private:
  TTraceLog* FTrace;
  bool FTracingOn;
  TBusyMode FMode = bmIdle;
  bool FStop = false;
};
