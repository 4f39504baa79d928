// Finding a plain term in a byte buffer, with or without regard to ASCII letter case, without
// copying or upper-casing the text searched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#if defined(__x86_64__) && defined(__GNUC__)
#define FERROLIN_WIDE_FINDER 1
#endif

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
  // One byte of the term as the scan compares it: both cases of a letter when case is ignored.
  struct TProbe {
    size_t Index = 0;        // in the pattern
    unsigned char Byte = 0;  // in lower case when BothCases
    bool BothCases = false;
  };
  TProbe ProbeAt(size_t Index) const;
  bool Matches(const char* At) const;
  bool Candidates(const char* Text, size_t S, uint32_t M, size_t Width, size_t From, size_t To,
                  size_t& Misses, size_t& Found) const;
#ifdef FERROLIN_WIDE_FINDER
  bool FindWide(const char* Text, size_t& S, size_t End, size_t From, size_t To, size_t& Misses,
                size_t& Found) const;
#endif
  bool ProbesMatch(const char* At) const;

  std::string FPattern;
  bool FFold;
  // The two rarest bytes of the term (the same one for a term of one byte): a place is compared
  // with the whole term only when both stand where they belong.
  TProbe FFirst, FSecond;
};
