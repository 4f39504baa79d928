// Finding, in one pass over a line, which of many words stand there as whole words.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Asking every line for every routine name would cost names times lines; an automaton over all
// names reads each line once instead. A word counts on a line when its first occurrence there
// stands as a whole word (the rule of the scan's FindWord).
class TWordCounter {
 public:
  // Words are upper-case; an empty word is never found.
  explicit TWordCounter(const std::vector<std::string>& Words);

  // Appends to Hits the index of every word whose first occurrence in Line is a whole word. The
  // line is read as if upper-cased (ASCII letters only), as the words are.
  void Scan(std::string_view Line, std::vector<int>& Hits);

 private:
  bool IsWhole(std::string_view Line, size_t Pos, size_t Len) const;

  std::vector<std::string> FWords;
  std::vector<int> FUniqueOf;             // word index -> index of its first equal word
  std::vector<std::vector<int>> FSameAs;  // first of equal words -> the later ones
  std::vector<int> FLongWords;            // words searched directly on each line
  uint16_t FClass[256] = {};              // byte -> column; 0 for bytes in no word
  int FColumns = 1;
  // state * FColumns + column -> the next state times FColumns, with OutputFlag set when a word
  // ends in the next state or in one of its shorter suffixes.
  static constexpr uint32_t OutputFlag = 0x80000000u;
  std::vector<uint32_t> FNext;
  std::vector<int32_t> FWordAt;       // state -> unique word ending there, or -1
  std::vector<int32_t> FDictLink;     // state -> nearest shorter state with a word, or -1
  std::vector<uint32_t> FSeenOnLine;  // word -> stamp of the line its first occurrence was met
  uint32_t FLine = 0;
};
