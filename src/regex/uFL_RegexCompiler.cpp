// The regex compiler: expression text to node program in a size pass and an emit pass.
#include "regex/uFL_RegexCompiler.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

#include "regex/uFL_RegexEngine.h"
#include "regex/uFL_RegexOpcodes.h"

namespace {

bool IsQuantifier(char Ch) {
  return Ch == '*' || Ch == '+' || Ch == '?' || Ch == '{';
}

// The characters that end a literal run. "]" and "}" are ordinary characters.
bool EndsLiteralRun(char Ch) {
  return Ch != 0 && std::strchr("^$.[()|?+*\\{", Ch) != nullptr;
}

// What the x modifier skips outside classes.
bool IsLayout(char Ch) {
  return Ch == '\t' || Ch == '\n' || Ch == '\r' || Ch == ' ';
}

}  // namespace

// Members of a bracket class while it is parsed, then written in its compact or 32-byte form.
struct TRegexCompiler::TClassBuilder {
  std::array<uint8_t, 32> Bits{};
  int Count = 0;
  int Lowest = 255;
  int Highest = 0;
  const std::array<uint8_t, 256>* CaseTable = nullptr;  // set for a case-insensitive class

  bool Has(int Ch) const { return (Bits[size_t(Ch) >> 3] & (1u << (Ch & 7))) != 0; }

  void AddOne(int Ch) {
    // Code 0 ends the input and is never a member.
    if (Ch == 0 || Has(Ch)) return;
    ++Count;
    Lowest = std::min(Lowest, Ch);
    Highest = std::max(Highest, Ch);
    Bits[size_t(Ch) >> 3] |= uint8_t(1u << (Ch & 7));
  }

  void Add(int Ch) {
    AddOne(Ch);
    if (CaseTable) AddOne((*CaseTable)[size_t(Ch)]);
  }

  void AddList(std::string_view List) {
    for (const char Ch : List) Add(uint8_t(Ch));
  }

  // Windows-1251 Cyrillic letters: each case is contiguous except for YO (168 / 184).
  void AddCyrillicUpper() {
    for (int Ch = 192; Ch <= 223; ++Ch) Add(Ch);
    Add(168);
  }

  void AddCyrillicLower() {
    for (int Ch = 224; Ch <= 255; ++Ch) Add(Ch);
    Add(184);
  }
};

// ---- Emit primitives: in the size pass they only count ------------------------------------

int32_t TRegexCompiler::AppendNode(uint8_t Opcode) {
  const auto At = int32_t(FEmitPos);
  if (!FSizePass) {
    FProgram.Code[FEmitPos] = Opcode;
    WriteInt32(&FProgram.Code[FEmitPos + 1], 0);
  }
  FEmitPos += kNodeHeaderSize;
  return At;
}

void TRegexCompiler::EmitByte(uint8_t Byte) {
  if (!FSizePass) FProgram.Code[FEmitPos] = Byte;
  ++FEmitPos;
}

void TRegexCompiler::EmitInt32(int32_t Value) {
  if (!FSizePass) WriteInt32(&FProgram.Code[FEmitPos], Value);
  FEmitPos += 4;
}

void TRegexCompiler::InsertNode(uint8_t Opcode, int32_t At, int Size) {
  // Only the atom just parsed lies behind At, and every link inside it is relative, so moving
  // it keeps it intact; nothing outside points into it yet.
  if (!FSizePass) {
    uint8_t* Base = FProgram.Code.data();
    std::memmove(Base + At + Size, Base + At, FEmitPos - size_t(At));
    Base[At] = Opcode;
    std::memset(Base + At + 1, 0, size_t(Size) - 1);
  }
  FEmitPos += size_t(Size);
}

void TRegexCompiler::SetNext(int32_t Node, int32_t Target) {
  if (!FSizePass) WriteInt32(&FProgram.Code[size_t(Node) + 1], Target - Node);
}

void TRegexCompiler::LinkTail(int32_t Node, int32_t Target) {
  if (FSizePass) return;
  for (int32_t Next = NextNode(Node); Next != 0; Next = NextNode(Node)) Node = Next;
  SetNext(Node, Target);
}

void TRegexCompiler::LinkOperandTail(int32_t Node, int32_t Target) {
  if (FSizePass || FProgram.Code[size_t(Node)] != opAlternative) return;
  LinkTail(Node + kNodeHeaderSize, Target);
}

