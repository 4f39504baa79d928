// The regex matcher: where a match is tried, the backtracking walk over the node program, repeats.
//
// The walk follows the described recursive matcher step for step, but keeps its backtracking
// points on a heap stack instead of the call stack, so a long line cannot overflow the stack.
// Each point remembers where the walk goes on when everything after it fails; every change of
// the match state (groups, loop level, loop counters) is saved on a trail the first time it
// happens under a point and put back when the walk returns to that point. That restores exactly
// what the recursive rules restore, and also the loop level and counters an alternative needs.
#include "regex/uFL_RegexMatcher.h"

#include <algorithm>
#include <cstring>

#include "regex/uFL_RegexEngine.h"
#include "regex/uFL_RegexOpcodes.h"
#include "regex/uFL_RegexRarity.h"

namespace {

// What a backtracking point does when the walk comes back to it.
enum : uint8_t {
  ckAlternative,   // try the alternative at Node
  ckRepeatGreedy,  // try the repetition with Count, Count - 1, ... down to Limit copies
  ckRepeatLazy,    // try the repetition with Count, Count + 1, ... up to Limit copies
  ckLoopLeave,     // greedy loop whose next pass failed: go on after the loop
  ckLoopEnter,     // lazy loop whose continuation failed: make one more pass
};

// The rules of the walk are inlined into it: they are split out for reading, not for calls.
#define FL_WALK_RULE [[gnu::always_inline]] inline

// Above this many entries the stacks are released after a search, so that one pathological line
// does not keep its memory for the life of the engine.
constexpr size_t kKeptStackEntries = size_t(1) << 16;

// Whether Text occurs in [From, End): memchr to its rarest character, then a compare. The
// texts are short literals, for which this beats memmem and a scan for their first character.
bool FindText(const uint8_t* From, const uint8_t* End, const uint8_t* Text, size_t Length) {
  if (size_t(End - From) < Length) return false;
  size_t Anchor = 0;
  for (size_t i = 1; i < Length; ++i)
    if (RegexByteRarity(Text[i]) > RegexByteRarity(Text[Anchor])) Anchor = i;
  const uint8_t* const Last = End - Length + Anchor;  // the last place the anchor may lie
  for (const uint8_t* At = From + Anchor; At <= Last; ++At) {
    At = static_cast<const uint8_t*>(std::memchr(At, Text[Anchor], size_t(Last - At) + 1));
    if (!At) return false;
    if (std::memcmp(At - Anchor, Text, Length) == 0) return true;
  }
  return false;
}

// Below this many counts a plain loop finds the stop faster than a call of memchr.
constexpr int32_t kShortScan = 16;

// The first count from From towards Last (down for a greedy repetition, up for a lazy one) after
// which the repetition stops at Look, the first character of the literal that follows it; a
// count past Last when there is none. The end of the input reads as code 0. Without a Look every
// count fits.
int32_t NextFit(const uint8_t* Start, ptrdiff_t Step, int Look, const uint8_t* TextEnd,
                int32_t From, int32_t Last, bool Greedy) {
  if (Look < 0 || (Greedy ? From < Last : From > Last)) return From;
  const int32_t None = Greedy ? Last - 1 : Last + 1;
  const int32_t Low = Greedy ? Last : From, High = Greedy ? From : Last;
  if (Step == 1 && Look != 0 && High - Low >= kShortScan) {
    // One character a count: the stop is found by memchr; the end of the input never fits.
    const uint8_t* const Begin = Start + Low;
    const uint8_t* const End = std::min(Start + High + 1, TextEnd);
    if (Begin >= End) return None;
    const size_t Size = size_t(End - Begin);
    const void* Hit = Greedy ? memrchr(Begin, Look, Size) : std::memchr(Begin, Look, Size);
    return Hit ? int32_t(static_cast<const uint8_t*>(Hit) - Start) : None;
  }
  const int Direction = Greedy ? -1 : 1;
  for (int32_t Count = From; Greedy ? Count >= Last : Count <= Last; Count += Direction) {
    const uint8_t* const Stop = Start + Count * Step;
    if ((Stop < TextEnd ? int(*Stop) : 0) == Look) return Count;
  }
  return None;
}

}  // namespace

