// Line storage of a loaded file.
#include "files/uFL_Lines.h"

#include "files/uFL_LineBreaks.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

std::string_view BreakText(TLines::TBreak Break) {
  switch (Break) {
    case TLines::lbLf:
      return "\n";
    case TLines::lbCr:
      return "\r";
    case TLines::lbCrLf:
      return "\r\n";
    case TLines::lbNone:
      break;
  }
  return {};
}

namespace {

TLines::TBreak BreakAt(const char* Base, size_t Pos, size_t Size) {
  if (Base[Pos] == '\n') return TLines::lbLf;
  return Pos + 1 < Size && Base[Pos + 1] == '\n' ? TLines::lbCrLf : TLines::lbCr;
}

}  // namespace

std::string TLines::Assign(TTextBuffer&& Text) {
  Clear();
  FBuffer = std::move(Text);
  FCounted = FBuffer.Empty();
  const char* Base = FBuffer.Data();
  const size_t Size = FBuffer.Size();
  const size_t First = FindBreak(Base, 0, Size);
  FFirstBreak = First == Size ? lbNone : BreakAt(Base, First, Size);
  return std::string(BreakText(FFirstBreak));
}

void TLines::CountLines() const {
  FCounted = true;
  const char* Base = FBuffer.Data();
  const size_t Size = FBuffer.Size();
  size_t LastLineStart = 0, BreakBytes = 0;
  const size_t Breaks = CountBreaks(Base, 0, Size, LastLineStart, &BreakBytes);
  FCount = int(Breaks + (LastLineStart < Size ? 1 : 0));
  FTextLength = Size - BreakBytes;
}

void TLines::Split() const {
  FSplit = true;
  FSpans.clear();
  FSpans.reserve(size_t(FCounted ? FCount : 0));
  const char* Base = FBuffer.Data();
  const size_t Size = FBuffer.Size();
  size_t Start = 0;
  size_t PairedLf = size_t(-1);  // the LF of a CR LF just taken as one break
  auto Cut = [&](size_t Pos) {
    const TBreak B = BreakAt(Base, Pos, Size);
    FSpans.push_back({Start, Pos - Start, B, 0});
    Start = Pos + 1;
    if (B == lbCrLf) PairedLf = Start++;
  };
  // Every break found in a block is taken from its bit mask.
  size_t i = 0;
#ifdef __SSE2__
  const __m128i Cr = _mm_set1_epi8('\r'), Lf = _mm_set1_epi8('\n');
  for (; i + 16 <= Size; i += 16) {
    const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Base + i));
    unsigned Mask =
        unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(V, Cr), _mm_cmpeq_epi8(V, Lf))));
    for (; Mask; Mask &= Mask - 1) {
      const size_t Pos = i + size_t(__builtin_ctz(Mask));
      if (Pos != PairedLf) Cut(Pos);
    }
  }
#endif
  for (; i < Size; ++i)
    if ((Base[i] == '\r' || Base[i] == '\n') && i != PairedLf) Cut(i);
  if (Start < Size) FSpans.push_back({Start, Size - Start, lbNone, 0});
}

TLines::TBreak TLines::BreakOf(int Index) const {
  if (!FSplit) Split();
  return TBreak(FSpans[size_t(Index)].Break);
}

TTextBuffer TLines::TakeBuffer() {
  TTextBuffer Buffer = std::move(FBuffer);
  Clear();
  Buffer.Clear();
  return Buffer;
}

void TLines::Set(int Index, std::string Text) {
  if (!FSplit) Split();
  FEdited = true;
  TSpan& S = FSpans[size_t(Index)];
  if (S.Owned) {
    FOwned[S.Offset] = std::move(Text);
    return;
  }
  FOwned.push_back(std::move(Text));
  S = {FOwned.size() - 1, 0, S.Break, 1};
}

void TLines::Insert(int Index, std::string Text) {
  if (!FSplit) Split();
  FEdited = true;
  const bool Last = size_t(Index) == FSpans.size();
  uint64_t Break =
      FSpans.empty() ? uint64_t(lbNone) : FSpans[size_t(Index > 0 ? Index - 1 : 0)].Break;
  if (Break == lbNone && !Last) Break = DefaultBreak();
  if (Last && Index > 0 && FSpans[size_t(Index - 1)].Break == lbNone) {
    FSpans[size_t(Index - 1)].Break = DefaultBreak();
    Break = lbNone;
  }
  FOwned.push_back(std::move(Text));
  FSpans.insert(FSpans.begin() + Index, TSpan{FOwned.size() - 1, 0, Break, 1});
}

void TLines::Delete(int Index) {
  if (!FSplit) Split();
  FEdited = true;
  // The line before a deleted last line takes over its ending, so a file without a final break
  // stays without one.
  if (Index > 0 && size_t(Index) + 1 == FSpans.size())
    FSpans[size_t(Index - 1)].Break = FSpans[size_t(Index)].Break;
  // An owned string left behind is freed with the next Clear; deletions are rare.
  FSpans.erase(FSpans.begin() + Index);
}

void TLines::Clear() {
  // A buffer of ordinary size is kept for the next file (TakeBuffer), so that loading file after
  // file reuses one buffer instead of fresh pages each time; a large one goes.
  if (FBuffer.Capacity() > KeptBufferLimit)
    FBuffer.Release();
  else
    FBuffer.Clear();
  FSpans.clear();
  FSplit = false;
  FCount = 0;
  FTextLength = 0;
  FCounted = true;
  FFirstBreak = lbNone;
  FEdited = false;
  FOwned.clear();
}

uint64_t TLines::TextLength() const {
  if (!FSplit) {
    if (!FCounted) CountLines();
    return FTextLength;
  }
  uint64_t N = 0;
  for (int i = 0; i < Count(); ++i) N += (*this)[i].size();
  return N;
}

std::string TLines::Join(std::string_view Eol) const {
  std::string Out;
  Out.reserve(TextLength() + size_t(Count()) * Eol.size());
  for (int i = 0; i < Count(); ++i) {
    Out += (*this)[i];
    Out += Eol;
  }
  return Out;
}

std::string TLines::Bytes() const {
  if (!FEdited) return std::string(FBuffer.View());
  std::string Out;
  Out.reserve(TextLength() + 2 * size_t(Count()));
  for (int i = 0; i < Count(); ++i) {
    Out += (*this)[i];
    Out += BreakText(BreakOf(i));
  }
  return Out;
}
