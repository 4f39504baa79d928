// Running one action of the action driver from the command line: the host without a window, and
// the shared output of every file-set action (results tree, --results, --trace, exit status).
#pragma once

#include <functional>
#include <string>

#include "cli/uFL_CliActions.h"
#include "shell/uFL_ActionDriver.h"

class TTraceLog;

// A host without a window: no warning before the action (running the command is the
// confirmation), the information text kept for the caller, the overwrite question asked on
// stderr with one line read from stdin ("y" or "yes" in any case is Yes), no pause before the
// file list is re-read (the CLI ends right after), never stopped.
class TCliActionHost : public IActionHost {
 public:
  TCliActionHost(TCliContext& Context, TTraceLog& Trace, bool TracingOn)
      : FContext(Context), FTrace(Trace), FTracingOn(TracingOn) {}

  std::string Information;  // the last information text, empty when none was shown
  // Called before a question, so that the output of the files before it is out first.
  std::function<void()> BeforeQuestion;

  void EnterBusyState(bool ShowStop, TBusyMode Mode) override;
  void LeaveBusyState() override { FMode = bmIdle; }
  void UpdateStatusLine(bool) override {}
  bool StopRequested() const override { return false; }
  TBusyMode BusyMode() const override { return FMode; }
  void Pause(int) override {}
  bool ConfirmAction(const std::string&) override { return true; }
  void ShowInformation(const std::string& Text) override { Information = Text; }
  bool ConfirmOverwrite(const std::string& Question) override;
  void ShowResultsPage() override {}
  void SaveSettings() override {}

 private:
  TCliContext& FContext;
  TTraceLog& FTrace;
  bool FTracingOn;
  TBusyMode FMode = bmIdle;
};

// Builds the file set of Args, runs Params over it with a TCliActionHost, then writes the results
// tree to stdout (one tab per level, LF; only the file nodes with --filenames-only) and to
// --results (CR LF), or the output of --format as the files are done, and the trace lines to
// --trace (LF). Returns 0, or 1 with --fail-on-results when some file has results (with another
// format or a baseline: when an unsuppressed finding is reported). An input problem (an empty file
// set) throws std::runtime_error with its message; an error that ended the action is rethrown after
// the output is written, so that the results of the files before it are kept.
int RunCliAction(const TCliArgs& Args, TCliContext& Context, const TActionParams& Params);
