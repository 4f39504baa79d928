// The lines of a loaded file: one read buffer with line spans, and owned text for changed lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/uFL_TextBuffer.h"

// Holding a file as its read buffer plus one small span per line keeps a loaded file at little
// more than its own size; only lines that are replaced or inserted get a string of their own.
// The spans are made on first need, and the lines are not even counted until someone asks how
// many there are: a search over the whole buffer maps only its hits to lines. Every line keeps its
// own line break, so that the file's bytes come back unchanged wherever no line was changed.
class TLines {
 public:
  enum TBreak : uint8_t { lbNone = 0, lbLf = 1, lbCr = 2, lbCrLf = 3 };

  int Count() const {
    if (FSplit) return int(FSpans.size());
    if (!FCounted) CountLines();
    return FCount;
  }
  bool Empty() const { return Count() == 0; }
  std::string_view operator[](int Index) const {
    if (!FSplit) Split();
    const TSpan& S = FSpans[size_t(Index)];
    return S.Owned ? std::string_view(FOwned[S.Offset]) : FBuffer.View().substr(S.Offset, S.Length);
  }
  std::string Get(int Index) const { return std::string((*this)[Index]); }
  // The break that ends the line (lbNone for a last line without one).
  TBreak BreakOf(int Index) const;

  // Takes Text as the file's content, cut at CR LF, CR and LF; the caller has already cut it at
  // its first NUL. Returns the first line break found ("" when there is none). Nothing more of
  // the text is looked at here.
  std::string Assign(TTextBuffer&& Text);
  std::string Assign(std::string_view Text) { return Assign(TTextBuffer(Text)); }
  // A changed line keeps its break. An inserted line takes the break of the line it follows (of
  // the line it comes before when it is the first); inserted after a last line without a break,
  // that line gets the file's first break and the new last line none, so the file still ends
  // without one.
  void Set(int Index, std::string Text);
  void Insert(int Index, std::string Text);
  void Add(std::string Text) { Insert(Count(), std::move(Text)); }
  void Delete(int Index);
  void Clear();
  // Empties the lines and hands out the read buffer (empty, with its capacity) to read the next
  // file into.
  TTextBuffer TakeBuffer();
  static constexpr size_t KeptBufferLimit = size_t(16) << 20;

  // The read buffer: the file's bytes as loaded. While no line was changed, inserted or deleted
  // (AllInBuffer), the lines are exactly the buffer cut at its breaks, so a search may scan the
  // buffer as a whole.
  std::string_view Buffer() const { return FBuffer.View(); }
  bool AllInBuffer() const { return !FEdited; }

  // Sum of the lengths of all lines.
  uint64_t TextLength() const;
  // Every line followed by Eol.
  std::string Join(std::string_view Eol) const;
  // Every line followed by its own break: the file's bytes with the changes made.
  std::string Bytes() const;

 private:
  struct TSpan {
    uint64_t Offset;  // into FBuffer, or the index in FOwned when Owned
    uint64_t Length : 61;
    uint64_t Break : 2;  // TBreak
    uint64_t Owned : 1;
  };
  void Split() const;
  void CountLines() const;
  TBreak DefaultBreak() const { return FFirstBreak == lbNone ? lbLf : FFirstBreak; }

  TTextBuffer FBuffer;
  mutable std::vector<TSpan> FSpans;
  mutable bool FSplit = false;
  mutable int FCount = 0;            // lines counted, until the spans are made
  mutable uint64_t FTextLength = 0;  // of the lines counted
  mutable bool FCounted = true;      // FCount and FTextLength hold the buffer's
  TBreak FFirstBreak = lbNone;
  bool FEdited = false;
  std::vector<std::string> FOwned;
};

// The bytes of a line break.
std::string_view BreakText(TLines::TBreak Break);
