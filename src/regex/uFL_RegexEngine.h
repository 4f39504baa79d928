// The system's own regular-expression engine: TRegexEngine and its exception ERegexError.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The one exception of the engine. what() is the full message, as a user is shown it.
class ERegexError : public std::runtime_error {
 public:
  ERegexError(const std::string& Message, int Code, int Position);

  int Code;      // the error code (table in uFL_RegexEngine.cpp)
  int Position;  // ErrorPosition when raised: expression characters before the failing point
};

// Raised when a search would need more backtracking state than the matcher allows (see
// kMaxBacktrackPoints), or would go back more often than kMaxBacktrackSteps. The described
// matcher recursed without bound and crashed on long lines, and nested repeats such as (\w+)*
// can take exponential time; this one ends such a search with this error instead.
inline constexpr int kRegexErrorBacktrackLimit = 1016;

// One expression, its compiled node program, one input and the groups of the last match.
//
// Typical use, searching many lines with one expression:
//
//   TRegexEngine Engine;
//   Engine.SetExpression("\\bbegin\\b");
//   Engine.SetModifierI(true);              // case-insensitive; noticed by the next search
//   for (std::string_view Line : Lines)
//     if (Engine.ExecPos(Line, 1))          // no copy of the line, no recompilation
//       Use(Engine.SubExprPos(0), Engine.SubExprLen(0));
//
// The expression is compiled by the first search after it (or a modifier, or the paired
// separator) changed, and the program is reused until then. Positions are 1-based; a search
// input ends at its first NUL character. Every error is an ERegexError raised through RaiseError;
// after one the object stays usable. One object serves one caller at a time.
class TRegexEngine {
 public:
  using TCaseInverter = std::function<unsigned char(unsigned char)>;

  TRegexEngine();
  virtual ~TRegexEngine();
  TRegexEngine(const TRegexEngine&) = delete;
  TRegexEngine& operator=(const TRegexEngine&) = delete;

  // Records the code, builds the message (compile errors and 128 end in " (pos N)") and throws.
  [[noreturn]] virtual void RaiseError(int Code);
  // The message of a code, "Unknown error" for a code the table lacks.
  virtual std::string ErrorMessage(int Code) const;

  // ---- Expression --------------------------------------------------------------------------
  // Empty when unset. Setting a different text (cut at a NUL) drops the program; setting the
  // same text again keeps it. An empty text leaves the expression unset.
  const std::string& Expression() const { return FExpression; }
  void SetExpression(std::string_view Text);
  // Compiles now what the next search would compile (raising its compile error), so a caller can
  // report a bad expression before its first search. Searches do this themselves.
  void Compile();
  bool Compiled() const { return FCompiled; }
  void DiscardProgram();

  // ---- Input and search --------------------------------------------------------------------
  // The stored input, copied up to its first NUL. Setting it clears the groups. An empty input is
  // a set input.
  const std::string& InputString() const { return FInputString; }
  bool HasInputString() const { return FHasInputString; }
  void SetInputString(std::string_view Text);

  // Searches InputString from the 1-based Offset for the leftmost match. False when there is
  // none, also when Offset is past the end + 1. Raises 1003 without an expression, 1005 without
  // an input, 1006 for Offset < 1, and compile errors.
  bool ExecPos(int Offset = 1);
  // The same on Input, searched where it lies (no copy; it must stay alive during the call only):
  // as if InputString had been set to Input, but InputString itself is left as it is. Afterwards
  // SubExprPos and SubExprLen refer to Input.
  bool ExecPos(std::string_view Input, int Offset);

  // 1-based position and length of group N of the last match (0 = the whole match); -1 when N is
  // outside 0..14, nothing was searched or set, or the group took no part in the match.
  int SubExprPos(int N) const;
  int SubExprLen(int N) const;

