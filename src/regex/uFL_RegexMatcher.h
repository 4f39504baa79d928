// The regex matcher: the match state of one engine and the backtracking walk over its program.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "regex/uFL_RegexOpcodes.h"
#include "regex/uFL_RegexProgram.h"

class TRegexEngine;

// Owned by one engine for its life, so that the backtracking stacks keep their capacity from
// search to search; the groups of the last search stay here until the next one. Reads the engine's
// program and settings and raises its errors through it.
class TRegexMatcher {
 public:
  explicit TRegexMatcher(TRegexEngine& Engine);

  // Searches [Begin, End) from From for the leftmost match of the engine's compiled program.
  bool Search(const uint8_t* Begin, const uint8_t* End, const uint8_t* From);

  // Offsets from the searched text's start, -1 for none.
  ptrdiff_t GroupStart(int N) const { return FSlots[size_t(N)]; }
  ptrdiff_t GroupEnd(int N) const { return FSlots[size_t(kSlotEnd + N)]; }
  void ClearGroups() {
    for (int Slot = 0; Slot < 2 * kSubExprCount; ++Slot) FSlots[size_t(Slot)] = -1;
  }

 private:
  // A saved value of the match state, put back when the search backtracks past it.
  struct TTrailEntry {
    int Slot;
    ptrdiff_t Value;
  };
  // A point the search comes back to when what follows it fails.
  struct TChoice {
    const uint8_t* Saved;  // Cursor when the choice was made (a repetition's start)
    uint64_t Serial;       // identifies the choice for the trail's once-per-choice rule
    ptrdiff_t Step;        // repetitions: characters per count
    int32_t Count;         // repetitions: the count to try next; lazy loops: the loop counter
    int32_t Limit;         // repetitions: the last count to try
    int32_t Node;          // the node whose rule made the choice
    uint32_t TrailHeight;
    int16_t Look;  // repetitions: the character the next node needs, or -1
    uint8_t Kind;
  };

  [[noreturn]] void Raise(int Code);

  // Where attempts are made.
  bool TryMatchAt(const uint8_t* At);
  bool WouldTryAPosition(const uint8_t* From, const uint8_t* End) const;
  bool HeadFits(const uint8_t* At);

  // The walk, and the rules of its opcode groups. The rules that only test return false when the
  // node does not match at Cursor; the others also pick the node the walk goes on with.
  bool MatchPrim(int32_t Node);
  bool AtPosition(uint8_t Op, const uint8_t* Cursor) const;
  bool MatchOneChar(const uint8_t* At, const uint8_t*& Cursor) const;
  bool MatchText(const uint8_t* At, const uint8_t*& Cursor) const;
  void EnterAlternatives(int32_t& Node, const uint8_t* Cursor);
  bool EnterRepetition(int32_t& Node, const uint8_t*& Cursor);
  void EnterLoop();
  int32_t PassLoop(int32_t Node, const uint8_t* Cursor);
  void MarkGroup(uint8_t Op, const uint8_t* Cursor);
  int32_t NextNode(int32_t Node) const;
  int32_t FollowingNode(int32_t Node);
  ptrdiff_t RegRepeat(int32_t Node, const uint8_t* At, ptrdiff_t Max, ptrdiff_t& Step);
  bool BackRefAt(const uint8_t* At, int Group, bool CaseInsensitive, ptrdiff_t& Length) const;

  // Backtracking points and the trail.
  bool Backtrack(int32_t& Node, const uint8_t*& Cursor);
  bool BacktrackRepetition(TChoice& Choice, int32_t& Node, const uint8_t*& Cursor);
  void PushChoice(const TChoice& Choice);
  void PopChoice();
  void RenewChoice(TChoice& Choice);
  void SetSlot(int Slot, ptrdiff_t Value);
  void Unwind(size_t Height);

  TRegexEngine& FEngine;
  // The engine's program and the settings the walk reads; their addresses stay for the engine's
  // life, so nothing needs copying per search.
  const TRegexProgram& FProgram;
  const TRegexByteSet& FCaseTable;
  const TRegexByteSet& FLineBreakSet;
  const TRegexByteSet& FWordSet;
  const bool& FPairSet;
  const unsigned char& FPairHead;
  const unsigned char& FPairTail;
  const uint8_t* FCode = nullptr;  // the program's nodes, taken at the start of each search

  // Slots: group starts 0..14, group ends 15..29, loop level 30, loop counters of levels 1..10 at
  // 31..40. Group values are offsets from TextBegin, -1 for none.
  static constexpr int kSlotEnd = 15, kSlotLoopLevel = 30, kSlotCount = 41;
  std::array<ptrdiff_t, kSlotCount> FSlots{};
  std::array<uint64_t, kSlotCount> FSlotStamp{};  // serial of the choice a slot was saved under
  uint64_t FSerial = 0, FTopSerial = 0, FAttemptSerial = 0;
  uint64_t FBacktrackSteps = 0;  // of the current search
  std::vector<TChoice> FChoices;
  std::vector<TTrailEntry> FTrail;
  const uint8_t* FCursor = nullptr;
  const uint8_t* FTextBegin = nullptr;
  const uint8_t* FTextEnd = nullptr;
  bool FGroupsCleared = false;  // the slots were cleared by this search's first attempt
};
