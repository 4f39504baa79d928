// "Undo Last Replace" of the Miscellaneous page: the newest journaled run, after a question,
// restored; the outcome shown in the results tree as an action's.
#include <chrono>

#include "journal/uFL_StateDir.h"
#include "journal/uFL_Undo.h"
#include "support/uFL_QtText.h"
#include "uFL_Dialogs.h"
#include "uFL_Main.h"
#include "uFL_MainTexts.h"

void TMain::btnUndoLastClick() {
  if (FBusyMode != bmIdle) return;
  const std::string RunsDir = JournalRunsDir();
  const std::string Id = LastUndoableRun(RunsDir);
  if (Id.empty()) {
    FDialogs.Information(Q(Msg::NothingToUndo));
    return;
  }
  const TJournalRunInfo Run = ReadJournalRun(RunsDir + "/" + Id);
  if (!FDialogs.Confirm(Q("Restore " + std::to_string(JournaledFileCount(Run)) +
                          " files changed by the replace of " + LocalTimeText(Run.StartMicros) +
                          "?")))
    return;
  ShowResultsPage();
  const auto Start = std::chrono::steady_clock::now();
  const TUndoOutcome Outcome = UndoJournalRun(RunsDir, Id);
  const auto Took = std::chrono::steady_clock::now() - Start;
  WriteUndoResults(FResultTree, Outcome,
                   std::chrono::duration_cast<std::chrono::seconds>(Took).count());
  // The list's records must tell the restored sizes, which the next action's binary test reads.
  FSelection.RefreshFileList(false);
  UpdateStatusLine(true);
}
