// Search and replace of one term over the lines of a file.
#pragma once

#include <string_view>
#include <vector>

#include "files/uFL_Lines.h"

// A term as the action pages give it.
struct TSearchTerm {
  std::string_view Text;  // as typed; plain terms are upper-cased here when case is ignored
  bool UseRegExpr = false;
  bool CaseSensitive = false;
};

// The first occurrence of a term on a line: the 0-based line index and 1-based byte columns, End
// one past the occurrence. After a replacement the columns span the inserted text in the line as
// it stood right after that term's replacements.
struct TLineHit {
  int Line = 0;
  int Column = 0;
  int EndColumn = 0;
  // The line's text where it was searched; of use only while the lines are not changed.
  std::string_view Text;
};

// What one term found over the lines: every occurrence counted, and one hit per line that holds
// one, in line order.
struct TSearchOutcome {
  int Count = 0;
  std::vector<TLineHit> Hits;
};

// Finds every occurrence of Term in Lines. Occurrences in one line never overlap; a regular
// expression sees one line at a time and moves on by one byte after an empty occurrence. Throws
// ERegexError for an expression that does not compile, at the first line searched.
TSearchOutcome SearchLines(const TLines& Lines, const TSearchTerm& Term);

// Puts ReplaceText (literally, no group references) in place of every occurrence of Term. Text a
// replacement inserts is not searched again by the same term.
TSearchOutcome ReplaceInLines(TLines& Lines, const TSearchTerm& Term, std::string_view ReplaceText);
