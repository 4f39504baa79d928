// ferrolin-cli undo: restores the most recent journaled run (or --run ID), or lists the runs.
#include <chrono>
#include <ostream>
#include <stdexcept>

#include "cli/uFL_CliActions.h"
#include "cli/uFL_CliOutput.h"
#include "journal/uFL_StateDir.h"
#include "journal/uFL_Undo.h"
#include "support/uFL_ResultTree.h"

int CliUndo(const TCliArgs& Args, TCliContext& Context) {
  const std::string RunsDir = JournalRunsDir();
  if (Args.Has("list")) {
    if (Args.Has("run")) throw ECliUsage("--list does not go with --run");
    for (const TJournalRunInfo& Run : ListJournalRuns(RunsDir))
      Context.Out << RunListLine(Run) << "\n";
    return 0;
  }
  const std::string Id = Args.Has("run") ? Args.Get("run") : LastUndoableRun(RunsDir);
  if (Id.empty()) throw std::runtime_error("No replace to undo");
  const auto Start = std::chrono::steady_clock::now();
  const TUndoOutcome Outcome = UndoJournalRun(RunsDir, Id);
  const auto Took = std::chrono::steady_clock::now() - Start;
  TResultTree Tree;
  WriteUndoResults(Tree, Outcome, std::chrono::duration_cast<std::chrono::seconds>(Took).count());
  WriteResultsText(Tree, Args, &Context.Out);
  if (Args.Has("fail-on-results") && !Outcome.NotRestored.empty()) return 1;
  return 0;
}
