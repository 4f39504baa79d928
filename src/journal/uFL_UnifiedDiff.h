// Line differences between two versions of a file: the unified diff that patch applies, and the
// lines of the new version that changed.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A unified diff from Old to New with "--- a/NAME" and "+++ b/NAME" and three lines of context.
// Lines end at LF, as patch reads them (a CR is part of its line); a last line without a LF is
// marked "\ No newline at end of file". Empty when the two are equal.
std::string UnifiedDiff(std::string_view Old, std::string_view New, const std::string& Name);

// The lines of New (cut at CR LF, CR and LF, as the file model cuts them) that are not in Old's
// place: 1-based line number and text.
std::vector<std::pair<int, std::string>> ChangedLines(std::string_view Old, std::string_view New);
