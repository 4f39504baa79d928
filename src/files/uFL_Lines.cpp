// Line storage of a loaded file.
#include "files/uFL_Lines.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

std::string TLines::Assign(std::string&& Text) {
  Clear();
  FBuffer = std::move(Text);
  const char* Base = FBuffer.data();
  const size_t Size = FBuffer.size();
  size_t Start = 0;
  size_t PairedLf = size_t(-1);  // the LF of a CR LF just taken as one break
  size_t FirstBreak = 0;         // length of the first break: 0 none, 1 CR or LF, 2 CR LF
  char FirstChar = 0;
  // Splitting is most of the cost of loading a file: the bytes are looked at once, sixteen at a
  // time where the machine allows, and every break found in a block is taken from its bit mask.
  size_t i = 0;
#ifdef __SSE2__
  const __m128i Cr = _mm_set1_epi8('\r'), Lf = _mm_set1_epi8('\n');
  for (; i + 16 <= Size; i += 16) {
    const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Base + i));
    unsigned Mask =
        unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(V, Cr), _mm_cmpeq_epi8(V, Lf))));
    for (; Mask; Mask &= Mask - 1) {
      const size_t Pos = i + size_t(__builtin_ctz(Mask));
      if (Pos == PairedLf) continue;
      FSpans.push_back({Start, Pos - Start, 0});
      Start = Pos + 1;
      if (Base[Pos] == '\r' && Start < Size && Base[Start] == '\n') PairedLf = Start++;
      if (!FirstBreak) {
        FirstBreak = Start - Pos;
        FirstChar = Base[Pos];
      }
    }
  }
#endif
  for (; i < Size; ++i) {
    if ((Base[i] != '\r' && Base[i] != '\n') || i == PairedLf) continue;
    FSpans.push_back({Start, i - Start, 0});
    Start = i + 1;
    if (Base[i] == '\r' && Start < Size && Base[Start] == '\n') PairedLf = Start++;
    if (!FirstBreak) {
      FirstBreak = Start - i;
      FirstChar = Base[i];
    }
  }
  if (Start < Size) FSpans.push_back({Start, Size - Start, 0});
  if (!FirstBreak) return std::string();
  return FirstBreak == 2 ? "\r\n" : FirstChar == '\r' ? "\r" : "\n";
}

std::string TLines::TakeBuffer() {
  std::string Buffer = std::move(FBuffer);
  FBuffer = std::string();
  Clear();
  Buffer.clear();
  return Buffer;
}

void TLines::Set(int Index, std::string Text) {
  TSpan& S = FSpans[size_t(Index)];
  if (S.Owned) {
    FOwned[S.Offset] = std::move(Text);
    return;
  }
  FOwned.push_back(std::move(Text));
  S = {FOwned.size() - 1, 0, 1};
}

void TLines::Insert(int Index, std::string Text) {
  FOwned.push_back(std::move(Text));
  FSpans.insert(FSpans.begin() + Index, TSpan{FOwned.size() - 1, 0, 1});
}

void TLines::Delete(int Index) {
  // An owned string left behind is freed with the next Clear; deletions are rare.
  FSpans.erase(FSpans.begin() + Index);
}

void TLines::Clear() {
  // A buffer of ordinary size is kept for the next file (TakeBuffer), so that loading file after
  // file reuses one buffer instead of fresh pages each time; a large one goes.
  if (FBuffer.capacity() > KeptBufferLimit)
    FBuffer = std::string();
  else
    FBuffer.clear();
  FSpans.clear();
  FOwned.clear();
}

uint64_t TLines::TextLength() const {
  uint64_t N = 0;
  for (int i = 0; i < Count(); ++i) N += (*this)[i].size();
  return N;
}

std::string TLines::Join(std::string_view Eol) const {
  std::string Out;
  Out.reserve(TextLength() + FSpans.size() * Eol.size());
  for (int i = 0; i < Count(); ++i) {
    Out += (*this)[i];
    Out += Eol;
  }
  return Out;
}
