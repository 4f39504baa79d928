// Search-start data of a compiled program: where a match can begin and what text it must hold.
#include "regex/uFL_RegexCompiler.h"

#include <cstring>
#include <vector>

#include "regex/uFL_RegexEngine.h"
#include "regex/uFL_RegexOpcodes.h"

void TRegexCompiler::ComputeStartData(int TopFlags) {
  FProgram.StartCharSet.fill(0);
  BuildStartCharSet(1);
  int Members = 0;
  for (int Ch = 0; Ch < 256; ++Ch) {
    if (!FProgram.StartCharSet[size_t(Ch)]) continue;
    ++Members;
    FProgram.StartSingle = uint8_t(Ch);
  }
  FProgram.StartIsSingle = Members == 1;
  FProgram.StartScan = TRegexByteScan::Build(FProgram.StartCharSet);
  FProgram.StartChar = 0;
  FProgram.AnchoredAtStart = false;
  FProgram.RequiredText = 0;
  FProgram.RequiredLength = 0;
  FProgram.ImpliedText = 0;
  FProgram.ImpliedLength = 0;
  FProgram.HeadText = 0;
  FProgram.HeadLength = 0;
  FProgram.HeadCaseless = false;
  FProgram.HeadBoundary = false;
  const uint8_t* Base = FProgram.Code.data();
  const int32_t Next = NextNode(1);
  if (Next == 0 || Base[Next] != opEnd) return;  // more than one top-level alternative
  const int32_t Head = 1 + kNodeHeaderSize;
  if (Base[Head] == opLiteral) FProgram.StartChar = Base[Head + kNodeHeaderSize];
  FProgram.HeadBoundary = Base[Head] == opWordBoundary;
  if (Base[Head] == opLiteral || Base[Head] == opLiteralCI) {
    const auto Length =
        int32_t(std::strlen(reinterpret_cast<const char*>(Base + Head + kNodeHeaderSize)));
    if (Length >= 2) {
      FProgram.HeadText = Head + kNodeHeaderSize;
      FProgram.HeadLength = Length;
      FProgram.HeadCaseless = Base[Head] == opLiteralCI;
    }
  }
  if (Base[Head] == opInputStart) FProgram.AnchoredAtStart = true;
  // Only the top-level chain: what lies inside groups or under a counting repeat is optional
  // or repeated, but every node on this chain is passed by every match.
  int32_t Longest = 0, LongestLength = 0;
  for (int32_t Node = Head; Node != 0 && Base[Node] != opEnd; Node = NextNode(Node)) {
    if (Base[Node] != opLiteral) continue;
    const auto Length =
        int32_t(std::strlen(reinterpret_cast<const char*>(Base + Node + kNodeHeaderSize)));
    if (Length > 0 && Length >= LongestLength) {
      Longest = Node + kNodeHeaderSize;
      LongestLength = Length;
    }
  }
  if (TopFlags & flStartsWithRepeat) {
    FProgram.RequiredText = Longest;
    FProgram.RequiredLength = LongestLength;
    return;
  }
  // The same text proves that a line holds no match for other expressions too. Skipping their
  // attempts changes no result: they could only fail, or raise 1014, which needs more than ten
  // loop entries in the program.
  int LoopEntries = 0;
  for (size_t At = 1; At < FProgram.Code.size(); At += NodeSizeAt(Base + At))
    LoopEntries += Base[At] == opLoopEntry;
  // Only worth a scan where the search would otherwise try every position of a character set;
  // a single start character is found by memchr anyway.
  const bool SetScan =
      !FProgram.AnchoredAtStart && FProgram.StartChar == 0 && !FProgram.StartIsSingle;
  if (SetScan && LoopEntries <= kMaxLoopLevel) {
    FProgram.ImpliedText = Longest;
    FProgram.ImpliedLength = LongestLength;
  }
}