  // ---- Modifiers ---------------------------------------------------------------------------
  // Bits i 1, r 2, s 4, g 8, m 16, x 32; default r s g (14). A change takes effect (recompiles)
  // at the next search.
  uint32_t ModifierFlags() const { return FModifierFlags; }
  void SetModifierFlags(uint32_t Flags) { FModifierFlags = Flags; }
  // Index 1..6 selects i, r, s, g, m, x; any other index raises 1013.
  void SetModifier(int Index, bool On);
  bool ModifierI() const { return (FModifierFlags & 1) != 0; }
  bool ModifierR() const { return (FModifierFlags & 2) != 0; }
  bool ModifierS() const { return (FModifierFlags & 4) != 0; }
  bool ModifierG() const { return (FModifierFlags & 8) != 0; }
  bool ModifierM() const { return (FModifierFlags & 16) != 0; }
  bool ModifierX() const { return (FModifierFlags & 32) != 0; }
  void SetModifierI(bool On) { SetModifier(1, On); }
  void SetModifierR(bool On) { SetModifier(2, On); }
  void SetModifierS(bool On) { SetModifier(3, On); }
  void SetModifierG(bool On) { SetModifier(4, On); }
  void SetModifierM(bool On) { SetModifier(5, On); }
  void SetModifierX(bool On) { SetModifier(6, On); }
  // Applies modifier letters ("i", "-x", "gI-m", as in a "(?...)" group) to Flags. False at the
  // first character that is not a modifier letter or "-"; bits changed before it stay changed.
  static bool ParseModifierLetters(std::string_view Text, uint32_t& Flags);

  // ---- Lines, words, spaces, case ----------------------------------------------------------
  // Two different characters (default CR LF) that together make one line break for "^", "$" and
  // "." without s; empty for none. Anything else raises 128. A new value drops the program.
  std::string_view LinePairedSeparator() const;
  void SetLinePairedSeparator(std::string_view Text);
  // Single-character line breaks (default CR, LF); read by "^"/"$" under m and by every search.
  const std::string& LineBreakChars() const { return FLineBreakChars; }
  void SetLineBreakChars(std::string_view Chars);
  // The characters of \s (default space, TAB, LF, CR, FF), read when \s and \S are compiled.
  const std::string& SpaceCharList() const { return FSpaceCharList; }
  void SetSpaceCharList(std::string_view Chars) { FSpaceCharList = Chars; }
  // The characters of \w (default 0-9 a-z A-Z _), read when \w, \W are compiled and by \b, \B.
  const std::string& WordCharList() const { return FWordCharList; }
  void SetWordCharList(std::string_view Chars);
  // The case mapping of every case-insensitive comparison; a pure function of one character.
  void SetCaseInverter(TCaseInverter Inverter);
  // The default inverter: ASCII letters change case, every other character stays.
  static unsigned char InvertCase(unsigned char Ch);

  // ---- Errors ------------------------------------------------------------------------------
  // While compiling: expression characters before the parse point; otherwise 0.
  int ErrorPosition() const;
  int LastErrorCode() const { return FLastErrorCode; }

  // ---- Inspection --------------------------------------------------------------------------
  // The compiled program, one node a line: "offset NAME operand -> next" (empty when none).
  std::string DumpProgram(std::string_view Separator = "\n") const;
  const std::vector<uint8_t>& Program() const { return FProgram; }
  // Search-start data of the compiled program.
  unsigned char StartChar() const { return FStartChar; }
  bool AnchoredAtStart() const { return FAnchoredAtStart; }
  std::string_view RequiredText() const;
  bool InStartCharSet(unsigned char Ch) const { return FStartCharSet[Ch] != 0; }

  // Backtracking points (and, times kTrailPerPoint, saved values) one search may hold at once.
  // A search that needs more raises kRegexErrorBacktrackLimit.
  static constexpr size_t kMaxBacktrackPoints = size_t(1) << 20;
  static constexpr size_t kTrailPerPoint = 4;
  // Returns to backtracking points one search (every start position together) may make; about a
  // second of work at most. A search that needs more raises kRegexErrorBacktrackLimit.
  static constexpr uint64_t kMaxBacktrackSteps = 10'000'000;

 protected:
  // Builds the program for Text and its search-start data; raises the compile errors.
  void CompileExpression(std::string_view Text);

 private:
  using TByteSet = std::array<uint8_t, 256>;  // one flag per character code

  // A saved value of the matcher state, put back when the search backtracks past it.
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

  // RaiseError as the engine calls it: ends the operation even if an override returns.
  [[noreturn]] void Raise(int Code);