// ---- Search ---------------------------------------------------------------------------------

TRegexMatcher::TRegexMatcher(TRegexEngine& Engine)
    : FEngine(Engine),
      FProgram(Engine.FProgram),
      FCaseTable(Engine.FCaseTable),
      FLineBreakSet(Engine.FLineBreakSet),
      FWordSet(Engine.FWordSet),
      FPairSet(Engine.FPairSet),
      FPairHead(Engine.FPairHead),
      FPairTail(Engine.FPairTail) {
  ClearGroups();
}

void TRegexMatcher::Raise(int Code) {
  FEngine.Raise(Code);
}

FL_WALK_RULE bool TRegexMatcher::HeadFits(const uint8_t* At) {
  // The position counts as tried either way: the groups are cleared as by an attempt.
  if (!FGroupsCleared) {
    ClearGroups();
    FGroupsCleared = true;
  }
  const TRegexProgram& Program = FProgram;
  if (Program.HeadBoundary) {
    // An attempt that starts with \b fails at once inside a word or between non-word characters.
    const bool Before = At > FTextBegin && FWordSet[At[-1]];
    const bool Here = At < FTextEnd && FWordSet[*At];
    return Before != Here;
  }
  if (Program.HeadLength == 0) return true;
  // An attempt whose first node is this literal fails at once where the literal is not.
  if (FTextEnd - At < Program.HeadLength) return false;
  const uint8_t* const Text = FCode + Program.HeadText;
  if (!Program.HeadCaseless) return std::memcmp(At, Text, size_t(Program.HeadLength)) == 0;
  for (int32_t i = 0; i < Program.HeadLength; ++i)
    if (At[i] != Text[i] && At[i] != FCaseTable[Text[i]]) return false;
  return true;
}

bool TRegexMatcher::Search(const uint8_t* Begin, const uint8_t* End, const uint8_t* From) {
  const TRegexProgram& Program = FProgram;
  FCode = Program.Code.data();
  if (Program.RequiredLength > 0 &&
      !FindText(From, End, FCode + Program.RequiredText, size_t(Program.RequiredLength)))
    return false;
  if (Program.ImpliedLength > 0 &&
      !FindText(From, End, FCode + Program.ImpliedText, size_t(Program.ImpliedLength))) {
    // Every attempt would fail; the groups end up as the failed attempts would leave them.
    if (WouldTryAPosition(From, End)) ClearGroups();
    return false;
  }
  FTextBegin = Begin;
  FTextEnd = End;
  FSlots[kSlotLoopLevel] = 0;
  FGroupsCleared = false;
  FChoices.clear();
  FTrail.clear();
  FBacktrackSteps = 0;
  struct TRelease {
    TRegexMatcher& Matcher;
    ~TRelease() {
      if (Matcher.FChoices.capacity() > kKeptStackEntries) Matcher.FChoices = {};
      if (Matcher.FTrail.capacity() > kKeptStackEntries) Matcher.FTrail = {};
    }
  } Release{*this};

  if (Program.AnchoredAtStart) return TryMatchAt(From);
  if (Program.StartChar != 0 || Program.StartIsSingle) {
    // One possible first character: let memchr skip to it.
    const int Wanted = Program.StartChar != 0 ? Program.StartChar : Program.StartSingle;
    for (const uint8_t* At = From; At < End; ++At) {
      At = static_cast<const uint8_t*>(std::memchr(At, Wanted, size_t(End - At)));
      if (!At) return false;
      if (HeadFits(At) && TryMatchAt(At)) return true;
    }
    return false;
  }
  // The terminating NUL is never tried: a match that could only be empty at the end is no match.
  for (const uint8_t* At = From;; ++At) {
    // The byte at hand first: where most bytes may start a match, the scan would only cost.
    if (At < End && !Program.StartCharSet[*At])
      At = NextInByteSet(Program.StartCharSet, Program.StartScan, At + 1, End);
    if (At >= End) return false;
    if (HeadFits(At) && TryMatchAt(At)) return true;
  }
}

