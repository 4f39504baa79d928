// Where the journal keeps its runs: $XDG_STATE_HOME/ferrolin/runs, by default
// ~/.local/state/ferrolin/runs.
#pragma once

#include <string>

// The runs folder, without a trailing "/". Nothing is created.
std::string JournalRunsDir();

// Creates Dir and its missing parents (mode 0700 for new ones); throws std::runtime_error naming
// the folder that could not be made.
void MakeDirectories(const std::string& Dir);
