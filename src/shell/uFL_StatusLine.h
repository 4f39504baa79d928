// The texts of the window's frame: the status line, the header titles and the progress rule.
#pragma once

#include <string>

#include "support/uFL_BusyHost.h"

// The main pages and the action sub-pages, in the order of their page controls.
enum class TMainPage { tsSelect, tsAction, tsResults, tsTrace, tsVarious };
enum class TActionPage { tsGeneric, tsDelphi, tsOracle };

// The header title for the current pages, as the label shows it.
std::string PageTitle(TMainPage Main, TActionPage Action);

struct TStatusFacts {
  TBusyMode Mode = bmIdle;
  int Count = 0;          // file-list entries
  int ReadOnlyCount = 0;  // of which read-only
  bool HasResults = false;
  int FilesDone = 0;
  std::string CurrentFile;
};

std::string StatusLineText(const TStatusFacts& Facts);

// The progress bar while files are collected: one step per refresh, and a bar that fills up gets
// a fifth more room (cut toward zero, so a small maximum stays full).
struct TProgress {
  int Position = 0;
  int Maximum = 100;
};
TProgress StepCollectProgress(TProgress P);
