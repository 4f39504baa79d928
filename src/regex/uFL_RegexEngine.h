// The system's own regular-expression engine: TRegexEngine and its exception ERegexError.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "regex/uFL_RegexProgram.h"

class TRegexCompiler;
class TRegexMatcher;

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
  // CaseInverter of every code, as every case-insensitive comparison uses it.
  const TRegexByteSet& CaseTable() const { return FCaseTable; }
  // The default inverter: ASCII letters change case, every other character stays.
  static unsigned char InvertCase(unsigned char Ch);

  // ---- Errors ------------------------------------------------------------------------------
  // While compiling: expression characters before the parse point; otherwise 0.
  int ErrorPosition() const;
  int LastErrorCode() const { return FLastErrorCode; }

  // ---- Inspection --------------------------------------------------------------------------
  // The compiled program, one node a line: "offset NAME operand -> next" (empty when none).
  std::string DumpProgram(std::string_view Separator = "\n") const;
  const std::vector<uint8_t>& Program() const { return FProgram.Code; }
  // The compiled program with its search-start data (empty when not compiled).
  const TRegexProgram& CompiledProgram() const { return FProgram; }
  // Search-start data of the compiled program.
  unsigned char StartChar() const { return FProgram.StartChar; }
  bool AnchoredAtStart() const { return FProgram.AnchoredAtStart; }
  std::string_view RequiredText() const;
  bool InStartCharSet(unsigned char Ch) const { return FProgram.StartCharSet[Ch] != 0; }

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
  // Compiling and matching are done by objects of their own over this one's settings.
  friend class TRegexCompiler;
  friend class TRegexMatcher;

  // RaiseError as the engine calls it: ends the operation even if an override returns.
  [[noreturn]] void Raise(int Code);
  void Prepare();

  // Settings.
  std::string FExpression;
  std::string FInputString;
  bool FHasInputString = false;
  bool FSearchedInPlace = false;  // a search on a caller's text set the groups
  uint32_t FModifierFlags = 0;
  std::string FSpaceCharList;
  std::string FWordCharList;
  std::string FLineBreakChars;
  bool FPairSet = false;
  char FPairText[2] = {0, 0};
  unsigned char FPairHead = 0, FPairTail = 0;  // FPairText as the matcher compares them
  TCaseInverter FCaseInverter;
  TRegexByteSet FCaseTable{};     // FCaseInverter of every code, taken when the inverter is set
  TRegexByteSet FLineBreakSet{};  // FLineBreakChars as a set
  TRegexByteSet FWordSet{};       // FWordCharList as a set
  int FLastErrorCode = 0;

  TRegexProgram FProgram;  // empty when not compiled
  bool FCompiled = false;
  const TRegexCompiler* FCompiler = nullptr;  // the compilation under way, if any
  std::unique_ptr<TRegexMatcher> FMatcher;    // match state; the groups of the last search
};
