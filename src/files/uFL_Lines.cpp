// Line storage of a loaded file.
#include "files/uFL_Lines.h"

#include <cstring>

std::string TLines::Assign(std::string&& Text) {
  Clear();
  FBuffer = std::move(Text);
  std::string Break;
  const char* Base = FBuffer.data();
  const size_t Size = FBuffer.size();
  size_t Start = 0, i = 0;
  while (i < Size) {
    // Find the next CR or LF quickly: most bytes are neither.
    const void* Lf = memchr(Base + i, '\n', Size - i);
    size_t LfPos = Lf ? size_t(static_cast<const char*>(Lf) - Base) : Size;
    const void* Cr = memchr(Base + i, '\r', LfPos - i);
    size_t Pos = Cr ? size_t(static_cast<const char*>(Cr) - Base) : LfPos;
    if (Pos >= Size) break;
    FSpans.push_back({Start, Pos - Start, 0});
    size_t Next = Pos + 1;
    if (Base[Pos] == '\r' && Next < Size && Base[Next] == '\n') ++Next;
    if (Break.empty()) Break.assign(Base + Pos, Next - Pos);
    Start = i = Next;
  }
  if (Start < Size) FSpans.push_back({Start, Size - Start, 0});
  return Break;
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
  // The buffer goes (it can be large); the span array keeps its capacity for the next file.
  FBuffer = std::string();
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
