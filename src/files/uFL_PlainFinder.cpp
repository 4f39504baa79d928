// The plain-term finder: the rarest byte of the term is looked for first (in both cases when case
// is ignored), sixteen bytes at a time where the machine allows, and each place it stands is then
// compared with the whole term.
#include "files/uFL_PlainFinder.h"

#include <array>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// How common a byte is in source code and text: 0 for the rarest. Bytes not listed (other
// punctuation, control bytes, bytes of 128 and above) count as rare.
std::array<unsigned char, 256> MakeCommonness() {
  static const char Common[] =
      " etaoinsrlcdhupmf;=()gyb.,wv_'k0123456789:\tETAOINSRLCDHUPMFGYBWVKxXjJqQzZ-+*/<>[]{}\"#";
  std::array<unsigned char, 256> Rank{};
  const size_t N = sizeof Common - 1;
  for (size_t i = 0; i < N; ++i)
    Rank[static_cast<unsigned char>(Common[i])] = (unsigned char)(N - i);
  return Rank;
}

const std::array<unsigned char, 256>& Commonness() {
  static const std::array<unsigned char, 256> Rank = MakeCommonness();
  return Rank;
}

bool IsUpper(unsigned char C) {
  return C >= 'A' && C <= 'Z';
}
char UpCase(char C) {
  return (C >= 'a' && C <= 'z') ? char(C - 32) : C;
}

}  // namespace

TPlainFinder::TPlainFinder(std::string_view Pattern, bool Fold) : FPattern(Pattern), FFold(Fold) {
  const auto& Rank = Commonness();
  unsigned Best = 1000;
  for (size_t i = 0; i < FPattern.size(); ++i) {
    const unsigned char C = static_cast<unsigned char>(FPattern[i]);
    // Both cases of a letter are looked for when case is ignored: the more common one counts.
    const unsigned R = Fold && IsUpper(C) ? Rank[C | 0x20u] : Rank[C];
    if (R < Best) {
      Best = R;
      FRare = i;
    }
  }
  if (FPattern.empty()) return;
  FRareByte = static_cast<unsigned char>(FPattern[FRare]);
  FRareBothCases = Fold && IsUpper(FRareByte);
  if (FRareBothCases) FRareByte |= 0x20;
}

bool TPlainFinder::Matches(const char* At) const {
  const size_t T = FPattern.size();
  if (!FFold) return memcmp(At, FPattern.data(), T) == 0;
  for (size_t i = 0; i < T; ++i)
    if (UpCase(At[i]) != FPattern[i]) return false;
  return true;
}

// The first place in Text[From, To) of the rare byte, in either case when asked.
size_t TPlainFinder::FindRare(const char* Text, size_t From, size_t To) const {
  if (!FRareBothCases) {
    const void* P = memchr(Text + From, FRareByte, To - From);
    return P ? size_t(static_cast<const char*>(P) - Text) : npos;
  }
  // A letter ORed with 0x20 is its lower case, and only its two cases give that byte.
  size_t i = From;
#ifdef __SSE2__
  const __m128i Lower = _mm_set1_epi8(char(FRareByte)), Bit = _mm_set1_epi8(0x20);
  for (; i + 16 <= To; i += 16) {
    const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Text + i));
    const unsigned M = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(V, Bit), Lower)));
    if (M) return i + size_t(__builtin_ctz(M));
  }
#endif
  for (; i < To; ++i)
    if ((static_cast<unsigned char>(Text[i]) | 0x20u) == FRareByte) return i;
  return npos;
}

size_t TPlainFinder::Find(const char* Text, size_t From, size_t To) const {
  const size_t T = FPattern.size();
  if (T == 0 || To < From || To - From < T) return npos;
  // The rare byte of an occurrence at S stands at S + FRare; an occurrence must end by To.
  const size_t Last = To - T + FRare + 1;  // one past the last place the rare byte can stand
  size_t Misses = 0;
  for (size_t At = From + FRare; At < Last;) {
    const size_t R = FindRare(Text, At, Last);
    if (R == npos) return npos;
    if (Matches(Text + R - FRare)) return R - FRare;
    At = R + 1;
    // A byte that is not rare in this text after all: the library's search, whose time does not
    // grow with the term's length, takes over (every start before At - FRare is ruled out).
    if (!FFold && ++Misses > 32 && R - From < Misses * 32) {
      const size_t S = At - FRare;
      const void* P = memmem(Text + S, To - S, FPattern.data(), T);
      return P ? size_t(static_cast<const char*>(P) - Text) : npos;
    }
  }
  return npos;
}