bool TRegexMatcher::WouldTryAPosition(const uint8_t* From, const uint8_t* End) const {
  const TRegexProgram& Program = FProgram;
  if (Program.AnchoredAtStart) return true;
  if (From == End) return false;
  if (Program.StartChar != 0 || Program.StartIsSingle)
    return std::memchr(From, Program.StartChar != 0 ? Program.StartChar : Program.StartSingle,
                       size_t(End - From)) != nullptr;
  for (const uint8_t* At = From; At < End; ++At)
    if (Program.StartCharSet[*At]) return true;
  return false;
}

bool TRegexMatcher::TryMatchAt(const uint8_t* At) {
  // A failed attempt puts back every slot it changed, so only the first attempt of a search needs
  // to clear the groups of the previous one.
  if (!FGroupsCleared) {
    ClearGroups();
    FGroupsCleared = true;
  }
  FAttemptSerial = FTopSerial = ++FSerial;
  FCursor = At;
  if (!MatchPrim(1)) return false;
  FSlots[0] = At - FTextBegin;
  FSlots[kSlotEnd] = FCursor - FTextBegin;
  return true;
}

// ---- Match state and backtracking points ----------------------------------------------------

void TRegexMatcher::SetSlot(int Slot, ptrdiff_t Value) {
  if (FSlotStamp[size_t(Slot)] != FTopSerial) {
    if (FTrail.size() >= TRegexEngine::kMaxBacktrackPoints * TRegexEngine::kTrailPerPoint)
      Raise(kRegexErrorBacktrackLimit);
    FTrail.push_back({Slot, FSlots[size_t(Slot)]});
    FSlotStamp[size_t(Slot)] = FTopSerial;
  }
  FSlots[size_t(Slot)] = Value;
}

void TRegexMatcher::PushChoice(const TChoice& Choice) {
  if (FChoices.size() >= TRegexEngine::kMaxBacktrackPoints) Raise(kRegexErrorBacktrackLimit);
  FChoices.push_back(Choice);
  TChoice& Top = FChoices.back();
  Top.Serial = FTopSerial = ++FSerial;
  Top.TrailHeight = uint32_t(FTrail.size());
}

void TRegexMatcher::PopChoice() {
  FChoices.pop_back();
  FTopSerial = FChoices.empty() ? FAttemptSerial : FChoices.back().Serial;
}

void TRegexMatcher::Unwind(size_t Height) {
  while (FTrail.size() > Height) {
    const TTrailEntry& Entry = FTrail.back();
    FSlots[size_t(Entry.Slot)] = Entry.Value;
    FTrail.pop_back();
  }
}

void TRegexMatcher::RenewChoice(TChoice& Choice) {
  Choice.Serial = FTopSerial = ++FSerial;
}

// Goes back to the latest backtracking point that still has something to try and sets Node and
// Cursor to it. False when none is left: the attempt has failed and its state is put back.
bool TRegexMatcher::Backtrack(int32_t& Node, const uint8_t*& Cursor) {
  for (;;) {
    if (FChoices.empty()) {
      Unwind(0);
      return false;
    }
    if (++FBacktrackSteps > TRegexEngine::kMaxBacktrackSteps) Raise(kRegexErrorBacktrackLimit);
    TChoice& Choice = FChoices.back();
    Unwind(Choice.TrailHeight);
    Cursor = Choice.Saved;
    const int32_t From = Choice.Node;
    switch (Choice.Kind) {
      case ckAlternative: {
        const int32_t Next = NextNode(From);
        if (Next != 0 && FCode[Next] == opAlternative) {
          Choice.Node = Next;
          RenewChoice(Choice);
        } else {
          PopChoice();
        }
        Node = From + kNodeHeaderSize;
        return true;
      }
      case ckRepeatGreedy:
      case ckRepeatLazy:
        if (BacktrackRepetition(Choice, Node, Cursor)) return true;
        continue;
      case ckLoopLeave:
        PopChoice();
        SetSlot(kSlotLoopLevel, FSlots[kSlotLoopLevel] - 1);
        Node = FollowingNode(From);
        return true;
      default: {  // ckLoopEnter
        const int32_t Counter = Choice.Count;
        PopChoice();
        SetSlot(kSlotLoopLevel + int(FSlots[kSlotLoopLevel]), Counter + 1);
        Node = From + ReadInt32(FCode + From + kOperandBody);
        return true;
      }
    }
  }
}