void TRegexCompiler::BuildStartCharSet(int32_t Start) {
  // A union over every path, so each node needs walking once; the visited marks also end the
  // walk around a loop whose body can come back to the loop node without consuming anything.
  const uint8_t* Base = FProgram.Code.data();
  std::vector<uint8_t> Visited(FProgram.Code.size(), 0);
  std::vector<int32_t> Pending{Start};
  auto AddRange = [this](int From, int To, bool In) {
    for (int Ch = 0; Ch < 256; ++Ch)
      if ((Ch >= From && Ch <= To) == In) FProgram.StartCharSet[size_t(Ch)] = 1;
  };
  while (!Pending.empty()) {
    int32_t Node = Pending.back();
    Pending.pop_back();
    while (Node != 0 && !Visited[size_t(Node)]) {
      Visited[size_t(Node)] = 1;
      const uint8_t* At = Base + Node;
      const uint8_t* Operand = At + kNodeHeaderSize;
      int32_t Continue = 0;  // the next node of this walk, 0 to stop
      switch (At[0]) {
        case opEnd:
          break;
        case opInputStart:
        case opInputEnd:
        case opJumpBack:
        case opNothing:
        case opComment:
        case opLineStart:
        case opLineEnd:
        case opWordBoundary:
        case opNotWordBoundary:
          Continue = NextNode(Node);
          break;
        case opAnyChar:
        case opAnyInLine:
        case opBackRef:
        case opBackRefCI:
          FProgram.StartCharSet.fill(1);
          return;
        case opLiteral:
          FProgram.StartCharSet[Operand[0]] = 1;
          break;
        case opLiteralCI:
          FProgram.StartCharSet[Operand[0]] = 1;
          FProgram.StartCharSet[FEngine.FCaseTable[Operand[0]]] = 1;
          break;
        case opDigit:
          AddRange('0', '9', true);
          break;
        case opNotDigit:
          AddRange('0', '9', false);
          break;
        case opOneOf:
          for (int i = 0; i < kCompactClassSize; ++i) FProgram.StartCharSet[Operand[i]] = 1;
          break;
        case opNoneOf:
          for (int Ch = 0; Ch < 256; ++Ch)
            if (Ch != Operand[0] && Ch != Operand[1] && Ch != Operand[2])
              FProgram.StartCharSet[size_t(Ch)] = 1;
          break;
        case opCharSet:
          for (int Ch = 0; Ch < 256; ++Ch)
            if (Operand[Ch >> 3] & (1u << (Ch & 7))) FProgram.StartCharSet[size_t(Ch)] = 1;
          break;
        case opLoopEntry:
          Continue = NextNode(Node);
          break;
        case opAlternative: {
          const int32_t Next = NextNode(Node);
          if (Next == 0 || Base[Next] != opAlternative) {
            Continue = Node + kNodeHeaderSize;
            break;
          }
          for (int32_t Alt = Node; Alt != 0 && Base[Alt] == opAlternative; Alt = NextNode(Alt))
            Pending.push_back(Alt + kNodeHeaderSize);
          break;
        }
        case opLoop:
        case opLoopLazy:
          Pending.push_back(Node + ReadInt32(At + kOperandBody));
          if (ReadInt32(At + kOperandMin) == 0) Continue = NextNode(Node);
          break;
        case opStar:
        case opStarLazy:
          Pending.push_back(Node + kNodeHeaderSize);
          Continue = NextNode(Node);
          break;
        case opPlus:
        case opPlusLazy:
          Pending.push_back(Node + kNodeHeaderSize);
          break;
        case opRepeat:
        case opRepeatLazy:
          Pending.push_back(Node + kRepeatHeaderSize);
          if (ReadInt32(At + kOperandMin) == 0) Continue = NextNode(Node);
          break;
        default:
          if (At[0] >= opOpen && At[0] <= opCloseLast && IsKnownOpcode(At[0])) {
            Continue = NextNode(Node);
            break;
          }
          Raise(1001);
      }
      Node = Continue;
    }
  }
}
