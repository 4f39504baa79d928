// Finding and counting line breaks, sixteen bytes at a time where the machine allows.
#include "files/uFL_LineBreaks.h"

#ifdef __SSE2__
#include <emmintrin.h>
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

size_t CountBreaks(const char* Text, size_t From, size_t To, size_t& LineStart) {
  // Every CR and every LF is a break, less one for each CR directly followed by an LF.
  size_t Count = 0;
  size_t Last = size_t(-1);  // the last break byte seen
  size_t i = From;
#ifdef __SSE2__
  const __m128i CrV = _mm_set1_epi8('\r'), LfV = _mm_set1_epi8('\n');
  for (; i + 16 <= To; i += 16) {
    const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Text + i));
    const unsigned Cr = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(V, CrV)));
    const unsigned Lf = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(V, LfV)));
    if (!(Cr | Lf)) continue;
    Count += unsigned(BitsInMask16(Cr) + BitsInMask16(Lf)) - unsigned(BitsInMask16(Cr & (Lf >> 1)));
    if ((Cr & 0x8000u) && i + 16 < To && Text[i + 16] == '\n') --Count;
    Last = i + 31 - size_t(__builtin_clz(Cr | Lf));
  }
#endif
  for (; i < To; ++i) {
    const char C = Text[i];
    if (C != '\r' && C != '\n') continue;
    Last = i;
    if (C == '\n' || i + 1 >= To || Text[i + 1] != '\n') ++Count;
  }
  LineStart = Last == size_t(-1) ? From : Last + 1;
  return Count;
}