char TRegexCompiler::Peek(size_t Ahead) const {
  const size_t At = FCursor + Ahead;
  return At < FText.size() ? FText[At] : '\0';
}

bool TRegexCompiler::AtEnd(size_t Ahead) const {
  return FCursor + Ahead >= FText.size();
}

// ---- Compile --------------------------------------------------------------------------------

TRegexCompiler::TRegexCompiler(TRegexEngine& Engine, std::string_view Text)
    : FEngine(Engine), FText(Text) {
  FEngine.FCompiler = this;
}

TRegexCompiler::~TRegexCompiler() {
  FEngine.FCompiler = nullptr;
}

void TRegexCompiler::Raise(int Code) {
  FEngine.Raise(Code);
}

int32_t TRegexCompiler::NextNode(int32_t Node) const {
  const int32_t Offset = NextOffsetOf(FProgram.Code.data() + Node);
  return Offset == 0 ? 0 : Node + Offset;
}

TRegexProgram TRegexCompiler::Compile() {
  if (FText.empty()) Raise(100);
  FProgram.Modifiers = FEngine.FModifierFlags;
  int TopFlags = 0;
  size_t Size = 0;
  // Both passes take the same decisions, so the emit pass fills exactly the counted bytes.
  for (const bool SizePass : {true, false}) {
    FSizePass = SizePass;
    FModifiers = FProgram.Modifiers;
    FCursor = 0;
    FGroupCount = 1;
    FEmitPos = 0;
    if (!SizePass) FProgram.Code.assign(Size, 0);
    EmitByte(kProgramSignature);
    ParseReg(false, TopFlags);
    if (SizePass) {
      Size = FEmitPos;
      // Next offsets are 32-bit: a program this large (an expression of tens of megabytes)
      // could not be linked.
      if (Size > size_t(INT32_MAX)) Raise(101);
    }
  }
  ComputeStartData(TopFlags);
  return std::move(FProgram);
}

int32_t TRegexCompiler::ParseReg(bool InGroup, int& Flags) {
  Flags = flHasWidth;
  const uint32_t SavedModifiers = FModifiers;
  int Group = 0;
  int32_t Open = 0;
  if (InGroup) {
    if (FGroupCount > kMaxGroups) Raise(102);
    Group = FGroupCount++;
    Open = AppendNode(uint8_t(opOpen + Group - 1));
  }
  int BranchFlags = 0;
  int32_t Branch = ParseSequence(BranchFlags);
  int32_t First = Branch;
  if (InGroup) {
    LinkTail(Open, Branch);
    First = Open;
  }
  for (;;) {
    if (!(BranchFlags & flHasWidth)) Flags &= ~flHasWidth;
    Flags |= BranchFlags & flStartsWithRepeat;
    if (Peek() != '|' || AtEnd()) break;
    ++FCursor;
    const int32_t Previous = Branch;
    Branch = ParseSequence(BranchFlags);
    // The chain from First ends at the previous alternative: linking there is the same and
    // keeps a long alternation linear.
    LinkTail(Previous, Branch);
  }
  const int32_t Closer = AppendNode(InGroup ? uint8_t(opClose + Group - 1) : uint8_t(opEnd));
  LinkTail(First, Closer);
  if (!FSizePass) {
    // Every alternative's body ends at the closer as well.
    for (int32_t Node = First; Node != 0; Node = NextNode(Node)) LinkOperandTail(Node, Closer);
  }
  if (InGroup) {
    if (AtEnd() || Peek() != ')') Raise(103);
    ++FCursor;
  } else if (!AtEnd()) {
    // The sequence parser stops only at the end, "|" (taken above) or ")".
    Raise(Peek() == ')' ? 104 : 105);
  }
  FModifiers = SavedModifiers;
  return First;
}

int32_t TRegexCompiler::ParseSequence(int& Flags) {
  Flags = 0;
  const int32_t Alternative = AppendNode(opAlternative);
  int32_t Previous = 0;
  while (!AtEnd() && Peek() != '|' && Peek() != ')') {
    int PieceFlags = 0;
    const int32_t Piece = ParseQuantified(PieceFlags);
    Flags |= PieceFlags & flHasWidth;
    if (Previous == 0) {
      // The first piece follows the alternative's header directly and needs no link.
      Flags |= PieceFlags & flStartsWithRepeat;
    } else {
      // The chain's end is the end of the previous piece, so linking from there is the same as
      // linking from the first piece, without walking the whole chain again.
      LinkTail(Previous, Piece);
    }
    Previous = Piece;
  }
  if (Previous == 0) AppendNode(opNothing);
  return Alternative;
}