// The next count of a repetition whose continuation failed, skipping the counts after which the
// character the next node needs is not there. False when no count is left.
bool TRegexMatcher::BacktrackRepetition(TChoice& Choice, int32_t& Node, const uint8_t*& Cursor) {
  const bool Greedy = Choice.Kind == ckRepeatGreedy;
  const int Direction = Greedy ? -1 : 1;
  const uint8_t* Start = Choice.Saved;
  const int32_t Count =
      NextFit(Start, Choice.Step, Choice.Look, FTextEnd, Choice.Count, Choice.Limit, Greedy);
  if (Greedy ? Count < Choice.Limit : Count > Choice.Limit) {
    PopChoice();
    return false;
  }
  Cursor = Start + Count * Choice.Step;
  const int32_t From = Choice.Node;
  if (Count != Choice.Limit) {
    Choice.Count = Count + Direction;
    RenewChoice(Choice);
  } else {
    PopChoice();
  }
  Node = FollowingNode(From);
  return true;
}

// ---- The walk -------------------------------------------------------------------------------

int32_t TRegexMatcher::NextNode(int32_t Node) const {
  const int32_t Offset = NextOffsetOf(FCode + Node);
  return Offset == 0 ? 0 : Node + Offset;
}

// The node after Node where the walk must go on: a chain that ends there is a damaged program.
int32_t TRegexMatcher::FollowingNode(int32_t Node) {
  const int32_t Offset = NextOffsetOf(FCode + Node);
  if (Offset == 0) Raise(1002);
  return Node + Offset;
}

bool TRegexMatcher::BackRefAt(const uint8_t* At, int Group, bool CaseInsensitive,
                              ptrdiff_t& Length) const {
  if (Group >= kSubExprCount) return false;
  const ptrdiff_t Start = FSlots[size_t(Group)], End = FSlots[size_t(kSlotEnd + Group)];
  if (Start < 0 || End < 0) return false;
  // A group reopened after its last close has its new start behind its old end: empty.
  Length = std::max<ptrdiff_t>(End - Start, 0);
  if (FTextEnd - At < Length) return false;
  const uint8_t* Captured = FTextBegin + Start;
  if (!CaseInsensitive) return std::memcmp(At, Captured, size_t(Length)) == 0;
  for (ptrdiff_t i = 0; i < Length; ++i)
    if (At[i] != Captured[i] && At[i] != FCaseTable[Captured[i]]) return false;
  return true;
}

ptrdiff_t TRegexMatcher::RegRepeat(int32_t Node, const uint8_t* At, ptrdiff_t Max,
                                   ptrdiff_t& Step) {
  const uint8_t* const Repeated = FCode + Node;
  const uint8_t* const Operand = Repeated + kNodeHeaderSize;
  const ptrdiff_t Limit = std::min<ptrdiff_t>(Max, FTextEnd - At);
  ptrdiff_t Count = 0;
  Step = 1;
  switch (Repeated[0]) {
    case opAnyChar:
      return Limit;
    case opLiteral: {
      const uint8_t Ch = Operand[0];
      while (Count < Limit && At[Count] == Ch) ++Count;
      return Count;
    }
    case opLiteralCI: {
      const uint8_t Ch = Operand[0], Other = FCaseTable[Ch];
      while (Count < Limit && (At[Count] == Ch || At[Count] == Other)) ++Count;
      return Count;
    }
    case opDigit:
      while (Count < Limit && uint8_t(At[Count] - '0') <= 9) ++Count;
      return Count;
    case opNotDigit:
      while (Count < Limit && uint8_t(At[Count] - '0') > 9) ++Count;
      return Count;
    case opOneOf:
      while (Count < Limit &&
             (At[Count] == Operand[0] || At[Count] == Operand[1] || At[Count] == Operand[2]))
        ++Count;
      return Count;
    case opNoneOf:
      while (Count < Limit && At[Count] != Operand[0] && At[Count] != Operand[1] &&
             At[Count] != Operand[2])
        ++Count;
      return Count;
    case opCharSet:
      while (Count < Limit && (Operand[At[Count] >> 3] & (1u << (At[Count] & 7)))) ++Count;
      return Count;
    case opBackRef:
    case opBackRefCI: {
      // Whole copies: each count stands for one more copy of the captured text.
      ptrdiff_t Length = 0;
      if (!BackRefAt(At, Operand[0], Repeated[0] == opBackRefCI, Length)) return 0;
      if (Length == 0) {
        Step = 0;  // every count ends at the same place; the caller tries it once
        return Max;
      }
      Step = Length;
      const uint8_t* Copy = At;
      while (Count < Max && BackRefAt(Copy, Operand[0], Repeated[0] == opBackRefCI, Length)) {
        ++Count;
        Copy += Length;
      }
      return Count;
    }
    default:
      Raise(1000);
  }
}

