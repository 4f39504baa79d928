// The regex matcher: where a match is tried, the backtracking walk over the node program, repeats.
//
// The walk follows the described recursive matcher step for step, but keeps its backtracking
// points on a heap stack instead of the call stack, so a long line cannot overflow the stack.
// Each point remembers where the walk goes on when everything after it fails; every change of
// the match state (groups, loop level, loop counters) is saved on a trail the first time it
// happens under a point and put back when the walk returns to that point. That restores exactly
// what the recursive rules restore, and also the loop level and counters an alternative needs.
#include "regex/uFL_RegexEngine.h"

#include <algorithm>
#include <cstring>

#include "regex/uFL_RegexOpcodes.h"

namespace {

// What a backtracking point does when the walk comes back to it.
enum : uint8_t {
  ckAlternative,   // try the alternative at Node
  ckRepeatGreedy,  // try the repetition with Count, Count - 1, ... down to Limit copies
  ckRepeatLazy,    // try the repetition with Count, Count + 1, ... up to Limit copies
  ckLoopLeave,     // greedy loop whose next pass failed: go on after the loop
  ckLoopEnter,     // lazy loop whose continuation failed: make one more pass
};

// Above this many entries the stacks are released after a search, so that one pathological line
// does not keep its memory for the life of the engine.
constexpr size_t kKeptStackEntries = size_t(1) << 16;

// How common a character is in source text, higher for rarer ones: blanks and the frequent
// lower-case letters are everywhere, punctuation is not.
int Rarity(uint8_t Ch) {
  if (Ch == ' ' || Ch == '\t') return 0;
  if (std::strchr("etaoinsr", Ch) && Ch != 0) return 1;
  if (Ch >= 'a' && Ch <= 'z') return 2;
  if ((Ch >= 'A' && Ch <= 'Z') || (Ch >= '0' && Ch <= '9') || Ch == '_') return 3;
  return Ch < 0x80 ? 4 : 5;
}

// Whether Text occurs in [From, End): memchr to its rarest character, then a compare. The
// texts are short literals, for which this beats memmem and a scan for their first character.
bool FindText(const uint8_t* From, const uint8_t* End, const uint8_t* Text, size_t Length) {
  if (size_t(End - From) < Length) return false;
  size_t Anchor = 0;
  for (size_t i = 1; i < Length; ++i)
    if (Rarity(Text[i]) > Rarity(Text[Anchor])) Anchor = i;
  const uint8_t* const Last = End - Length + Anchor;  // the last place the anchor may lie
  for (const uint8_t* At = From + Anchor; At <= Last; ++At) {
    At = static_cast<const uint8_t*>(std::memchr(At, Text[Anchor], size_t(Last - At) + 1));
    if (!At) return false;
    if (std::memcmp(At - Anchor, Text, Length) == 0) return true;
  }
  return false;
}

}  // namespace

// ---- Search ---------------------------------------------------------------------------------

bool TRegexEngine::Search(const uint8_t* Begin, const uint8_t* End, const uint8_t* From) {
  if (FRequiredLength > 0 &&
      !FindText(From, End, FProgram.data() + FRequiredText, size_t(FRequiredLength)))
    return false;
  if (FImpliedLength > 0 &&
      !FindText(From, End, FProgram.data() + FImpliedText, size_t(FImpliedLength))) {
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
    TRegexEngine& Engine;
    ~TRelease() {
      if (Engine.FChoices.capacity() > kKeptStackEntries) Engine.FChoices = {};
      if (Engine.FTrail.capacity() > kKeptStackEntries) Engine.FTrail = {};
    }
  } Release{*this};

  if (FAnchoredAtStart) return TryMatchAt(From);
  if (FStartChar != 0 || FStartIsSingle) {
    // One possible first character: let memchr skip to it.
    const int Wanted = FStartChar != 0 ? FStartChar : FStartSingle;
    for (const uint8_t* At = From; At < End; ++At) {
      At = static_cast<const uint8_t*>(std::memchr(At, Wanted, size_t(End - At)));
      if (!At) return false;
      if (HeadFits(At) && TryMatchAt(At)) return true;
    }
    return false;
  }
  // The terminating NUL is never tried: a match that could only be empty at the end is no match.
  for (const uint8_t* At = From; At < End; ++At)
    if (FStartCharSet[*At] && HeadFits(At) && TryMatchAt(At)) return true;
  return false;
}