bool TRegexCompiler::ReadBraceBounds(int32_t& Min, int32_t& Max) {
  const size_t Brace = FCursor;
  auto ReadDigits = [this] {
    const size_t From = FCursor;
    while (Peek() >= '0' && Peek() <= '9') ++FCursor;
    return FText.substr(From, FCursor - From);
  };
  ++FCursor;
  const std::string_view MinDigits = ReadDigits();
  if (MinDigits.empty() || (Peek() != '}' && Peek() != ',')) {
    FCursor = Brace;
    return false;
  }
  Min = ParseBraceNumber(MinDigits);
  if (Peek() == ',') {
    ++FCursor;
    const std::string_view MaxDigits = ReadDigits();
    if (Peek() != '}') {
      FCursor = Brace;
      return false;
    }
    Max = MaxDigits.empty() ? kMaxBraceBound : ParseBraceNumber(MaxDigits);
  } else {
    Max = Min;
  }
  if (Max < Min) Raise(124);
  return true;
}

int32_t TRegexCompiler::ParseBraceNumber(std::string_view Digits) {
  if (Digits.size() > size_t(kMaxBraceDigits)) Raise(122);
  int64_t Value = 0;
  for (const char Digit : Digits) Value = Value * 10 + (Digit - '0');
  if (Value > kMaxBraceBound || Value < 0) Raise(122);
  return int32_t(Value);
}

int32_t TRegexCompiler::ParseQuantified(int& Flags) {
  int AtomFlags = 0;
  const int32_t Atom = ParseSingle(AtomFlags);
  const char Quantifier = Peek();
  if (AtEnd() || !IsQuantifier(Quantifier)) {
    Flags = AtomFlags;
    return Atom;
  }
  if (!(AtomFlags & flHasWidth) && Quantifier != '?') Raise(106);
  int32_t Min = 0, Max = 0;
  if (Quantifier == '{' && !ReadBraceBounds(Min, Max)) {
    // Not a bound: the "{" starts the next literal atom.
    Flags = AtomFlags;
    return Atom;
  }
  // The cursor is on the quantifier's last character.
  const bool LazyMark = Peek(1) == '?';
  const bool Lazy = LazyMark || !(FModifiers & kModG);
  const bool Single = (AtomFlags & flSimpleAtom) != 0;
  const int32_t Body = Atom + kNodeHeaderSize;  // where the atom lies after one header insert

  auto InsertRepeat = [&](uint8_t Opcode, int32_t From, int32_t To) {
    InsertNode(Opcode, Atom, kRepeatHeaderSize);
    if (!FSizePass) {
      WriteInt32(&FProgram.Code[size_t(Atom) + kOperandMin], From);
      WriteInt32(&FProgram.Code[size_t(Atom) + kOperandMax], To);
    }
  };
  auto EmitLoop = [&](int32_t From, int32_t To, bool LoopLazy) {
    InsertNode(opLoopEntry, Atom, kNodeHeaderSize);
    const int32_t Loop = AppendNode(LoopLazy ? opLoopLazy : opLoop);
    EmitInt32(From);
    EmitInt32(To);
    EmitInt32(Body - Loop);
    SetNext(Atom, Loop);
    LinkTail(Body, Loop);
  };

  switch (Quantifier) {
    case '*':
      Flags = flStartsWithRepeat;
      if (Single) {
        InsertNode(Lazy ? opStarLazy : opStar, Atom, kNodeHeaderSize);
      } else if (!Lazy) {
        InsertNode(opAlternative, Atom, kNodeHeaderSize);  // A1, the atom is its body
        const int32_t Back = AppendNode(opJumpBack);
        LinkTail(Body, Back);
        SetNext(Back, Atom);
        const int32_t Second = AppendNode(opAlternative);
        SetNext(Atom, Second);
        const int32_t Nothing = AppendNode(opNothing);  // A2's body and next
        SetNext(Second, Nothing);
      } else {
        EmitLoop(0, kMaxBraceBound, true);
      }
      break;
    case '+':
      Flags = flHasWidth | flStartsWithRepeat;
      if (Single) {
        InsertNode(Lazy ? opPlusLazy : opPlus, Atom, kNodeHeaderSize);
      } else if (!Lazy) {
        const int32_t Again = AppendNode(opAlternative);
        LinkTail(Atom, Again);
        const int32_t Back = AppendNode(opJumpBack);  // Again's body: back to the atom
        SetNext(Back, Atom);
        const int32_t Second = AppendNode(opAlternative);
        SetNext(Again, Second);
        const int32_t Nothing = AppendNode(opNothing);
        SetNext(Second, Nothing);
      } else {
        EmitLoop(1, kMaxBraceBound, true);
      }
      break;
    case '?':
      Flags = 0;
      if (!Lazy) {
        InsertNode(opAlternative, Atom, kNodeHeaderSize);
        const int32_t Second = AppendNode(opAlternative);
        SetNext(Atom, Second);
        const int32_t Nothing = AppendNode(opNothing);
        SetNext(Second, Nothing);
        LinkTail(Body, Nothing);
      } else if (Single) {
        InsertRepeat(opRepeatLazy, 0, 1);
      } else {
        EmitLoop(0, 1, true);
      }
      break;
    default:  // '{'
      Flags = Min > 0 ? flHasWidth | flStartsWithRepeat : Max > 0 ? flStartsWithRepeat : 0;
      if (Single) {
        InsertRepeat(Lazy ? opRepeatLazy : opRepeat, Min, Max);
      } else {
        EmitLoop(Min, Max, Lazy);
      }
      break;
  }
  if (LazyMark) ++FCursor;
  ++FCursor;
  if (!AtEnd() && IsQuantifier(Peek())) Raise(107);
  return Atom;
}

