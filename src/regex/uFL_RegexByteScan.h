// Finding the next byte of a set, for the places where a match may begin.
#pragma once

#include <array>
#include <cstdint>

// One flag per character code.
using TRegexByteSet = std::array<uint8_t, 256>;

// A byte set as two tables of sixteen: a byte is a member when the bucket bits of its low and its
// high half meet. Any set whose high halves fall into at most eight kinds of rows fits, which
// covers the classes expressions begin with (digits, letters, word characters, a few symbols);
// such a set is looked for 32 bytes a step where the processor has the wider vectors.
struct TRegexByteScan {
  bool Usable = false;
  std::array<uint8_t, 16> Low{};
  std::array<uint8_t, 16> High{};

  static TRegexByteScan Build(const TRegexByteSet& Set);
};

// The first place in [From, End) whose byte is in Set, or End.
const uint8_t* NextInByteSet(const TRegexByteSet& Set, const TRegexByteScan& Scan,
                             const uint8_t* From, const uint8_t* End);