bool TRegexEngine::HeadFits(const uint8_t* At) {
  // The position counts as tried either way: the groups are cleared as by an attempt.
  if (!FGroupsCleared) {
    ClearGroups();
    FGroupsCleared = true;
  }
  if (FHeadBoundary) {
    // An attempt that starts with \b fails at once inside a word or between non-word characters.
    const bool Before = At > FTextBegin && FWordSet[At[-1]];
    const bool Here = At < FTextEnd && FWordSet[*At];
    return Before != Here;
  }
  if (FHeadLength == 0) return true;
  // An attempt whose first node is this literal fails at once where the literal is not.
  if (FTextEnd - At < FHeadLength) return false;
  const uint8_t* const Text = FProgram.data() + FHeadText;
  if (!FHeadCaseless) return std::memcmp(At, Text, size_t(FHeadLength)) == 0;
  for (int32_t i = 0; i < FHeadLength; ++i)
    if (At[i] != Text[i] && At[i] != FCaseTable[Text[i]]) return false;
  return true;
}

bool TRegexEngine::WouldTryAPosition(const uint8_t* From, const uint8_t* End) const {
  if (FAnchoredAtStart) return true;
  if (From == End) return false;
  if (FStartChar != 0 || FStartIsSingle)
    return std::memchr(From, FStartChar != 0 ? FStartChar : FStartSingle, size_t(End - From)) !=
           nullptr;
  for (const uint8_t* At = From; At < End; ++At)
    if (FStartCharSet[*At]) return true;
  return false;
}