int32_t TRegexCompiler::ParseSingle(int& Flags) {
  Flags = 0;
  const char Ch = Peek();
  if (AtEnd() || Ch == ')' || Ch == '|') {
    if (!AtEnd()) ++FCursor;
    Raise(114);
  }
  // "^" and "$" see line breaks only under m and when there is a line break to see.
  const bool LineAnchors =
      (FModifiers & kModM) && (!FEngine.FLineBreakChars.empty() || FEngine.FPairSet);
  switch (Ch) {
    case '*':
    case '+':
    case '?':
      ++FCursor;
      Raise(115);
    case '^':
      ++FCursor;
      return AppendNode(LineAnchors ? opLineStart : opInputStart);
    case '$':
      ++FCursor;
      return AppendNode(LineAnchors ? opLineEnd : opInputEnd);
    case '.':
      ++FCursor;
      if (FModifiers & kModS) {
        Flags = flHasWidth | flSimpleAtom;
        return AppendNode(opAnyChar);
      }
      // Not countable: the repeat counter has no line-break rule.
      Flags = flHasWidth;
      return AppendNode(opAnyInLine);
    case '[':
      ++FCursor;
      Flags = flHasWidth | flSimpleAtom;
      return ParseBracketClass();
    case '(':
      ++FCursor;
      return ParseGroupOrModifiers(Flags);
    case '\\':
      ++FCursor;
      return ParseEscape(Flags);
    default:
      return ParseLiteralRun(Flags);
  }
}

// After "(": a comment, a modifier group (both zero-width) or a capturing group.
int32_t TRegexCompiler::ParseGroupOrModifiers(int& Flags) {
  if (Peek() == '?' && Peek(1) == '#') {
    FCursor += 2;
    while (!AtEnd() && Peek() != ')') ++FCursor;
    if (AtEnd()) Raise(125);
    ++FCursor;
    return AppendNode(opComment);
  }
  if (Peek() == '?') {
    ++FCursor;
    const size_t From = FCursor;
    while (!AtEnd() && Peek() != ')') ++FCursor;
    if (AtEnd()) Raise(127);
    if (!TRegexEngine::ParseModifierLetters(FText.substr(From, FCursor - From), FModifiers))
      Raise(127);
    ++FCursor;
    return AppendNode(opComment);
  }
  int GroupFlags = 0;
  const int32_t Node = ParseReg(true, GroupFlags);
  Flags = GroupFlags & (flHasWidth | flStartsWithRepeat);
  return Node;
}

