// The regex compiler: one object per compilation, from expression text to a TRegexProgram.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "regex/uFL_RegexProgram.h"

class TRegexEngine;

// Lives for one compilation: the parse cursor, group count, emit position and the modifiers in
// force are its own, so an error (an exception from the engine's RaiseError) leaves no state to
// reset. While it lives, the engine's ErrorPosition reports its parse cursor.
class TRegexCompiler {
 public:
  // Reads the engine's settings (modifiers, \s and \w lists, line breaks, case table) and raises
  // its errors through it.
  TRegexCompiler(TRegexEngine& Engine, std::string_view Text);
  ~TRegexCompiler();
  TRegexCompiler(const TRegexCompiler&) = delete;
  TRegexCompiler& operator=(const TRegexCompiler&) = delete;

  // Both passes, then the search-start data. Raises the compile errors.
  TRegexProgram Compile();
  // Expression characters before the parse point.
  int Position() const { return int(FCursor); }

 private:
  struct TClassBuilder;

  [[noreturn]] void Raise(int Code);

  // Parse levels; each returns the first node it emitted and its compile flags.
  int32_t ParseReg(bool InGroup, int& Flags);
  int32_t ParseSequence(int& Flags);
  int32_t ParseQuantified(int& Flags);
  int32_t ParseSingle(int& Flags);
  int32_t ParseGroupOrModifiers(int& Flags);
  int32_t ParseEscape(int& Flags);
  int32_t ParseLiteralRun(int& Flags);
  int32_t ParseBracketClass();
  void AddRange(TClassBuilder& Class, int First, int Last);
  int32_t EmitListClass(const std::string& List, bool Negated);
  void FinishClass(int32_t Node, const TClassBuilder& Class, bool Negated);
  bool ReadBraceBounds(int32_t& Min, int32_t& Max);
  unsigned char DecodeEscape();
  int HexDigitValue(char Ch);
  int32_t ParseBraceNumber(std::string_view Digits);

  // Emit primitives: in the size pass they only count.
  int32_t AppendNode(uint8_t Opcode);
  void EmitByte(uint8_t Byte);
  void EmitInt32(int32_t Value);
  void InsertNode(uint8_t Opcode, int32_t At, int Size);
  void SetNext(int32_t Node, int32_t Target);
  void LinkTail(int32_t Node, int32_t Target);
  void LinkOperandTail(int32_t Node, int32_t Target);
  int32_t NextNode(int32_t Node) const;
  char Peek(size_t Ahead = 0) const;
  bool AtEnd(size_t Ahead = 0) const;

  // Search-start data (uFL_RegexStartData.cpp).
  void ComputeStartData(int TopFlags);
  void BuildStartCharSet(int32_t Start);

  TRegexEngine& FEngine;
  const std::string_view FText;
  TRegexProgram FProgram;
  size_t FCursor = 0;
  int FGroupCount = 1;
  bool FSizePass = false;
  size_t FEmitPos = 0;  // bytes emitted (the counter in the size pass)
  uint32_t FModifiers = 0;
};
