// The editor command of the results page: a file opened at a line and column by the user's editor.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The program and its arguments for File at Line and Column: Command is split into words as run
// parameters are, then "{file}", "{line}" and "{col}" are filled in within each word, so a path
// with blanks stays one argument. Empty when Command holds no word.
std::vector<std::string> EditorCommandWords(std::string_view Command, const std::string& File,
                                            int Line, int Column);

// N of a "[Line N] ..." entry of the results tree; 0 for any other text.
int EntryLineNumber(std::string_view Text);