// Zero-width tests of the place: input and line ends, word boundaries.
FL_WALK_RULE bool TRegexMatcher::AtPosition(uint8_t Op, const uint8_t* Cursor) const {
  const uint8_t* const TextBegin = FTextBegin;
  const uint8_t* const TextEnd = FTextEnd;
  auto CharAt = [TextEnd](const uint8_t* At) { return At < TextEnd ? int(*At) : 0; };
  switch (Op) {
    case opInputStart:
      return Cursor == TextBegin;
    case opInputEnd:
      return Cursor == TextEnd;
    case opLineStart: {
      if (Cursor == TextBegin) return true;
      const uint8_t Previous = Cursor[-1];
      if (FPairSet && Previous == FPairTail && Cursor - 1 > TextBegin && Cursor[-2] == FPairHead)
        return true;
      if (FPairSet && Previous == FPairHead && CharAt(Cursor) == FPairTail) return false;
      return FLineBreakSet[Previous] != 0;
    }
    case opLineEnd: {
      if (Cursor == TextEnd) return true;
      const uint8_t Ch = *Cursor;
      if (FPairSet && Ch == FPairHead && CharAt(Cursor + 1) == FPairTail) return true;
      if (FPairSet && Ch == FPairTail && Cursor > TextBegin && Cursor[-1] == FPairHead)
        return false;
      return FLineBreakSet[Ch] != 0;
    }
    default: {  // opWordBoundary, opNotWordBoundary
      const bool Before = Cursor > TextBegin && FWordSet[Cursor[-1]];
      const bool Here = Cursor < TextEnd && FWordSet[*Cursor];
      return (Before != Here) == (Op == opWordBoundary);
    }
  }
}

// Nodes that match one character: any, classes and digits.
FL_WALK_RULE bool TRegexMatcher::MatchOneChar(const uint8_t* At, const uint8_t*& Cursor) const {
  if (Cursor == FTextEnd) return false;
  const uint8_t Ch = *Cursor;
  const uint8_t* const Operand = At + kNodeHeaderSize;
  bool Matched;
  switch (At[0]) {
    case opAnyChar:
      Matched = true;
      break;
    case opAnyInLine:
      // The pair's tail may be code 0, which the end of the input then stands for.
      Matched = !(FPairSet && Ch == FPairHead &&
                  (Cursor + 1 < FTextEnd ? int(Cursor[1]) : 0) == FPairTail) &&
                !FLineBreakSet[Ch];
      break;
    case opDigit:
      Matched = uint8_t(Ch - '0') <= 9;
      break;
    case opNotDigit:
      Matched = uint8_t(Ch - '0') > 9;
      break;
    case opOneOf:
      Matched = Ch == Operand[0] || Ch == Operand[1] || Ch == Operand[2];
      break;
    case opNoneOf:
      Matched = Ch != Operand[0] && Ch != Operand[1] && Ch != Operand[2];
      break;
    default:  // opCharSet
      Matched = (Operand[Ch >> 3] & (1u << (Ch & 7))) != 0;
      break;
  }
  if (Matched) ++Cursor;
  return Matched;
}

