// The working line of the source scan: one line's text, searched and cut many times over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A text searched for in the working line. A needle with an Id from 0 to TWorkLine::MaxNeedles - 1
// is remembered for the current line, and an Id always stands for the same text; Id -1 is
// searched afresh each time.
struct TNeedle {
  int Id = -1;
  std::string_view Text;
  uint64_t Bits = 0;  // BitOf every byte of Text

  constexpr TNeedle() = default;
  constexpr TNeedle(int NeedleId, std::string_view NeedleText)
      : Id(NeedleId), Text(NeedleText), Bits(BitsOf(NeedleText)) {}

  // One bit per byte value, modulo 64: a cheap superset of the bytes a text holds.
  static constexpr uint64_t BitOf(char C) {
    return uint64_t(1) << (static_cast<unsigned char>(C) & 63);
  }
  static constexpr uint64_t BitsOf(std::string_view T) {
    uint64_t B = 0;
    for (char C : T) B |= BitOf(C);
    return B;
  }
};

// The scan asks for the first occurrence of the same keywords again and again while it cuts words
// out of the line. Each needle therefore remembers where it was found and what is known to be
// free of it, and every cut updates that knowledge; the text lives in a gap buffer whose gap sits
// at the last cut. A line with many cuts thus costs about its length, not its length per cut.
class TWorkLine {
 public:
  static constexpr size_t npos = std::string::npos;
  static constexpr int MaxNeedles = 48;

  // Takes Text as the new line (upper-cased in ASCII when UpperCase) and forgets every needle.
  void Assign(std::string_view Text, bool UpperCase);

  size_t Size() const { return FBuf.size() - (FGapEnd - FGapStart); }
  bool Empty() const { return Size() == 0; }
  char At(size_t I) const { return I < FGapStart ? FBuf[I] : FBuf[I + (FGapEnd - FGapStart)]; }

  // 0-based position of the first occurrence of Needle at or after From; npos when there is
  // none. An empty needle is never found.
  size_t Find(const TNeedle& Needle, size_t From = 0) {
    return MayHold(Needle) ? FindPresent(Needle, From) : npos;
  }
  // False when the needle cannot occur in the line (some byte of it is missing).
  bool MayHold(const TNeedle& Needle) const {
    return (FBytes & Needle.Bits) == Needle.Bits && !Needle.Text.empty();
  }
  // Removes the characters [A, B).
  void Erase(size_t A, size_t B);
  // Removes blanks and control characters (bytes up to 32) from both ends.
  void Trim() {
    const size_t N = Size();
    if (N == 0 ||
        (static_cast<unsigned char>(At(0)) > ' ' && static_cast<unsigned char>(At(N - 1)) > ' '))
      return;
    TrimEnds();
  }

  std::string Substr(size_t A, size_t B) const;
  std::string Str() const { return Substr(0, Size()); }

 private:
  enum TState : uint8_t { stFound, stNone, stUnknown };
  // No occurrence starts in [Start, End). stFound: one starts at End. stNone: none starts at or
  // after Start. stUnknown: nothing is known from End on.
  struct TEntry {
    uint32_t Generation = 0;
    TState State = stNone;
    size_t Start = 0;
    size_t End = 0;
    std::string_view Text;
  };

  size_t FindPresent(const TNeedle& Needle, size_t From);
  void TrimEnds();
  size_t Scan(std::string_view Text, size_t From) const;
  bool MatchesAt(std::string_view Text, size_t Pos) const;
  void MoveGap(size_t To);
  void UpdateAfterErase(TEntry& E, size_t A, size_t B);

  std::string FBuf;
  // TNeedle::BitOf every byte of the line as assigned. Cuts only remove bytes, so a needle with a
  // byte whose bit is clear cannot occur; most keywords are ruled out so without reading the line.
  uint64_t FBytes = 0;
  size_t FGapStart = 0;  // the gap is FBuf[FGapStart, FGapEnd)
  size_t FGapEnd = 0;
  uint32_t FGeneration = 1;
  TEntry FEntries[MaxNeedles];
  int FActive[MaxNeedles];  // ids of the entries of the current generation
  int FActiveCount = 0;
};
