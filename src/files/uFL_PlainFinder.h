// Finding a plain term in a byte buffer, with or without regard to ASCII letter case, without
// copying or upper-casing the text searched.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class TPlainFinder {
 public:
  static constexpr size_t npos = size_t(-1);

  // Pattern is the term as searched: already upper-cased when Fold, as a case-insensitive plain
  // search compares both sides upper-cased (ASCII letters only; é and É stay different).
  TPlainFinder(std::string_view Pattern, bool Fold);

  // The offset of the leftmost occurrence that lies wholly in Text[From, To), or npos.
  size_t Find(const char* Text, size_t From, size_t To) const;
  size_t Size() const { return FPattern.size(); }
  // True when the term holds a CR or an LF: it then lies in no line.
  bool HoldsBreak() const { return FPattern.find_first_of("\r\n") != std::string::npos; }

 private:
  bool Matches(const char* At) const;
  size_t FindRare(const char* Text, size_t From, size_t To) const;

  std::string FPattern;
  bool FFold;
  size_t FRare = 0;             // index in the pattern of the byte that is looked for first
  unsigned char FRareByte = 0;  // that byte; in lower case when both cases are looked for
  bool FRareBothCases = false;
};
