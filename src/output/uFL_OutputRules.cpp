// The rule list of the machine-readable outputs.
#include "output/uFL_OutputRules.h"

const std::vector<TOutputRule>& OutputRules() {
  static const std::vector<TOutputRule> Rules = {
      {"search", "SearchHit", "A line holds a search term.",
       "A line holds an occurrence of one of the search terms; the column is that of the first "
       "occurrence on the line.",
       "note"},
      {"replace", "ReplacedLine", "A line was changed by a replacement.",
       "A line held an occurrence of one of the search terms and was changed by its replacement.",
       "note"},
      {"error", "FileError", "The file could not be processed.",
       "The file could not be read or written, or it is binary and was skipped; the message says "
       "which.",
       "error"},
      {"exitcode", "NonZeroExitCode", "The program run with the file failed.",
       "The program run with the file returned a non-zero exit code.", "error"},
      {"FL010", "CreateDestroyMismatch", "Objects created and destroyed unequally often.",
       "An object variable is created a different number of times than it is destroyed in the "
       "unit (a per-file count, not 100% secure).",
       "warning"},
      {"FL011", "SetAbortSetComplete", "SetAbort/SetComplete rules are broken.",
       "A routine calls SetAbort or SetComplete against the rules of their use.", "warning"},
      {"FL012", "NoTryExcept", "No try..except construction found.",
       "The unit holds no try..except block at all.", "warning"},
      {"FL013", "InheritedPlacement", "Inherited not at start or end of routine.",
       "A routine calls inherited somewhere other than at its start or end.", "warning"},
      {"FL110", "OpenFetchClose", "Open, fetch and close of a cursor do not match.",
       "A cursor is opened, fetched and closed unequally often in the file.", "warning"},
      {"FL001", "LocalObjectNeverFreed", "Local objects never freed.",
       "A local variable receives a newly created object that the routine neither frees nor "
       "hands over.",
       "warning"},
      {"FL002", "FreeOutsideTryFinally", "Objects freed outside try..finally.",
       "A local object is freed after other statements, but not in the finally part of a "
       "try..finally that begins after its creation.",
       "warning"},
      {"FL003", "DestructorInherited", "Destructors that skip or misplace inherited.",
       "A destructor never calls inherited, or runs statements after its inherited call.",
       "warning"},
      {"FL101", "CursorNotClosed", "Cursors opened but not closed in their routine.",
       "A cursor declared in a routine is opened there but never closed nor handed out.",
       "warning"},
      {"FL102", "CursorOpenOnException", "Cursors left open when an exception is handled.",
       "A package-level cursor is opened in a routine whose exception handlers do not close it, "
       "so its next OPEN fails with \"cursor already open\".",
       "warning"},
  };
  return Rules;
}

int OutputRuleIndex(std::string_view Id) {
  const auto& Rules = OutputRules();
  for (size_t i = 0; i < Rules.size(); ++i)
    if (Id == Rules[i].Id) return int(i);
  return -1;
}