bool TRegexEngine::TryMatchAt(const uint8_t* At) {
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

void TRegexEngine::SetSlot(int Slot, ptrdiff_t Value) {
  if (FSlotStamp[size_t(Slot)] != FTopSerial) {
    if (FTrail.size() >= kMaxBacktrackPoints * kTrailPerPoint) Raise(kRegexErrorBacktrackLimit);
    FTrail.push_back({Slot, FSlots[size_t(Slot)]});
    FSlotStamp[size_t(Slot)] = FTopSerial;
  }
  FSlots[size_t(Slot)] = Value;
}

void TRegexEngine::PushChoice(const TChoice& Choice) {
  if (FChoices.size() >= kMaxBacktrackPoints) Raise(kRegexErrorBacktrackLimit);
  FChoices.push_back(Choice);
  TChoice& Top = FChoices.back();
  Top.Serial = FTopSerial = ++FSerial;
  Top.TrailHeight = uint32_t(FTrail.size());
}

void TRegexEngine::PopChoice() {
  FChoices.pop_back();
  FTopSerial = FChoices.empty() ? FAttemptSerial : FChoices.back().Serial;
}

void TRegexEngine::Unwind(size_t Height) {
  while (FTrail.size() > Height) {
    const TTrailEntry& Entry = FTrail.back();
    FSlots[size_t(Entry.Slot)] = Entry.Value;
    FTrail.pop_back();
  }
}

// Goes back to the latest backtracking point that still has something to try and sets Node and
// Cursor to it. False when none is left: the attempt has failed and its state is put back.
bool TRegexEngine::Backtrack(int32_t& Node, const uint8_t*& Cursor) {
  const uint8_t* const Base = FProgram.data();
  auto CharAt = [this](const uint8_t* At) { return At < FTextEnd ? int(*At) : 0; };
  auto Renew = [this](TChoice& Choice) { Choice.Serial = FTopSerial = ++FSerial; };
  for (;;) {
    if (FChoices.empty()) {
      Unwind(0);
      return false;
    }
    if (++FBacktrackSteps > kMaxBacktrackSteps) Raise(kRegexErrorBacktrackLimit);
    TChoice& Choice = FChoices.back();
    Unwind(Choice.TrailHeight);
    Cursor = Choice.Saved;
    const int32_t From = Choice.Node;
    switch (Choice.Kind) {
      case ckAlternative: {
        const int32_t Next = NextNode(From);
        if (Next != 0 && Base[Next] == opAlternative) {
          Choice.Node = Next;
          Renew(Choice);
        } else {
          PopChoice();
        }
        Node = From + kNodeHeaderSize;
        return true;
      }
      case ckRepeatGreedy:
      case ckRepeatLazy: {
        const bool Greedy = Choice.Kind == ckRepeatGreedy;
        const int Direction = Greedy ? -1 : 1;
        int32_t Count = Choice.Count;
        const uint8_t* Start = Choice.Saved;
        while ((Greedy ? Count >= Choice.Limit : Count <= Choice.Limit) && Choice.Look >= 0 &&
               CharAt(Start + Count * Choice.Step) != Choice.Look)
          Count += Direction;
        if (Greedy ? Count < Choice.Limit : Count > Choice.Limit) {
          PopChoice();
          continue;
        }
        Cursor = Start + Count * Choice.Step;
        if (Count != Choice.Limit) {
          Choice.Count = Count + Direction;
          Renew(Choice);
        } else {
          PopChoice();
        }
        Node = NextNode(From);
        if (Node == 0) Raise(1002);
        return true;
      }
      case ckLoopLeave: {
        PopChoice();
        SetSlot(kSlotLoopLevel, FSlots[kSlotLoopLevel] - 1);
        Node = NextNode(From);
        if (Node == 0) Raise(1002);
        return true;
      }
      default: {  // ckLoopEnter
        const int32_t Counter = Choice.Count;
        PopChoice();
        SetSlot(kSlotLoopLevel + int(FSlots[kSlotLoopLevel]), Counter + 1);
        Node = From + ReadInt32(Base + From + kOperandBody);
        return true;
      }
    }
  }
}

// ---- The walk -------------------------------------------------------------------------------

bool TRegexEngine::BackRefAt(const uint8_t* At, int Group, bool CaseInsensitive,
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

ptrdiff_t TRegexEngine::RegRepeat(int32_t Node, const uint8_t* At, ptrdiff_t Max, ptrdiff_t& Step) {
  const uint8_t* const Repeated = FProgram.data() + Node;
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

bool TRegexEngine::MatchPrim(int32_t Node) {
  const uint8_t* const Base = FProgram.data();
  const uint8_t* const TextBegin = FTextBegin;
  const uint8_t* const TextEnd = FTextEnd;
  const uint8_t* Cursor = FCursor;
  auto CharAt = [TextEnd](const uint8_t* At) { return At < TextEnd ? int(*At) : 0; };
  for (;;) {
    const uint8_t* const At = Base + Node;
    const uint8_t* const Operand = At + kNodeHeaderSize;
    switch (At[0]) {
      case opEnd:
        FCursor = Cursor;
        return true;
      case opInputStart:
        if (Cursor != TextBegin) goto Fail;
        break;
      case opInputEnd:
        if (Cursor != TextEnd) goto Fail;
        break;
      case opAnyChar:
        if (Cursor == TextEnd) goto Fail;
        ++Cursor;
        break;
      case opAnyInLine:
        if (Cursor == TextEnd) goto Fail;
        if (FPairSet && *Cursor == FPairHead && CharAt(Cursor + 1) == FPairTail) goto Fail;
        if (FLineBreakSet[*Cursor]) goto Fail;
        ++Cursor;
        break;
      case opLineStart:
        if (Cursor != TextBegin) {
          const uint8_t Previous = Cursor[-1];
          if (FPairSet && Previous == FPairTail && Cursor - 1 > TextBegin &&
              Cursor[-2] == FPairHead)
            break;
          if (FPairSet && Previous == FPairHead && CharAt(Cursor) == FPairTail) goto Fail;
          if (!FLineBreakSet[Previous]) goto Fail;
        }
        break;
      case opLineEnd:
        if (Cursor != TextEnd) {
          const uint8_t Ch = *Cursor;
          if (FPairSet && Ch == FPairHead && CharAt(Cursor + 1) == FPairTail) break;
          if (FPairSet && Ch == FPairTail && Cursor > TextBegin && Cursor[-1] == FPairHead)
            goto Fail;
          if (!FLineBreakSet[Ch]) goto Fail;
        }
        break;
      case opDigit:
        if (Cursor == TextEnd || uint8_t(*Cursor - '0') > 9) goto Fail;
        ++Cursor;
        break;
      case opNotDigit:
        if (Cursor == TextEnd || uint8_t(*Cursor - '0') <= 9) goto Fail;
        ++Cursor;
        break;
      case opLiteral: {
        // The first byte is compared even when it is the terminating 0: a literal of code 0
        // matches only at the end of the input, and advances by nothing.
        if (Operand[0] == 0) {
          if (Cursor != TextEnd) goto Fail;
          break;
        }
        const uint8_t* Text = Cursor;
        for (const uint8_t* Ch = Operand; *Ch; ++Ch, ++Text)
          if (Text == TextEnd || *Text != *Ch) goto Fail;
        Cursor = Text;
        break;
      }
      case opLiteralCI: {
        if (Operand[0] == 0) {
          if (Cursor != TextEnd) goto Fail;
          break;
        }
        const uint8_t* Text = Cursor;
        for (const uint8_t* Ch = Operand; *Ch; ++Ch, ++Text)
          if (Text == TextEnd || (*Text != *Ch && *Text != FCaseTable[*Ch])) goto Fail;
        Cursor = Text;
        break;
      }
      case opOneOf:
        if (Cursor == TextEnd ||
            (*Cursor != Operand[0] && *Cursor != Operand[1] && *Cursor != Operand[2]))
          goto Fail;
        ++Cursor;
        break;
      case opNoneOf:
        if (Cursor == TextEnd || *Cursor == Operand[0] || *Cursor == Operand[1] ||
            *Cursor == Operand[2])
          goto Fail;
        ++Cursor;
        break;
      case opCharSet:
        if (Cursor == TextEnd || !(Operand[*Cursor >> 3] & (1u << (*Cursor & 7)))) goto Fail;
        ++Cursor;
        break;
      case opBackRef:
      case opBackRefCI: {
        ptrdiff_t Length = 0;
        if (!BackRefAt(Cursor, Operand[0], At[0] == opBackRefCI, Length)) goto Fail;
        Cursor += Length;
        break;
      }
      case opWordBoundary:
      case opNotWordBoundary: {
        const bool Before = Cursor > TextBegin && FWordSet[Cursor[-1]];
        const bool Here = Cursor < TextEnd && FWordSet[*Cursor];
        if ((Before != Here) != (At[0] == opWordBoundary)) goto Fail;
        break;
      }
      case opNothing:
      case opJumpBack:
      case opComment:
        break;
      case opAlternative: {
        const int32_t Next = NextNode(Node);
        if (Next != 0 && Base[Next] == opAlternative) {
          TChoice Choice{};
          Choice.Kind = ckAlternative;
          Choice.Node = Next;
          Choice.Saved = Cursor;
          PushChoice(Choice);
        }
        Node += kNodeHeaderSize;
        continue;
      }
      case opStar:
      case opPlus:
      case opRepeat:
      case opStarLazy:
      case opPlusLazy:
      case opRepeatLazy: {
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
        while (Follow != 0 && (Base[Follow] == opComment || Base[Follow] == opNothing ||
                               (Base[Follow] >= opOpen && Base[Follow] <= opOpenLast) ||
                               (Base[Follow] >= opClose && Base[Follow] <= opCloseLast)))
          Follow = NextNode(Follow);
        const int Look =
            Follow != 0 && Base[Follow] == opLiteral ? Base[Follow + kNodeHeaderSize] : -1;
        ptrdiff_t Step = 1;
        auto Found = int32_t(
            RegRepeat(Node + (Counted ? kRepeatHeaderSize : kNodeHeaderSize), Cursor, Max, Step));
        if (Step == 0) Found = std::min(Found, Min);
        const uint8_t* const Start = Cursor;
        auto Fits = [&](int32_t Count) { return Look < 0 || CharAt(Start + Count * Step) == Look; };
        int32_t Count;
        if (Greedy) {
          for (Count = Found; Count >= Min && !Fits(Count); --Count) {
          }
          if (Count < Min) goto Fail;
        } else {
          if (Found < Min) goto Fail;
          for (Count = Min; Count <= Found && !Fits(Count); ++Count) {
          }
          if (Count > Found) goto Fail;
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
        continue;
      }
      case opLoopEntry: {
        const auto Level = int(FSlots[kSlotLoopLevel]) + 1;
        if (Level > kMaxLoopLevel) Raise(1014);
        SetSlot(kSlotLoopLevel, Level);
        SetSlot(kSlotLoopLevel + Level, 0);
        break;
      }
      case opLoop:
      case opLoopLazy: {
        const auto Level = int(FSlots[kSlotLoopLevel]);
        if (Level <= 0) Raise(1015);
        const auto Counter = int32_t(FSlots[size_t(kSlotLoopLevel + Level)]);
        const int32_t Min = ReadInt32(At + kOperandMin);
        const int32_t Max = ReadInt32(At + kOperandMax);
        const int32_t Body = Node + ReadInt32(At + kOperandBody);
        if (Counter < Min) {
          SetSlot(kSlotLoopLevel + Level, Counter + 1);
          Node = Body;
          continue;
        }
        if (At[0] == opLoop) {
          if (Counter < Max) {
            TChoice Choice{};
            Choice.Kind = ckLoopLeave;
            Choice.Node = Node;
            Choice.Saved = Cursor;
            PushChoice(Choice);
            SetSlot(kSlotLoopLevel + Level, Counter + 1);
            Node = Body;
            continue;
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
        break;
      }
      default:
        if (At[0] >= opOpen && At[0] <= opOpenLast) {
          SetSlot(At[0] - opOpen + 1, Cursor - TextBegin);
          break;
        }
        if (At[0] >= opClose && At[0] <= opCloseLast) {
          SetSlot(kSlotEnd + At[0] - opClose + 1, Cursor - TextBegin);
          break;
        }
        Raise(1001);
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