// Nodes that match a text: literals and back-references, exactly or case-insensitively.
FL_WALK_RULE bool TRegexMatcher::MatchText(const uint8_t* At, const uint8_t*& Cursor) const {
  const uint8_t* const Operand = At + kNodeHeaderSize;
  const uint8_t Op = At[0];
  if (Op == opBackRef || Op == opBackRefCI) {
    ptrdiff_t Length = 0;
    if (!BackRefAt(Cursor, Operand[0], Op == opBackRefCI, Length)) return false;
    Cursor += Length;
    return true;
  }
  // The first byte is compared even when it is the terminating 0: a literal of code 0 matches
  // only at the end of the input, and advances by nothing.
  if (Operand[0] == 0) return Cursor == FTextEnd;
  const uint8_t* Text = Cursor;
  if (Op == opLiteral) {
    for (const uint8_t* Ch = Operand; *Ch; ++Ch, ++Text)
      if (Text == FTextEnd || *Text != *Ch) return false;
  } else {
    for (const uint8_t* Ch = Operand; *Ch; ++Ch, ++Text)
      if (Text == FTextEnd || (*Text != *Ch && *Text != FCaseTable[*Ch])) return false;
  }
  Cursor = Text;
  return true;
}

// The first alternative of a chain; the others are a backtracking point.
FL_WALK_RULE void TRegexMatcher::EnterAlternatives(int32_t& Node, const uint8_t* Cursor) {
  const int32_t Next = NextNode(Node);
  if (Next != 0 && FCode[Next] == opAlternative) {
    TChoice Choice{};
    Choice.Kind = ckAlternative;
    Choice.Node = Next;
    Choice.Saved = Cursor;
    PushChoice(Choice);
  }
  Node += kNodeHeaderSize;
}

// Star, plus and counted repeats of one node: counts the copies in one pass, goes on with the
// first count to try and leaves the others as a backtracking point.
FL_WALK_RULE bool TRegexMatcher::EnterRepetition(int32_t& Node, const uint8_t*& Cursor) {
  const uint8_t* const At = FCode + Node;
  const uint8_t Op = At[0];
  const bool Counted = Op == opRepeat || Op == opRepeatLazy;
  const bool Greedy = Op == opStar || Op == opPlus || Op == opRepeat;
  const int32_t Min = Counted                              ? ReadInt32(At + kOperandMin)
                      : (Op == opPlus || Op == opPlusLazy) ? 1
                                                           : 0;
  const int32_t Max = Counted ? ReadInt32(At + kOperandMax) : kUnboundedCount;
  const int32_t Next = NextNode(Node);
  // A following literal must start where the repetition stops: skip the other counts.
  // Group marks and comments before it cannot fail, so they do not hide it.
  int32_t Follow = Next;
  while (Follow != 0 && (FCode[Follow] == opComment || FCode[Follow] == opNothing ||
                         (FCode[Follow] >= opOpen && FCode[Follow] <= opOpenLast) ||
                         (FCode[Follow] >= opClose && FCode[Follow] <= opCloseLast)))
    Follow = NextNode(Follow);
  const int Look = Follow != 0 && FCode[Follow] == opLiteral ? FCode[Follow + kNodeHeaderSize] : -1;
  ptrdiff_t Step = 1;
  auto Found =
      int32_t(RegRepeat(Node + (Counted ? kRepeatHeaderSize : kNodeHeaderSize), Cursor, Max, Step));
  if (Step == 0) Found = std::min(Found, Min);
  const uint8_t* const Start = Cursor;
  int32_t Count;
  if (Greedy) {
    Count = NextFit(Start, Step, Look, FTextEnd, Found, Min, true);
    if (Count < Min) return false;
  } else {
    if (Found < Min) return false;
    Count = NextFit(Start, Step, Look, FTextEnd, Min, Found, false);
    if (Count > Found) return false;
  }
  const int32_t Last = Greedy ? Min : Found;
  if (Count != Last) {
    TChoice Choice{};
    Choice.Kind = Greedy ? ckRepeatGreedy : ckRepeatLazy;
    Choice.Node = Node;
    Choice.Saved = Start;
    Choice.Count = Greedy ? Count - 1 : Count + 1;
    Choice.Limit = Last;
    Choice.Step = Step;
    Choice.Look = int16_t(Look);
    PushChoice(Choice);
  }
  Cursor = Start + Count * Step;
  if (Next == 0) Raise(1002);
  Node = Next;
  return true;
}

