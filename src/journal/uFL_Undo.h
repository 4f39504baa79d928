// Undoing a journaled run: every file that still holds what the run wrote gets its original back;
// the others are named with the reason. The undo is itself a journaled run.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "journal/uFL_Journal.h"

class TResultTree;

// Every run in RunsDir as its manifest tells it, newest first.
std::vector<TJournalRunInfo> ListJournalRuns(const std::string& RunsDir);

// The run an undo without an ID restores: the newest that journaled a file and is not undone.
// Empty when there is none.
std::string LastUndoableRun(const std::string& RunsDir);

// The number of files a run journaled: its manifest's, or its originals file's when more.
int JournaledFileCount(const TJournalRunInfo& Run);

// "undo --list"'s line of a run: ID, local start time, action, terms, file count, "undone".
std::string RunListLine(const TJournalRunInfo& Run);

struct TUndoOutcome {
  std::string RunId;      // the run undone
  std::string UndoRunId;  // the journal of the undo itself
  int Restored = 0;
  std::vector<std::pair<std::string, std::string>> NotRestored;  // path, reason
};

// Restores run Id. Throws std::runtime_error (before any file is changed) when the run does not
// exist or the undo's own journal cannot be opened.
TUndoOutcome UndoJournalRun(const std::string& RunsDir, const std::string& Id,
                            const TJournalLimits& Limits = {});

// Shows an undo as the results of an action: header, statistics, a node per file not restored.
void WriteUndoResults(TResultTree& Tree, const TUndoOutcome& Outcome, int64_t Seconds);

inline constexpr const char* NotRestoredChanged = "changed since the replace, not restored";
inline constexpr const char* NotRestoredGone = "gone since the replace, not restored";
inline constexpr const char* NotRestoredDamaged =
    "the journal holds no intact copy of the original, not restored";
