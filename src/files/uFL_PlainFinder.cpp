// The plain-term finder: the two rarest bytes of the term are looked for together (both cases of
// a letter when case is ignored), sixteen places at a time where the machine allows, and only a
// place where both stand is compared with the whole term.
#include "files/uFL_PlainFinder.h"

#include <cstdint>
#include <cstring>

#include "regex/uFL_RegexRarity.h"
#include "support/uFL_Utils.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#ifdef FERROLIN_WIDE_FINDER
#include <immintrin.h>
#endif

namespace {

bool IsUpper(unsigned char C) {
  return C >= 'A' && C <= 'Z';
}

}  // namespace

TPlainFinder::TProbe TPlainFinder::ProbeAt(size_t Index) const {
  TProbe P;
  P.Index = Index;
  P.Byte = static_cast<unsigned char>(FPattern[Index]);
  // A letter ORed with 0x20 is its lower case, and only its two cases give that byte.
  P.BothCases = FFold && IsUpper(P.Byte);
  if (P.BothCases) P.Byte |= 0x20;
  return P;
}

TPlainFinder::TPlainFinder(std::string_view Pattern, bool Fold) : FPattern(Pattern), FFold(Fold) {
  if (FPattern.empty()) return;
  // Both cases of a letter are looked for when case is ignored: the more common one counts.
  auto Rarity = [&](size_t i) {
    const unsigned char C = static_cast<unsigned char>(FPattern[i]);
    return RegexByteRarity(Fold && IsUpper(C) ? uint8_t(C | 0x20u) : C);
  };
  size_t First = 0;
  for (size_t i = 1; i < FPattern.size(); ++i)
    if (Rarity(i) > Rarity(First)) First = i;
  size_t Second = First;
  for (size_t i = 0; i < FPattern.size(); ++i)
    if (i != First && (Second == First || Rarity(i) > Rarity(Second))) Second = i;
  FFirst = ProbeAt(First);
  FSecond = ProbeAt(Second);
}

bool TPlainFinder::Matches(const char* At) const {
  const size_t T = FPattern.size();
  if (!FFold) return memcmp(At, FPattern.data(), T) == 0;
  for (size_t i = 0; i < T; ++i)
    if (UpCaseAscii(At[i]) != FPattern[i]) return false;
  return true;
}

bool TPlainFinder::ProbesMatch(const char* At) const {
  auto Is = [At](const TProbe& P) {
    const unsigned char C = static_cast<unsigned char>(At[P.Index]);
    return (P.BothCases ? C | 0x20u : C) == P.Byte;
  };
  return Is(FFirst) && Is(FSecond);
}

// The places of one step of Width that hold both probes (bit k of M: the place S + k), tried in
// turn. True, with the answer in Found, when the search ends here: at a match, or because the
// probe bytes are not rare in this text after all, when the library's search, whose time does
// not grow with the term's length, takes over for the rest (every start before S + Width is out).
inline bool TPlainFinder::Candidates(const char* Text, size_t S, uint32_t M, size_t Width,
                                     size_t From, size_t To, size_t& Misses, size_t& Found) const {
  for (; M; M &= M - 1) {
    const size_t At = S + size_t(__builtin_ctz(M));
    if (Matches(Text + At)) {
      Found = At;
      return true;
    }
    ++Misses;
  }
  if (!FFold && Misses > 64 && (S + Width - From) < Misses * 16) {
    const void* P = memmem(Text + S + Width, To - (S + Width), FPattern.data(), FPattern.size());
    Found = P ? size_t(static_cast<const char*>(P) - Text) : npos;
    return true;
  }
  return false;
}

#ifdef FERROLIN_WIDE_FINDER
// The scan of Find 32 places a step; S comes back at the first place not looked at, or with the
// answer in Found.
__attribute__((target("avx2"))) bool TPlainFinder::FindWide(const char* Text, size_t& S, size_t End,
                                                            size_t From, size_t To, size_t& Misses,
                                                            size_t& Found) const {
  const __m256i Bit = _mm256_set1_epi8(0x20);
  const __m256i B1 = _mm256_set1_epi8(char(FFirst.Byte)), B2 = _mm256_set1_epi8(char(FSecond.Byte));
  const __m256i Or1 = FFirst.BothCases ? Bit : _mm256_setzero_si256();
  const __m256i Or2 = FSecond.BothCases ? Bit : _mm256_setzero_si256();
  for (; S + 32 <= End; S += 32) {
    const __m256i V1 =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Text + S + FFirst.Index));
    const __m256i V2 =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Text + S + FSecond.Index));
    uint32_t M = uint32_t(
        _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(_mm256_or_si256(V1, Or1), B1),
                                              _mm256_cmpeq_epi8(_mm256_or_si256(V2, Or2), B2))));
    if (Candidates(Text, S, M, 32, From, To, Misses, Found)) return true;
  }
  return false;
}

namespace {
bool HasWideFinder() {
  static const bool Has = __builtin_cpu_supports("avx2");
  return Has;
}
}  // namespace
#endif

size_t TPlainFinder::Find(const char* Text, size_t From, size_t To) const {
  const size_t T = FPattern.size();
  if (T == 0 || To < From || To - From < T) return npos;
  const size_t End = To - T + 1;  // one past the last place an occurrence can start
  size_t S = From;
  size_t Misses = 0;
#ifdef FERROLIN_WIDE_FINDER
  if (End - S >= 32 && HasWideFinder()) {
    size_t Found = npos;
    if (FindWide(Text, S, End, From, To, Misses, Found)) return Found;
  }
#endif
#ifdef __SSE2__
  const __m128i Bit = _mm_set1_epi8(0x20);
  const __m128i B1 = _mm_set1_epi8(char(FFirst.Byte)), B2 = _mm_set1_epi8(char(FSecond.Byte));
  const __m128i Or1 = FFirst.BothCases ? Bit : _mm_setzero_si128();
  const __m128i Or2 = FSecond.BothCases ? Bit : _mm_setzero_si128();
  for (; S + 16 <= End; S += 16) {
    const __m128i V1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Text + S + FFirst.Index));
    const __m128i V2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Text + S + FSecond.Index));
    unsigned M = unsigned(_mm_movemask_epi8(_mm_and_si128(
        _mm_cmpeq_epi8(_mm_or_si128(V1, Or1), B1), _mm_cmpeq_epi8(_mm_or_si128(V2, Or2), B2))));
    size_t Found;
    if (Candidates(Text, S, M, 16, From, To, Misses, Found)) return Found;
  }
#endif
  for (; S < End; ++S)
    if (ProbesMatch(Text + S) && Matches(Text + S)) return S;
  return npos;
}
