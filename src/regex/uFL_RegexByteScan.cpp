// The byte-set scan: nibble tables, and the wide loop where the processor allows.
#include "regex/uFL_RegexByteScan.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define FERROLIN_WIDE_BYTE_SCAN 1
#endif

TRegexByteScan TRegexByteScan::Build(const TRegexByteSet& Set) {
  TRegexByteScan Scan;
  std::array<uint16_t, 8> Rows{};  // the low halves present, per bucket
  int Buckets = 0;
  for (int Hi = 0; Hi < 16; ++Hi) {
    uint16_t Row = 0;
    for (int Lo = 0; Lo < 16; ++Lo)
      if (Set[size_t(Hi * 16 + Lo)]) Row = uint16_t(Row | (1u << Lo));
    if (Row == 0) continue;
    int B = 0;
    while (B < Buckets && Rows[size_t(B)] != Row) ++B;
    if (B == Buckets) {
      if (Buckets == 8) return {};  // too many kinds of rows: the plain loop serves
      Rows[size_t(Buckets++)] = Row;
    }
    Scan.High[size_t(Hi)] = uint8_t(1u << B);
  }
  for (int B = 0; B < Buckets; ++B)
    for (int Lo = 0; Lo < 16; ++Lo)
      if (Rows[size_t(B)] & (1u << Lo)) Scan.Low[size_t(Lo)] |= uint8_t(1u << B);
  Scan.Usable = Buckets > 0;
  return Scan;
}

namespace {

#ifdef FERROLIN_WIDE_BYTE_SCAN
__attribute__((target("avx2"))) const uint8_t* NextWide(const TRegexByteScan& Scan,
                                                        const uint8_t* At, const uint8_t* End) {
  const __m128i Low128 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Scan.Low.data()));
  const __m128i High128 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Scan.High.data()));
  const __m256i Low = _mm256_broadcastsi128_si256(Low128);
  const __m256i High = _mm256_broadcastsi128_si256(High128);
  const __m256i Nibble = _mm256_set1_epi8(0x0f);
  for (; End - At >= 32; At += 32) {
    const __m256i V = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(At));
    const __m256i L = _mm256_shuffle_epi8(Low, _mm256_and_si256(V, Nibble));
    const __m256i H = _mm256_shuffle_epi8(High, _mm256_and_si256(_mm256_srli_epi16(V, 4), Nibble));
    const __m256i None = _mm256_cmpeq_epi8(_mm256_and_si256(L, H), _mm256_setzero_si256());
    const uint32_t Hits = ~uint32_t(_mm256_movemask_epi8(None));
    if (Hits) return At + __builtin_ctz(Hits);
  }
  return At;
}

bool HasWideScan() {
  static const bool Has = __builtin_cpu_supports("avx2");
  return Has;
}
#endif

}  // namespace

const uint8_t* NextInByteSet(const TRegexByteSet& Set, const TRegexByteScan& Scan,
                             const uint8_t* From, const uint8_t* End) {
  const uint8_t* At = From;
#ifdef FERROLIN_WIDE_BYTE_SCAN
  if (Scan.Usable && End - At >= 32 && HasWideScan()) {
    At = NextWide(Scan, At, End);
    if (End - At >= 32) return At;  // a member within the wide steps
  }
#else
  (void)Scan;
#endif
  while (At < End && !Set[*At]) ++At;
  return At;
}
