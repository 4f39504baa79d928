// --format, --results in that format, --baseline and --fail-on-results of ferrolin-cli's file-set
// actions: the results tree as text, or a writer of the output subsystem fed by the action driver.
#pragma once

#include <fstream>
#include <memory>
#include <optional>

#include "cli/uFL_CliActions.h"
#include "output/uFL_FindingsReport.h"
#include "shell/uFL_ActionDriver.h"

class TFileList;

// The results tree as text: printed to Out when given, saved to --results when asked, both as
// --filenames-only says.
void WriteResultsText(const TResultTree& Tree, const TCliArgs& Args, std::ostream* Out);

class TCliOutput {
 public:
  // Checks the options and reads the baseline; throws ECliUsage for an unknown format, an option
  // that does not go with it, or a baseline that cannot be used.
  TCliOutput(const TCliArgs& Args, TCliContext& Context);

  // Before the action: opens --results of a writer's format and hooks the report to Driver.
  void Start(TActionDriver& Driver, const TActionParams& Params, const TFileList& Files);
  // After the action, also after one that ended by an error: writes what is still to come.
  void Finish(const TResultTree& Tree);
  // Writes out what the report holds so far (it writes in blocks), before others write.
  void Flush();
  // The exit status of a finished run: 1 when --fail-on-results finds something, else 0.
  int Status(const TResultTree& Tree) const;
  bool IsText() const { return FFormat == TOutputFormat::ofText; }

 private:
  const TCliArgs& FArgs;
  TCliContext& FContext;
  TOutputFormat FFormat = TOutputFormat::ofText;
  std::optional<TBaseline> FBaseline;
  std::ofstream FResultsFile;
  std::unique_ptr<TFindingsReport> FReport;
  TRunRecord FRun;
  bool FStarted = false;
};