FL_WALK_RULE void TRegexMatcher::EnterLoop() {
  const auto Level = int(FSlots[kSlotLoopLevel]) + 1;
  if (Level > kMaxLoopLevel) Raise(1014);
  SetSlot(kSlotLoopLevel, Level);
  SetSlot(kSlotLoopLevel + Level, 0);
}

// The end of a complex loop's body: another pass or what follows the loop, in the order its
// greediness asks, with the other way as a backtracking point. Returns the node to go on with.
FL_WALK_RULE int32_t TRegexMatcher::PassLoop(int32_t Node, const uint8_t* Cursor) {
  const uint8_t* const At = FCode + Node;
  const auto Level = int(FSlots[kSlotLoopLevel]);
  if (Level <= 0) Raise(1015);
  const auto Counter = int32_t(FSlots[size_t(kSlotLoopLevel + Level)]);
  const int32_t Min = ReadInt32(At + kOperandMin);
  const int32_t Max = ReadInt32(At + kOperandMax);
  const int32_t Body = Node + ReadInt32(At + kOperandBody);
  if (Counter < Min) {
    SetSlot(kSlotLoopLevel + Level, Counter + 1);
    return Body;
  }
  if (At[0] == opLoop) {
    if (Counter < Max) {
      TChoice Choice{};
      Choice.Kind = ckLoopLeave;
      Choice.Node = Node;
      Choice.Saved = Cursor;
      PushChoice(Choice);
      SetSlot(kSlotLoopLevel + Level, Counter + 1);
      return Body;
    }
  } else if (Counter < Max) {
    TChoice Choice{};
    Choice.Kind = ckLoopEnter;
    Choice.Node = Node;
    Choice.Saved = Cursor;
    Choice.Count = Counter;
    PushChoice(Choice);
  }
  // Leaving the loop: what follows it runs at the enclosing loop's level.
  SetSlot(kSlotLoopLevel, Level - 1);
  return FollowingNode(Node);
}

FL_WALK_RULE void TRegexMatcher::MarkGroup(uint8_t Op, const uint8_t* Cursor) {
  if (Op <= opOpenLast)
    SetSlot(Op - opOpen + 1, Cursor - FTextBegin);
  else
    SetSlot(kSlotEnd + Op - opClose + 1, Cursor - FTextBegin);
}

bool TRegexMatcher::MatchPrim(int32_t Node) {
  const uint8_t* const Base = FCode;
  const uint8_t* Cursor = FCursor;
  for (;;) {
    const uint8_t* const At = Base + Node;
    const uint8_t Op = At[0];
    switch (Op) {
      case opEnd:
        FCursor = Cursor;
        return true;
      case opInputStart:
      case opInputEnd:
      case opLineStart:
      case opLineEnd:
      case opWordBoundary:
      case opNotWordBoundary:
        if (!AtPosition(Op, Cursor)) goto Fail;
        break;
      case opAnyChar:
      case opAnyInLine:
      case opDigit:
      case opNotDigit:
      case opOneOf:
      case opNoneOf:
      case opCharSet:
        if (!MatchOneChar(At, Cursor)) goto Fail;
        break;
      case opLiteral:
      case opLiteralCI:
      case opBackRef:
      case opBackRefCI:
        if (!MatchText(At, Cursor)) goto Fail;
        break;
      case opNothing:
      case opJumpBack:
      case opComment:
        break;
      case opAlternative:
        EnterAlternatives(Node, Cursor);
        continue;
      case opStar:
      case opPlus:
      case opRepeat:
      case opStarLazy:
      case opPlusLazy:
      case opRepeatLazy:
        if (!EnterRepetition(Node, Cursor)) goto Fail;
        continue;
      case opLoopEntry:
        EnterLoop();
        break;
      case opLoop:
      case opLoopLazy:
        Node = PassLoop(Node, Cursor);
        continue;
      default:
        if (!(Op >= opOpen && Op <= opCloseLast && IsKnownOpcode(Op))) Raise(1001);
        MarkGroup(Op, Cursor);
        break;
    }
    {
      const int32_t Offset = NextOffsetOf(At);
      if (Offset == 0) Raise(1002);
      Node += Offset;
      continue;
    }
  Fail:
    if (!Backtrack(Node, Cursor)) return false;
  }
}
