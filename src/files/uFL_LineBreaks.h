// Line breaks in a byte buffer: finding the next one and counting them, for searches that map
// hits to lines without cutting the whole buffer into lines.
#pragma once

#include <cstddef>
#include <cstdint>

// The set bits of a 16-bit byte mask. Without a popcount instruction in the baseline instruction
// set the builtin becomes a library call per mask, which cost a sixth of a search's time; these few
// operations stay inline.
inline unsigned BitsInMask16(unsigned X) {
  X = X - ((X >> 1) & 0x5555u);
  X = (X & 0x3333u) + ((X >> 2) & 0x3333u);
  X = (X + (X >> 4)) & 0x0F0Fu;
  return (X + (X >> 8)) & 0x1Fu;
}

// The same for a 64-bit mask.
inline unsigned BitsInMask64(uint64_t X) {
  X = X - ((X >> 1) & 0x5555555555555555u);
  X = (X & 0x3333333333333333u) + ((X >> 2) & 0x3333333333333333u);
  X = (X + (X >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return unsigned((X * 0x0101010101010101u) >> 56);
}

// The offset of the first CR or LF in Text[From, To), or To.
size_t FindBreak(const char* Text, size_t From, size_t To);

// The number of line breaks in Text[From, To), a CR LF pair counting once; From is the start of a
// line, and To does not split a CR LF pair. LineStart gets the offset just after the last break
// (From when there is none): the start of the line that holds To.
// BreakBytes, when given, gets the number of CR and LF bytes.
size_t CountBreaks(const char* Text, size_t From, size_t To, size_t& LineStart,
                   size_t* BreakBytes = nullptr);
