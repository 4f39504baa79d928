// The hash that tells whether a file still holds the bytes the journal recorded.
#pragma once

#include <string>
#include <string_view>

// 128-bit XXH3 of Bytes as 32 lower-case hex digits.
std::string ContentHash(std::string_view Bytes);
