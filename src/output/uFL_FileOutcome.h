// What one action did to one file, and to the whole run: the plain records the output writers read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/uFL_Finding.h"
#include "files/uFL_Types.h"

class TBaseFile;
class TResultTree;

struct TFileOutcome {
  std::string Path;                 // as the file list holds it
  std::vector<TFinding> Findings;   // in the order the file's results list them
  std::vector<int64_t> TermCounts;  // search and replace: occurrences per term, in term order
  bool Saved = false;
  std::vector<std::string> Errors;  // the file's error messages ("Error loading file: ...")
  int32_t ExitCode = 0;             // run: the program's exit code (0 when not waited for)
};

struct TRunRecord {
  TActionKind Action = TActionKind::acSearch;
  std::string Version;                  // FerrolinVersion
  int FileCount = 0;                    // entries of the file list when the action started
  std::string StartDir;                 // absolute, ends with "/"; empty when unknown
  std::vector<std::string> Terms;       // search and replace
  std::vector<std::string> Statistics;  // the lines under "Statistics", once the action ended
};

// The action's name as the CLI spells it: "search", "replace", "run", "check", "add-unit".
const char* ActionName(TActionKind Action);

// The outcome of File after the driver's steps, its results written: the findings are moved out of
// File, which needs them no more; a non-zero exit code of the run action is a finding of its own.
TFileOutcome FileOutcomeOf(TBaseFile& File, std::vector<int64_t> TermCounts, bool Saved);

// The lines under the header's "Statistics" node (empty before the action ended).
std::vector<std::string> StatisticsLines(const TResultTree& Tree);

// Dir made absolute with a trailing "/", the base that relative artifact paths are taken from.
std::string AbsoluteStartDir(const std::string& Dir);
