// Builders for test texts.
#pragma once

#include <string>
#include <string_view>

// Piece, Times times over.
inline std::string Repeat(std::string_view Piece, int Times) {
  std::string S;
  S.reserve(Piece.size() * size_t(Times > 0 ? Times : 0));
  for (int i = 0; i < Times; ++i) S += Piece;
  return S;
}