  // Compiler (uFL_RegexCompiler.cpp).
  struct TClassBuilder;
  void FinishClass(int32_t Node, const TClassBuilder& Class, bool Negated);
  int32_t ParseReg(bool InGroup, int& Flags);
  int32_t ParseSequence(int& Flags);
  int32_t ParseQuantified(int& Flags);
  int32_t ParseSingle(int& Flags);
  int32_t ParseEscape(int& Flags);
  int32_t ParseLiteralRun(int& Flags);
  int32_t ParseBracketClass();
  int32_t EmitListClass(const std::string& List, bool Negated);
  bool ReadBraceBounds(int32_t& Min, int32_t& Max);
  unsigned char DecodeEscape();
  int HexDigitValue(char Ch);
  int32_t ParseBraceNumber(std::string_view Digits);
  int32_t AppendNode(uint8_t Opcode);
  void EmitByte(uint8_t Byte);
  void EmitInt32(int32_t Value);
  void InsertNode(uint8_t Opcode, int32_t At, int Size);
  void SetNext(int32_t Node, int32_t Target);
  void LinkTail(int32_t Node, int32_t Target);
  void LinkOperandTail(int32_t Node, int32_t Target);
  int32_t NextNode(int32_t Node) const {
    int32_t Offset;  // stored unaligned after the opcode byte
    std::memcpy(&Offset, FProgram.data() + Node + 1, sizeof Offset);
    return Offset == 0 ? 0 : Node + Offset;
  }
  char Peek(size_t Ahead = 0) const;
  bool AtEnd(size_t Ahead = 0) const;
  void ComputeStartData(int TopFlags);
  void BuildStartCharSet(int32_t Node);

  // Matcher (uFL_RegexMatcher.cpp).
  void Prepare();
  bool Search(const uint8_t* Begin, const uint8_t* End, const uint8_t* From);
  bool TryMatchAt(const uint8_t* At);
  bool WouldTryAPosition(const uint8_t* From, const uint8_t* End) const;
  bool HeadFits(const uint8_t* At);
  bool MatchPrim(int32_t Node);
  ptrdiff_t RegRepeat(int32_t Node, const uint8_t* At, ptrdiff_t Max, ptrdiff_t& Step);
  bool Backtrack(int32_t& Node, const uint8_t*& Cursor);
  void PopChoice();
  bool BackRefAt(const uint8_t* At, int Group, bool CaseInsensitive, ptrdiff_t& Length) const;
  void SetSlot(int Slot, ptrdiff_t Value);
  void PushChoice(const TChoice& Choice);
  void Unwind(size_t Height);
  void ClearGroups();

  // Settings.
  std::string FExpression;
  std::string FInputString;
  bool FHasInputString = false;
  bool FSearchedInPlace = false;  // a search on a caller's text set the slots
  uint32_t FModifierFlags = 0;
  std::string FSpaceCharList;
  std::string FWordCharList;
  std::string FLineBreakChars;
  bool FPairSet = false;
  char FPairText[2] = {0, 0};
  unsigned char FPairHead = 0, FPairTail = 0;  // FPairText as the matcher compares them
  TCaseInverter FCaseInverter;
  TByteSet FCaseTable{};     // FCaseInverter of every code, taken when the inverter is set
  TByteSet FLineBreakSet{};  // FLineBreakChars as a set
  TByteSet FWordSet{};       // FWordCharList as a set
  int FLastErrorCode = 0;

  // Program and search-start data.
  std::vector<uint8_t> FProgram;  // empty: none
  bool FCompiled = false;
  uint32_t FProgramModifiers = 0;
  unsigned char FStartChar = 0;
  bool FAnchoredAtStart = false;
  int32_t FRequiredText = 0;  // program offset of the required literal's text, 0 for none
  int32_t FRequiredLength = 0;
  int32_t FImpliedText = 0;  // a literal every match holds, where RequiredText is not used
  int32_t FImpliedLength = 0;
  TByteSet FStartCharSet{};
  int32_t FHeadText = 0;  // the literal every attempt starts with (2 characters or more)
  int32_t FHeadLength = 0;
  bool FHeadCaseless = false;
  bool FHeadBoundary = false;      // every attempt starts with \b
  unsigned char FStartSingle = 0;  // the only member of StartCharSet, when it has exactly one
  bool FStartIsSingle = false;

  // Compiler state.
  bool FCompiling = false;  // ExprStart is set
  std::string_view FExprStart;
  size_t FParseCursor = 0;
  int FGroupCount = 1;
  bool FSizePass = false;
  size_t FEmitPos = 0;  // bytes emitted (the counter in the size pass)
  uint32_t FCompileModifiers = 0;

  // Matcher state. Slots: group starts 0..14, group ends 15..29, loop level 30, loop counters of
  // levels 1..10 at 31..40. Group values are offsets from TextBegin, -1 for none.
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
