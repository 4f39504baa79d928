// Finding and counting line breaks, sixteen bytes at a time where the machine allows.
#include "files/uFL_LineBreaks.h"

#include <cstdint>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

size_t FindBreak(const char* Text, size_t From, size_t To) {
  size_t i = From;
#ifdef __SSE2__
  const __m128i Cr = _mm_set1_epi8('\r'), Lf = _mm_set1_epi8('\n');
  for (; i + 16 <= To; i += 16) {
    const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Text + i));
    const unsigned M =
        unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(V, Cr), _mm_cmpeq_epi8(V, Lf))));
    if (M) return i + size_t(__builtin_ctz(M));
  }
#endif
  for (; i < To; ++i)
    if (Text[i] == '\r' || Text[i] == '\n') return i;
  return To;
}

namespace {

#if defined(__x86_64__) && defined(__GNUC__)
#define FERROLIN_AVX2_BREAKS 1
// Sixty-four bytes a step with the wider vectors and a popcount instruction, where the processor
// has them (every x86-64 of the last decade); the baseline build may assume neither.
__attribute__((target("avx2,popcnt"))) size_t CountBreaksWide(const char* Text, size_t& I,
                                                              size_t To, size_t& Last,
                                                              size_t& BreakBytes) {
  size_t Count = 0;
  size_t LastBlock = 0;
  uint64_t LastMask = 0;
  const __m256i CrV = _mm256_set1_epi8('\r'), LfV = _mm256_set1_epi8('\n');
  size_t i = I;
  for (; i + 64 <= To; i += 64) {
    const __m256i A = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Text + i));
    const __m256i B = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Text + i + 32));
    const uint64_t Cr = uint64_t(uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(A, CrV)))) |
                        uint64_t(uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(B, CrV)))) << 32;
    const uint64_t Lf = uint64_t(uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(A, LfV)))) |
                        uint64_t(uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(B, LfV)))) << 32;
    if (!(Cr | Lf)) continue;
    const size_t Bytes = size_t(__builtin_popcountll(Cr) + __builtin_popcountll(Lf));
    BreakBytes += Bytes;
    Count += Bytes - size_t(__builtin_popcountll(Cr & (Lf >> 1)));
    if ((Cr >> 63) && i + 64 < To && Text[i + 64] == '\n') --Count;
    LastBlock = i;
    LastMask = Cr | Lf;
  }
  if (LastMask) Last = LastBlock + 63 - size_t(__builtin_clzll(LastMask));
  I = i;
  return Count;
}

bool HasWideBreaks() {
  static const bool Has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
  return Has;
}

// Sixty-four bytes a compare, straight into bit masks, and the end of the range read with the
// bytes past it masked off: no narrower loop for the tail. Hits of a common term lie a few hundred
// bytes apart, and the breaks between each two are counted on their own.
__attribute__((target("avx512f,avx512bw,popcnt"))) size_t CountBreaks512(const char* Text,
                                                                         size_t From, size_t To,
                                                                         size_t& Last,
                                                                         size_t& BreakBytes) {
  size_t Count = 0;
  size_t LastBlock = 0;
  uint64_t LastMask = 0;
  const __m512i CrV = _mm512_set1_epi8('\r'), LfV = _mm512_set1_epi8('\n');
  for (size_t i = From; i < To; i += 64) {
    const size_t N = To - i;
    const __m512i V = N >= 64 ? _mm512_loadu_si512(Text + i)
                              : _mm512_maskz_loadu_epi8((uint64_t(1) << N) - 1, Text + i);
    const uint64_t Cr = _mm512_cmpeq_epi8_mask(V, CrV);
    const uint64_t Lf = _mm512_cmpeq_epi8_mask(V, LfV);
    if (!(Cr | Lf)) continue;
    const size_t Bytes = size_t(__builtin_popcountll(Cr) + __builtin_popcountll(Lf));
    BreakBytes += Bytes;
    Count += Bytes - size_t(__builtin_popcountll(Cr & (Lf >> 1)));
    if ((Cr >> 63) && i + 64 < To && Text[i + 64] == '\n') --Count;
    LastBlock = i;
    LastMask = Cr | Lf;
  }
  if (LastMask) Last = LastBlock + 63 - size_t(__builtin_clzll(LastMask));
  return Count;
}

bool HasWidestBreaks() {
  static const bool Has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                          __builtin_cpu_supports("popcnt");
  return Has;
}
#endif

}  // namespace

size_t CountBreaks(const char* Text, size_t From, size_t To, size_t& LineStart,
                   size_t* BreakBytes) {
  // Every CR and every LF is a break, less one for each CR directly followed by an LF.
  size_t Count = 0;
  size_t Bytes = 0;          // CR and LF bytes
  size_t Last = size_t(-1);  // the last break byte seen
  size_t i = From;
#ifdef FERROLIN_AVX2_BREAKS
  if (HasWidestBreaks()) {
    Count = CountBreaks512(Text, From, To, Last, Bytes);
    i = To;
  } else if (HasWideBreaks()) {
    Count += CountBreaksWide(Text, i, To, Last, Bytes);
  }
#endif
#ifdef __SSE2__
  const __m128i CrV = _mm_set1_epi8('\r'), LfV = _mm_set1_epi8('\n');
  for (; i + 16 <= To; i += 16) {
    const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Text + i));
    const unsigned Cr = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(V, CrV)));
    const unsigned Lf = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(V, LfV)));
    if (!(Cr | Lf)) continue;
    const unsigned N = BitsInMask16(Cr) + BitsInMask16(Lf);
    Bytes += N;
    Count += N - BitsInMask16(Cr & (Lf >> 1));
    if ((Cr & 0x8000u) && i + 16 < To && Text[i + 16] == '\n') --Count;
    Last = i + 31 - size_t(__builtin_clz(Cr | Lf));
  }
#endif
  for (; i < To; ++i) {
    const char C = Text[i];
    if (C != '\r' && C != '\n') continue;
    Last = i;
    ++Bytes;
    if (C == '\n' || i + 1 >= To || Text[i + 1] != '\n') ++Count;
  }
  LineStart = Last == size_t(-1) ? From : Last + 1;
  if (BreakBytes) *BreakBytes = Bytes;
  return Count;
}
