// The automaton of TWordCounter.
#include "analysis/uFL_WordCounter.h"

#include <unordered_map>

#include "analysis/uFL_CodeWords.h"

namespace {
// The transition table holds at most this many entries (64 MB); words past it, and any word
// longer than MaxAutomatonWord, are searched directly on each line instead.
constexpr size_t MaxTableEntries = size_t(16) << 20;
constexpr size_t MaxAutomatonWord = 4096;
}  // namespace

TWordCounter::TWordCounter(const std::vector<std::string>& Words) : FWords(Words) {
  FUniqueOf.resize(Words.size());
  FSameAs.resize(Words.size());
  FSeenOnLine.assign(Words.size(), 0);
  std::unordered_map<std::string_view, int> First;
  for (size_t i = 0; i < Words.size(); ++i) {
    auto [It, New] = First.emplace(Words[i], int(i));
    FUniqueOf[i] = It->second;
    if (!New) FSameAs[size_t(It->second)].push_back(int(i));
  }
  bool Seen[256] = {};
  size_t AllColumns = 1;
  for (const std::string& W : Words)
    for (unsigned char C : W)
      if (!Seen[C]) {
        Seen[C] = true;
        ++AllColumns;
      }
  std::vector<char> InAutomaton(Words.size(), 0);
  size_t Budget = 1;  // states the trie can reach at most
  for (size_t i = 0; i < Words.size(); ++i) {
    if (FUniqueOf[i] != int(i) || Words[i].empty()) continue;
    if (Words[i].size() <= MaxAutomatonWord &&
        (Budget + Words[i].size()) * AllColumns <= MaxTableEntries) {
      InAutomaton[i] = 1;
      Budget += Words[i].size();
    } else {
      FLongWords.push_back(int(i));
    }
  }
  for (size_t i = 0; i < Words.size(); ++i)
    if (InAutomaton[i])
      for (unsigned char C : Words[i])
        if (!FClass[C]) FClass[C] = uint16_t(FColumns++);

  // The trie, then the failure links turned into a complete transition table (breadth first).
  // Lower-case letters read as their upper-case ones.
  for (int C = 'a'; C <= 'z'; ++C) FClass[C] = FClass[C - 'a' + 'A'];
  std::vector<int32_t> Next(size_t(FColumns), -1);
  FWordAt.assign(1, -1);
  for (size_t i = 0; i < Words.size(); ++i) {
    if (!InAutomaton[i]) continue;
    int32_t S = 0;
    for (unsigned char C : Words[i]) {
      int32_t& T = Next[size_t(S) * size_t(FColumns) + FClass[C]];
      if (T < 0) {
        T = int32_t(FWordAt.size());
        FWordAt.push_back(-1);
        Next.resize(Next.size() + size_t(FColumns), -1);
      }
      S = Next[size_t(S) * size_t(FColumns) + FClass[C]];
    }
    FWordAt[size_t(S)] = int32_t(i);
  }
  const size_t States = FWordAt.size();
  std::vector<int32_t> Fail(States, 0);
  FDictLink.assign(States, -1);
  std::vector<int32_t> Queue;  // breadth first: read from QueueHead on
  size_t QueueHead = 0;
  for (int Col = 0; Col < FColumns; ++Col) {
    int32_t& T = Next[size_t(Col)];
    if (T < 0 || Col == 0) {
      T = 0;
    } else {
      Fail[size_t(T)] = 0;
      Queue.push_back(T);
    }
  }
  while (QueueHead < Queue.size()) {
    const int32_t S = Queue[QueueHead++];
    const int32_t F = Fail[size_t(S)];
    FDictLink[size_t(S)] = FWordAt[size_t(F)] >= 0 ? F : FDictLink[size_t(F)];
    for (int Col = 0; Col < FColumns; ++Col) {
      int32_t& T = Next[size_t(S) * size_t(FColumns) + size_t(Col)];
      const int32_t Via = Next[size_t(F) * size_t(FColumns) + size_t(Col)];
      if (Col == 0) {
        T = 0;  // a byte of no word: nothing can be under way across it
      } else if (T < 0) {
        T = Via;
      } else {
        Fail[size_t(T)] = Via;
        Queue.push_back(T);
      }
    }
  }
  FNext.resize(Next.size());
  for (size_t i = 0; i < Next.size(); ++i) {
    const int32_t T = Next[i];
    const bool Output = FWordAt[size_t(T)] >= 0 || FDictLink[size_t(T)] >= 0;
    FNext[i] = uint32_t(T) * uint32_t(FColumns) | (Output ? OutputFlag : 0);
  }
}

bool TWordCounter::IsWhole(std::string_view Line, size_t Pos, size_t Len) const {
  const bool StartOk = Pos == 0 || IsWordStartBoundary(Line[Pos - 1]);
  const bool EndOk = Pos + Len == Line.size() || IsWordEndBoundary(Line[Pos + Len]);
  return StartOk && EndOk;
}

void TWordCounter::Scan(std::string_view Line, std::vector<int>& Hits) {
  if (++FLine == 0) {
    FSeenOnLine.assign(FSeenOnLine.size(), 0);
    FLine = 1;
  }
  const size_t Before = Hits.size();
  uint32_t Row = 0;
  const uint32_t* Next = FNext.data();
  for (size_t i = 0; i < Line.size(); ++i) {
    const uint32_t E = Next[Row + FClass[static_cast<unsigned char>(Line[i])]];
    Row = E & ~OutputFlag;
    if (!(E & OutputFlag)) continue;
    const int32_t S = int32_t(Row / uint32_t(FColumns));
    for (int32_t T = FWordAt[size_t(S)] >= 0 ? S : FDictLink[size_t(S)]; T >= 0;
         T = FDictLink[size_t(T)]) {
      const int32_t W = FWordAt[size_t(T)];
      // Only the first occurrence of a word on the line decides, whole or not.
      if (FSeenOnLine[size_t(W)] == FLine) continue;
      FSeenOnLine[size_t(W)] = FLine;
      const size_t Len = FWords[size_t(W)].size();
      if (IsWhole(Line, i + 1 - Len, Len)) Hits.push_back(W);
    }
  }
  if (!FLongWords.empty()) {
    std::string Upper(Line);
    for (char& C : Upper)
      if (C >= 'a' && C <= 'z') C = char(C - 'a' + 'A');
    for (int W : FLongWords) {
      const size_t P = Upper.find(FWords[size_t(W)]);
      if (P != std::string::npos && IsWhole(Upper, P, FWords[size_t(W)].size())) Hits.push_back(W);
    }
  }
  // Words equal to an earlier one share its result.
  const size_t UniqueHits = Hits.size();
  for (size_t h = Before; h < UniqueHits; ++h)
    for (int Same : FSameAs[size_t(Hits[h])]) Hits.push_back(Same);
}
