// The 28 file types of the file selection page, in the page's order.
#pragma once

#include <array>
#include <string_view>

inline constexpr std::array<std::string_view, 28> FileTypeMasks = {
    "*.*",   "*.asc", "*.bas", "*.bdy", "*.cfg",  "*.com", "*.cpp", "*.def", "*.dfm", "*.doc",
    "*.dpr", "*.exe", "*.exp", "*.htm", "*.html", "*.inc", "*.ind", "*.ini", "*.log", "*.lpt",
    "*.pas", "*.pck", "*.pdf", "*.php", "*.prn",  "*.spc", "*.sql", "*.txt"};

// Index of Mask among the file types, or -1.
inline int FileTypeIndex(std::string_view Mask) {
  for (size_t i = 0; i < FileTypeMasks.size(); ++i)
    if (FileTypeMasks[i] == Mask) return int(i);
  return -1;
}
