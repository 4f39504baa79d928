// XXH3-128: fast enough to hash every replaced file twice without showing in the replace's time,
// and wide enough that a file edited after a replace never passes for the replaced content.
#include "journal/uFL_ContentHash.h"

#include <xxhash.h>

#include <cstdio>

std::string ContentHash(std::string_view Bytes) {
  const XXH128_hash_t H = XXH3_128bits(Bytes.data(), Bytes.size());
  char Text[33];
  std::snprintf(Text, sizeof Text, "%016llx%016llx", static_cast<unsigned long long>(H.high64),
                static_cast<unsigned long long>(H.low64));
  return std::string(Text, 32);
}