int32_t TRegexCompiler::ParseEscape(int& Flags) {
  if (AtEnd()) Raise(116);
  const bool Caseless = (FModifiers & kModI) != 0;
  const char Ch = Peek();
  Flags = flHasWidth | flSimpleAtom;
  auto Simple = [this](uint8_t Opcode) {
    ++FCursor;
    return AppendNode(Opcode);
  };
  switch (Ch) {
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9': {
      // Nothing checks that the group exists: an unknown group never has a value.
      const int32_t Node = Simple(Caseless ? opBackRefCI : opBackRef);
      EmitByte(uint8_t(Ch - '0'));
      return Node;
    }
    case 'A':
      Flags = 0;
      return Simple(opInputStart);
    case 'Z':
      Flags = 0;
      return Simple(opInputEnd);
    case 'b':
      Flags = 0;
      return Simple(opWordBoundary);
    case 'B':
      Flags = 0;
      return Simple(opNotWordBoundary);
    case 'd':
      return Simple(opDigit);
    case 'D':
      return Simple(opNotDigit);
    case 's':
    case 'S':
      ++FCursor;
      return EmitListClass(FEngine.FSpaceCharList, Ch == 'S');
    case 'w':
    case 'W':
      ++FCursor;
      return EmitListClass(FEngine.FWordCharList, Ch == 'W');
    default: {
      const unsigned char Value = DecodeEscape();
      const int32_t Node = AppendNode(Caseless ? opLiteralCI : opLiteral);
      EmitByte(Value);
      EmitByte(0);
      return Node;
    }
  }
}

unsigned char TRegexCompiler::DecodeEscape() {
  const char Ch = Peek();
  ++FCursor;
  switch (Ch) {
    case 'a':
      return 7;
    case 'e':
      return 27;
    case 'f':
      return 12;
    case 'n':
      return 10;
    case 'r':
      return 13;
    case 't':
      return 9;
    case 'x':
      break;
    default:
      return uint8_t(Ch);
  }
  if (AtEnd()) Raise(111);
  if (Peek() == '{') {
    ++FCursor;
    int Value = 0;
    for (;;) {
      if (AtEnd()) Raise(111);
      if (Peek() == '}') break;
      const int Digit = HexDigitValue(Peek());
      if (Value >= 16) Raise(112);
      Value = Value * 16 + Digit;
      ++FCursor;
    }
    ++FCursor;
    return uint8_t(Value);
  }
  const int High = HexDigitValue(Peek());
  ++FCursor;
  if (AtEnd()) Raise(111);
  const int Low = HexDigitValue(Peek());
  ++FCursor;
  return uint8_t(High * 16 + Low);
}

int TRegexCompiler::HexDigitValue(char Ch) {
  if (Ch >= '0' && Ch <= '9') return Ch - '0';
  if (Ch >= 'a' && Ch <= 'f') return Ch - 'a' + 10;
  if (Ch >= 'A' && Ch <= 'F') return Ch - 'A' + 10;
  Raise(108);
}

int32_t TRegexCompiler::ParseLiteralRun(int& Flags) {
  const bool Extended = (FModifiers & kModX) != 0;
  const char Ch = Peek();
  if (Extended && IsLayout(Ch)) {
    while (IsLayout(Peek())) ++FCursor;
    return AppendNode(opComment);
  }
  if (Extended && Ch == '#') {
    while (!AtEnd() && Peek() != '\r' && Peek() != '\n') ++FCursor;
    while (Peek() == '\r' || Peek() == '\n') ++FCursor;
    return AppendNode(opComment);
  }
  const std::string_view Text = FText;
  const size_t From = FCursor;
  size_t To = From + (Ch == '{' ? 1 : 0);
  // Under x a "#" ends the run: the comment is the next atom.
  while (To < Text.size() && !EndsLiteralRun(Text[To]) && !(Extended && Text[To] == '#')) ++To;
  // A quantifier binds to one character: the run gives up its last one.
  if (To - From > 1 && To < Text.size() && IsQuantifier(Text[To])) --To;
  Flags = flHasWidth | (To - From == 1 ? flSimpleAtom : 0);
  const int32_t Node = AppendNode((FModifiers & kModI) ? opLiteralCI : opLiteral);
  for (size_t At = From; At < To; ++At) {
    if (Extended && IsLayout(Text[At])) continue;
    EmitByte(uint8_t(Text[At]));
  }
  EmitByte(0);
  FCursor = To;
  return Node;
}

