// Finding one occurrence of a term in one line; owner of the program's one regex object.
#pragma once

#include <string_view>

class TRegexEngine;

// The program's one regular-expression object: created on first use with the engine's defaults,
// kept until the program ends. Only the search unit sets its case-insensitive modifier.
TRegexEngine& SharedRegexEngine();

// The 1-based position of the first occurrence of Term in Line that begins at or after Start, or 0
// when there is none; MatchLength gets its length (0 when there is none). A plain term is
// compared byte for byte (a caller wanting case-insensitivity upper-cases both sides); a regular
// expression is matched by the shared engine, with its case-insensitive modifier when IgnoreCase
// (design departure 1: the expression is never upper-cased). Throws ERegexError.
int FindInLine(std::string_view Line, std::string_view Term, int Start, int& MatchLength,
               bool UseRegExpr, bool IgnoreCase = false);

// The two halves of FindInLine, for a caller that searches many lines with one term: the shared
// engine is given the expression once, then each line is searched where it lies.
void PrepareRegex(std::string_view Term, bool IgnoreCase);
int ExecRegex(std::string_view Line, int Start, int& MatchLength);
int FindPlain(std::string_view Line, std::string_view Term, int Start, int& MatchLength);
