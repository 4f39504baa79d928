// How common a byte is in source text: the plain finder, the matcher and the prefilter anchor
// their scans on rare ones.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace RegexRarityDetail {
// Bytes from the most common in source code and text on. Bytes not listed (other punctuation,
// control bytes, bytes of 128 and above) are the rarest.
inline constexpr std::string_view Common =
    " etaoinsrlcdhupmf;=()gyb.,wv_'k0123456789:\tETAOINSRLCDHUPMFGYBWVKxXjJqQzZ-+*/<>[]{}\"#";
inline constexpr auto Table = [] {
  std::array<uint8_t, 256> Rarity{};
  Rarity.fill(uint8_t(Common.size()));
  for (size_t i = 0; i < Common.size(); ++i)
    Rarity[static_cast<unsigned char>(Common[i])] = uint8_t(i);
  return Rarity;
}();
}  // namespace RegexRarityDetail

// Higher for rarer bytes.
constexpr int RegexByteRarity(uint8_t Ch) {
  return RegexRarityDetail::Table[Ch];
}