int32_t TRegexCompiler::EmitListClass(const std::string& List, bool Negated) {
  // \s and \w are built from their lists as they stand, whatever i says.
  TClassBuilder Class;
  Class.AddList(List);
  const int32_t Node = AppendNode(Negated ? opNoneOf : opOneOf);
  FinishClass(Node, Class, Negated);
  return Node;
}

void TRegexCompiler::FinishClass(int32_t Node, const TClassBuilder& Class, bool Negated) {
  if (Class.Count > kMaxCompactMembers) {
    if (!FSizePass) FProgram.Code[size_t(Node)] = opCharSet;
    for (const uint8_t Byte : Class.Bits) EmitByte(Negated ? uint8_t(~Byte) : Byte);
    return;
  }
  // Members in ascending order, padded by repeating the highest.
  int Written = 0;
  for (int Ch = 1; Ch < 256 && Written < Class.Count; ++Ch) {
    if (!Class.Has(Ch)) continue;
    EmitByte(uint8_t(Ch));
    ++Written;
  }
  for (; Written < kCompactClassSize; ++Written) EmitByte(uint8_t(Class.Highest));
}

// The members after First (already one) up to Last; under r the Cyrillic letter ranges of
// Windows-1251, whose YO lies outside the contiguous block.
void TRegexCompiler::AddRange(TClassBuilder& Class, int First, int Last) {
  const bool Cyrillic = (FModifiers & kModR) != 0;
  if (Cyrillic && First == 224 && Last == 255) {
    Class.AddCyrillicLower();
  } else if (Cyrillic && First == 192 && Last == 223) {
    Class.AddCyrillicUpper();
  } else if (Cyrillic && First == 224 && Last == 223) {
    Class.AddCyrillicLower();
    Class.AddCyrillicUpper();
  } else {
    if (Last < First) Raise(109);
    for (int Member = First + 1; Member <= Last; ++Member) Class.Add(Member);
  }
}

int32_t TRegexCompiler::ParseBracketClass() {
  bool Negated = false;
  if (Peek() == '^') {
    Negated = true;
    ++FCursor;
  }
  TClassBuilder Class;
  if (FModifiers & kModI) Class.CaseTable = &FEngine.FCaseTable;
  const int32_t Node = AppendNode(Negated ? opNoneOf : opOneOf);
  int Previous = -1;  // the previous single character, the start of a possible range
  if (Peek() == ']') {
    Class.Add(']');
    Previous = ']';
    ++FCursor;
  }
  while (!AtEnd() && Peek() != ']') {
    const char Ch = Peek();
    if (Ch == '-' && !AtEnd(1) && Peek(1) != ']' && Previous >= 0) {
      ++FCursor;
      if (Peek() == '\\' && Peek(1) != 0 && std::strchr("dDsSwW", Peek(1))) {
        // "a-\d" is no range: the "-" is a member and the class escape comes next.
        Class.Add('-');
        continue;
      }
      const bool Escaped = Peek() == '\\';
      int Last;
      if (Escaped) {
        ++FCursor;
        if (AtEnd()) Raise(110);
        Last = DecodeEscape();
      } else {
        Last = uint8_t(Peek());
      }
      AddRange(Class, Previous, Last);
      if (!Escaped) ++FCursor;
      Previous = -1;
      continue;
    }
    if (Ch == '\\') {
      ++FCursor;
      if (AtEnd()) Raise(110);
      switch (Peek()) {
        case 'd':
          Class.AddList("0123456789");
          break;
        case 's':
          Class.AddList(FEngine.FSpaceCharList);
          break;
        case 'w':
          Class.AddList(FEngine.FWordCharList);
          break;
        default: {
          // Everything else, "\b" "\D" "\S" "\W" too, is the character it decodes to.
          const int Value = DecodeEscape();
          Class.Add(Value);
          Previous = Value;
          continue;
        }
      }
      ++FCursor;
      Previous = -1;
      continue;
    }
    Class.Add(uint8_t(Ch));
    Previous = uint8_t(Ch);
    ++FCursor;
  }
  if (AtEnd()) Raise(113);
  FinishClass(Node, Class, Negated);
  ++FCursor;
  return Node;
}
