// The words and marks the source scan looks for, each with its own slot in the working line.
#pragma once

#include <array>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "analysis/uFL_WorkLine.h"

enum TCodeWordId : int {
  cwBegin,
  cwEnd,
  cwTry,
  cwCase,
  cwProcedure,
  cwConstructor,
  cwDestructor,
  cwFunction,
  cwImplementation,
  cwUses,
  cwWith,
  cwSetAbort,
  cwSetComplete,
  cwSetCompleteNoCommit,
  cwRaise,
  cwCreate,
  cwDestroy,
  cwFree,
  cwFreeAndNil,
  cwInherited,
  cwOpen,
  cwFetch,
  cwClose,
  cwExcept,
  cwQuote,
  cwTwoQuotes,
  cwAssign,
  cwParenOpen,
  cwParenClose,
  cwComma,
  cwSemicolon,
  // The comment marks of the file's language; their texts come from the file object.
  cwLineComment,
  cwBlockOpen,
  cwBlockOpenAlt,
  cwBlockClose,
  cwBlockCloseAlt,
  cwCount
};

inline constexpr std::string_view CodeWordTexts[] = {
    "BEGIN",
    "END",
    "TRY",
    "CASE",
    "PROCEDURE",
    "CONSTRUCTOR",
    "DESTRUCTOR",
    "FUNCTION",
    "IMPLEMENTATION",
    "USES",
    "WITH",
    "SETABORT",
    "SETCOMPLETE",
    "SETCOMPLETENOCOMMIT",
    "RAISE",
    "CREATE",
    "DESTROY",
    "FREE",
    "FREEANDNIL",
    "INHERITED",
    "OPEN",
    "FETCH",
    "CLOSE",
    "EXCEPT",
    "'",
    "''",
    ":=",
    "(",
    ")",
    ",",
    ";",
    "",
    "",
    "",
    "",
    "",
};
static_assert(std::size(CodeWordTexts) == cwCount, "one text per code word");
static_assert(cwCount <= TWorkLine::MaxNeedles, "every code word needs a slot in the working line");

inline constexpr std::array<TNeedle, cwCount> CodeWordNeedles = [] {
  std::array<TNeedle, cwCount> Needles{};
  for (int i = 0; i < cwCount; ++i) Needles[size_t(i)] = TNeedle(i, CodeWordTexts[i]);
  return Needles;
}();

constexpr const TNeedle& CodeWord(TCodeWordId Id) {
  return CodeWordNeedles[size_t(Id)];
}

// A word stands as a whole word when the character before it is a blank, ")", "." or ";" (or it
// starts the line) and the character after it a blank, "(", "." or ";" (or it ends the line).
// Tabs and other punctuation are no boundaries.
constexpr bool IsWordStartBoundary(char C) {
  return C == ' ' || C == ')' || C == '.' || C == ';';
}
constexpr bool IsWordEndBoundary(char C) {
  return C == ' ' || C == '(' || C == '.' || C == ';';
}

// The characters of a name: ASCII letters and digits, "_", and every byte of 128 or more (a
// character of a multi-byte text); PL/SQL names also hold "$" and "#".
constexpr bool IsIdentifierChar(char C, bool Plsql) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') || C == '_' ||
         static_cast<unsigned char>(C) >= 128 || (Plsql && (C == '$' || C == '#'));
}

// What a routine is, worked out once from its header's keyword.
enum class TRoutineKind : uint8_t { rkProcedure, rkFunction, rkConstructor, rkDestructor };

constexpr TRoutineKind RoutineKindOf(TCodeWordId HeaderWord) {
  return HeaderWord == cwFunction      ? TRoutineKind::rkFunction
         : HeaderWord == cwConstructor ? TRoutineKind::rkConstructor
         : HeaderWord == cwDestructor  ? TRoutineKind::rkDestructor
                                       : TRoutineKind::rkProcedure;
}
