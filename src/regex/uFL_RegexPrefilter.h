// Literal prefilter for a regex search over a whole buffer: where a match can possibly lie.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "regex/uFL_RegexProgram.h"

class TRegexEngine;

// A set of literals of which every match of an expression holds at least one: one required
// literal ("TODO:"), or the alternatives of an alternation ("(open|fetch|close)\s+\w+" gives
// open, fetch, close). The literals are read from the compiled program, so what the modifiers do
// (i, inline "(?i)" groups, x's layout) is already in it; literals compared case-insensitively
// match as the engine's case table says.
//
// Use, searching a file buffer line by line:
//
//   Engine.SetModifierI(IgnoreCase);
//   Engine.SetExpression(Term);
//   Engine.Compile();                          // raises the compile error the search would raise
//   const auto Filter = TRegexPrefilter::Build(Engine);
//   for (size_t From = 0;;) {
//     const size_t Hit = Filter ? Filter->FindCandidate(Buffer, From) : From;
//     if (Hit == std::string_view::npos) break;          // no line from From on can match
//     ... run the engine on the line that holds Buffer[Hit] (every line when there is no filter),
//     ... then From := the start of the next line
//   }
//
// A line without a candidate holds no match, so only the lines with one need the matcher. A
// candidate is no promise of a match. A candidate that spans a line break belongs to no line's
// match; running the matcher on the line where it starts is harmless.
class TRegexPrefilter {
 public:
  // At most this many literals: a longer alternation is scanned faster by the matcher's own
  // start-character test.
  static constexpr size_t kMaxLiterals = 32;

  // The prefilter of the engine's compiled program, or none when the engine has no program for
  // its current settings (call Compile first) or when no set of literals is certain: a part that
  // may be absent (?, *, {0,n}), an alternative without a literal, back-references, or more
  // alternatives than kMaxLiterals.
  static std::optional<TRegexPrefilter> Build(const TRegexEngine& CompiledEngine);
  // The same from a program and the case table its case-insensitive nodes compare with.
  static std::optional<TRegexPrefilter> Build(const TRegexProgram& Program,
                                              const TRegexByteSet& CaseTable);

  // The position of the first occurrence at or after From of any of the literals in Buffer, or
  // npos. Allocates nothing.
  size_t FindCandidate(std::string_view Buffer, size_t From) const;

  // The literals as they stand in the program, in the order of the expression.
  std::vector<std::string> Literals() const;
  // Whether some literal is compared case-insensitively.
  bool Caseless() const;

 private:
  // Byte i of a match of the literal is Text[i] or Other[i] (the same byte when compared exactly).
  struct TLiteral {
    std::string Text;
    std::string Other;
    size_t Anchor = 0;  // the rarest position, where a single literal's scan looks first
  };

  TRegexPrefilter() = default;
  bool MatchesAt(const TLiteral& Literal, const uint8_t* At, const uint8_t* End) const;

  std::vector<TLiteral> FLiterals;
  size_t FShortest = 0;  // length of the shortest literal
  // What the scan looks for, at FScanOffset of an occurrence: one byte (Single) with memchr, or
  // a set of bytes.
  TRegexByteSet FScanSet{};
  TRegexByteScan FScan;
  int FSingle = -1;
  size_t FScanOffset = 0;
};
