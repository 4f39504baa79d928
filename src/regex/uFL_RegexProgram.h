// A compiled regular expression: the node program and the search-start data worked out from it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "regex/uFL_RegexByteScan.h"

// What a successful compile hands to the engine. The compiler builds it whole, so a failed compile
// leaves nothing half-made behind; the matcher and the prefilter only read it.
struct TRegexProgram {
  std::vector<uint8_t> Code;  // signature byte, then the nodes (uFL_RegexOpcodes.h); empty: none
  uint32_t Modifiers = 0;     // the modifier flags it was compiled under

  // Search-start data. Text fields are offsets into Code, 0 for none.
  unsigned char StartChar = 0;  // every match begins with it (0: no such character)
  bool AnchoredAtStart = false;
  int32_t RequiredText = 0;  // a literal every match holds, checked before any attempt
  int32_t RequiredLength = 0;
  int32_t ImpliedText = 0;  // a literal every match holds, where RequiredText is not used
  int32_t ImpliedLength = 0;
  TRegexByteSet StartCharSet{};
  TRegexByteScan StartScan;  // StartCharSet as nibble tables
  int32_t HeadText = 0;      // the literal every attempt starts with (2 characters or more)
  int32_t HeadLength = 0;
  bool HeadCaseless = false;
  bool HeadBoundary = false;      // every attempt starts with \b
  unsigned char StartSingle = 0;  // the only member of StartCharSet, when it has exactly one
  bool StartIsSingle = false;

  bool Empty() const { return Code.empty(); }
};
