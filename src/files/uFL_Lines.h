// The lines of a loaded file: one read buffer with line spans, and owned text for changed lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Holding a file as its read buffer plus one small span per line keeps a loaded file at little
// more than its own size; only lines that are replaced or inserted get a string of their own.
class TLines {
 public:
  int Count() const { return int(FSpans.size()); }
  bool Empty() const { return FSpans.empty(); }
  std::string_view operator[](int Index) const {
    const TSpan& S = FSpans[size_t(Index)];
    return S.Owned ? std::string_view(FOwned[S.Offset])
                   : std::string_view(FBuffer).substr(S.Offset, S.Length);
  }
  std::string Get(int Index) const { return std::string((*this)[Index]); }

  // Takes Text as the file's content, cut at CR LF, CR and LF; the caller has already cut it at
  // its first NUL. Returns the first line break found ("" when there is none).
  std::string Assign(std::string&& Text);
  void Set(int Index, std::string Text);
  void Insert(int Index, std::string Text);
  void Add(std::string Text) { Insert(Count(), std::move(Text)); }
  void Delete(int Index);
  void Clear();
  // Empties the lines and hands out the read buffer (empty, with its capacity) to read the next
  // file into.
  std::string TakeBuffer();
  static constexpr size_t KeptBufferLimit = size_t(16) << 20;

  // The read buffer, and whether every line is still a span of it (none replaced or inserted):
  // the lines then lie in it in order, so a search may scan the buffer as a whole.
  std::string_view Buffer() const { return FBuffer; }
  bool AllInBuffer() const { return FOwned.empty(); }

  // Sum of the lengths of all lines.
  uint64_t TextLength() const;
  // Every line followed by Eol.
  std::string Join(std::string_view Eol) const;

 private:
  struct TSpan {
    uint64_t Offset;  // into FBuffer, or the index in FOwned when Owned
    uint64_t Length : 63;
    uint64_t Owned : 1;
  };
  std::string FBuffer;
  std::vector<TSpan> FSpans;
  std::vector<std::string> FOwned;
};
