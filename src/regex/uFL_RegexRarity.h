// How common a byte is in source text: the matcher and the prefilter anchor their scans on rare
// ones.
#pragma once

#include <cstdint>

// Higher for rarer bytes: blanks and the frequent lower-case letters are everywhere, punctuation
// is not.
constexpr int RegexByteRarity(uint8_t Ch) {
  if (Ch == ' ' || Ch == '\t') return 0;
  switch (Ch) {
    case 'e':
    case 't':
    case 'a':
    case 'o':
    case 'i':
    case 'n':
    case 's':
    case 'r':
      return 1;
    default:
      break;
  }
  if (Ch >= 'a' && Ch <= 'z') return 2;
  if ((Ch >= 'A' && Ch <= 'Z') || (Ch >= '0' && Ch <= '9') || Ch == '_') return 3;
  return Ch < 0x80 ? 4 : 5;
}
