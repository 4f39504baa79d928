// The regex compiler: node programs as dumps, search-start data, compile errors and positions.
#include <gtest/gtest.h>

#include <string>

#include "regex/uFL_RegexEngine.h"

namespace {

// Engine defaults plus the letters given, as a "(?...)" group would apply them.
struct TCompileCase {
  const char* Expression;
  const char* Modifiers;
  const char* Dump;
};

std::string DumpOf(const std::string& Expression, const char* Modifiers) {
  TRegexEngine Engine;
  uint32_t Flags = Engine.ModifierFlags();
  EXPECT_TRUE(TRegexEngine::ParseModifierLetters(Modifiers, Flags));
  Engine.SetModifierFlags(Flags);
  Engine.SetExpression(Expression);
  Engine.Compile();
  return Engine.DumpProgram("; ");
}

class CompileDump : public testing::TestWithParam<TCompileCase> {};

TEST_P(CompileDump, ProgramIsAsDescribed) {
  const TCompileCase& Case = GetParam();
  EXPECT_EQ(DumpOf(Case.Expression, Case.Modifiers), Case.Dump) << Case.Expression;
}

// Node layout, sizes and links: offsets count from the signature byte at 0.
INSTANTIATE_TEST_SUITE_P(
    Layout, CompileDump,
    testing::Values(
        TCompileCase{"abc", "", "1 ALTERNATIVE -> 15; 6 LITERAL abc -> 15; 15 END"},
        // A run gives up its last character to a quantifier.
        TCompileCase{"abc*", "",
                     "1 ALTERNATIVE -> 26; 6 LITERAL ab -> 14; 14 STAR -> 26; "
                     "19 LITERAL c; 26 END"},
        TCompileCase{"a|b", "",
                     "1 ALTERNATIVE -> 13; 6 LITERAL a -> 25; 13 ALTERNATIVE -> 25; "
                     "18 LITERAL b -> 25; 25 END"},
        TCompileCase{"(a)", "",
                     "1 ALTERNATIVE -> 28; 6 OPEN 1 -> 11; 11 ALTERNATIVE -> 23; "
                     "16 LITERAL a -> 23; 23 CLOSE 1 -> 28; 28 END"},
        TCompileCase{"()", "",
                     "1 ALTERNATIVE -> 26; 6 OPEN 1 -> 11; 11 ALTERNATIVE -> 21; "
                     "16 NOTHING -> 21; 21 CLOSE 1 -> 26; 26 END"},
        TCompileCase{"a{2,3}", "",
                     "1 ALTERNATIVE -> 26; 6 REPEAT {2,3} -> 26; 19 LITERAL a; 26 END"},
        TCompileCase{"a{2}", "", "1 ALTERNATIVE -> 26; 6 REPEAT {2,2} -> 26; 19 LITERAL a; 26 END"},
        TCompileCase{"a{2,}", "",
                     "1 ALTERNATIVE -> 26; 6 REPEAT {2,2147483646} -> 26; 19 LITERAL a; 26 END"},
        TCompileCase{"a{0}", "", "1 ALTERNATIVE -> 26; 6 REPEAT {0,0} -> 26; 19 LITERAL a; 26 END"},
        TCompileCase{"a{2,3}?", "",
                     "1 ALTERNATIVE -> 26; 6 REPEATLAZY {2,3} -> 26; 19 LITERAL a; 26 END"},
        // "{" that starts no bound is literal text, "}" an ordinary character.
        TCompileCase{"a{,3}", "",
                     "1 ALTERNATIVE -> 23; 6 LITERAL a -> 13; 13 LITERAL {,3} -> 23; "
                     "23 END"},
        TCompileCase{"a{x}", "",
                     "1 ALTERNATIVE -> 22; 6 LITERAL a -> 13; 13 LITERAL {x} -> 22; "
                     "22 END"},
        TCompileCase{"a{1", "",
                     "1 ALTERNATIVE -> 21; 6 LITERAL a -> 13; 13 LITERAL {1 -> 21; "
                     "21 END"},
        TCompileCase{"{*", "", "1 ALTERNATIVE -> 18; 6 STAR -> 18; 11 LITERAL {; 18 END"},
        TCompileCase{"a+?", "", "1 ALTERNATIVE -> 18; 6 PLUSLAZY -> 18; 11 LITERAL a; 18 END"},
        TCompileCase{"a??", "",
                     "1 ALTERNATIVE -> 26; 6 REPEATLAZY {0,1} -> 26; 19 LITERAL a; 26 END"},
        TCompileCase{"a?", "",
                     "1 ALTERNATIVE -> 28; 6 ALTERNATIVE -> 18; 11 LITERAL a -> 23; "
                     "18 ALTERNATIVE -> 23; 23 NOTHING -> 28; 28 END"},
        // Without g every quantifier is lazy, with or without the "?".
        TCompileCase{"a*", "-g", "1 ALTERNATIVE -> 18; 6 STARLAZY -> 18; 11 LITERAL a; 18 END"},
        TCompileCase{"a*?", "", "1 ALTERNATIVE -> 18; 6 STARLAZY -> 18; 11 LITERAL a; 18 END"},
        TCompileCase{"a*?", "-g", "1 ALTERNATIVE -> 18; 6 STARLAZY -> 18; 11 LITERAL a; 18 END"}));

// Quantified groups and non-countable atoms: alternative/jump-back structures and complex loops.
INSTANTIATE_TEST_SUITE_P(
    ComplexRepeats, CompileDump,
    testing::Values(
        TCompileCase{"(ab)*", "",
                     "1 ALTERNATIVE -> 49; 6 ALTERNATIVE -> 39; 11 OPEN 1 -> 16; "
                     "16 ALTERNATIVE -> 29; 21 LITERAL ab -> 29; 29 CLOSE 1 -> 34; "
                     "34 JUMPBACK -> 6; 39 ALTERNATIVE -> 44; 44 NOTHING -> 49; 49 END"},
        TCompileCase{"(ab)+", "",
                     "1 ALTERNATIVE -> 49; 6 OPEN 1 -> 11; 11 ALTERNATIVE -> 24; "
                     "16 LITERAL ab -> 24; 24 CLOSE 1 -> 29; 29 ALTERNATIVE -> 39; "
                     "34 JUMPBACK -> 6; 39 ALTERNATIVE -> 44; 44 NOTHING -> 49; 49 END"},
        TCompileCase{"(ab)?", "",
                     "1 ALTERNATIVE -> 44; 6 ALTERNATIVE -> 34; 11 OPEN 1 -> 16; "
                     "16 ALTERNATIVE -> 29; 21 LITERAL ab -> 29; 29 CLOSE 1 -> 39; "
                     "34 ALTERNATIVE -> 39; 39 NOTHING -> 44; 44 END"},
        TCompileCase{"(ab){2,3}", "",
                     "1 ALTERNATIVE -> 51; 6 LOOPENTRY -> 34; 11 OPEN 1 -> 16; "
                     "16 ALTERNATIVE -> 29; 21 LITERAL ab -> 29; 29 CLOSE 1 -> 34; "
                     "34 LOOP {2,3} body 11 -> 51; 51 END"},
        TCompileCase{"(ab)*?", "",
                     "1 ALTERNATIVE -> 51; 6 LOOPENTRY -> 34; 11 OPEN 1 -> 16; "
                     "16 ALTERNATIVE -> 29; 21 LITERAL ab -> 29; 29 CLOSE 1 -> 34; "
                     "34 LOOPLAZY {0,2147483646} body 11 -> 51; 51 END"},
        TCompileCase{"(ab)+?", "",
                     "1 ALTERNATIVE -> 51; 6 LOOPENTRY -> 34; 11 OPEN 1 -> 16; "
                     "16 ALTERNATIVE -> 29; 21 LITERAL ab -> 29; 29 CLOSE 1 -> 34; "
                     "34 LOOPLAZY {1,2147483646} body 11 -> 51; 51 END"},
        TCompileCase{"(a|)?", "",
                     "1 ALTERNATIVE -> 53; 6 ALTERNATIVE -> 43; 11 OPEN 1 -> 16; "
                     "16 ALTERNATIVE -> 28; 21 LITERAL a -> 38; 28 ALTERNATIVE -> 38; "
                     "33 NOTHING -> 38; 38 CLOSE 1 -> 48; 43 ALTERNATIVE -> 48; "
                     "48 NOTHING -> 53; 53 END"},
        // "." without s is not countable by the repeat nodes.
        TCompileCase{".*", "-s",
                     "1 ALTERNATIVE -> 31; 6 ALTERNATIVE -> 21; 11 ANYINLINE -> 16; "
                     "16 JUMPBACK -> 6; 21 ALTERNATIVE -> 26; 26 NOTHING -> 31; 31 END"},
        TCompileCase{".*", "", "1 ALTERNATIVE -> 16; 6 STAR -> 16; 11 ANYCHAR; 16 END"}));

// Classes, escapes, anchors and modifiers.
INSTANTIATE_TEST_SUITE_P(
    Atoms, CompileDump,
    testing::Values(
        TCompileCase{"[]a]", "", "1 ALTERNATIVE -> 14; 6 ONEOF ]aa -> 14; 14 END"},
        TCompileCase{"[a-]", "", "1 ALTERNATIVE -> 14; 6 ONEOF \\x2Daa -> 14; 14 END"},
        TCompileCase{"[-a]", "", "1 ALTERNATIVE -> 14; 6 ONEOF \\x2Daa -> 14; 14 END"},
        TCompileCase{"[a-\\d]", "", "1 ALTERNATIVE -> 43; 6 CHARSET \\x2D0-9a -> 43; 43 END"},
        TCompileCase{"[a-c]", "", "1 ALTERNATIVE -> 14; 6 ONEOF abc -> 14; 14 END"},
        TCompileCase{"[a-d]", "", "1 ALTERNATIVE -> 43; 6 CHARSET a-d -> 43; 43 END"},
        TCompileCase{"[^ab]", "", "1 ALTERNATIVE -> 14; 6 NONEOF abb -> 14; 14 END"},
        TCompileCase{"[^abcd]", "", "1 ALTERNATIVE -> 43; 6 CHARSET ^a-d -> 43; 43 END"},
        TCompileCase{"[a]", "i", "1 ALTERNATIVE -> 14; 6 ONEOF Aaa -> 14; 14 END"},
        TCompileCase{"[a-b]", "i", "1 ALTERNATIVE -> 43; 6 CHARSET ABab -> 43; 43 END"},
        TCompileCase{"[\\x41\\n\\]]", "", "1 ALTERNATIVE -> 14; 6 ONEOF \\x0AA] -> 14; 14 END"},
        TCompileCase{"[\\b\\D\\W]", "", "1 ALTERNATIVE -> 14; 6 ONEOF DWb -> 14; 14 END"},
        TCompileCase{"[\\w]", "", "1 ALTERNATIVE -> 43; 6 CHARSET 0-9A-Z_a-z -> 43; 43 END"},
        // The r modifier's Cyrillic ranges of Windows-1251, YO included.
        TCompileCase{"[\xE0-\xFF]", "",
                     "1 ALTERNATIVE -> 43; 6 CHARSET \\xB8\\xE0-\\xFF -> 43; 43 END"},
        TCompileCase{"[\xE0-\xFF]", "-r",
                     "1 ALTERNATIVE -> 43; 6 CHARSET \\xE0-\\xFF -> 43; 43 END"},
        TCompileCase{"[\xC0-\xDF]", "",
                     "1 ALTERNATIVE -> 43; 6 CHARSET \\xA8\\xC0-\\xDF -> 43; 43 END"},
        TCompileCase{"[\xE0-\xDF]", "",
                     "1 ALTERNATIVE -> 43; 6 CHARSET \\xA8\\xB8\\xC0-\\xFF -> 43; 43 END"},
        TCompileCase{"\\d\\D", "", "1 ALTERNATIVE -> 16; 6 DIGIT -> 11; 11 NOTDIGIT -> 16; 16 END"},
        TCompileCase{"\\s", "",
                     "1 ALTERNATIVE -> 43; 6 CHARSET \\x09\\x0A\\x0C\\x0D\\x20 -> 43; 43 END"},
        TCompileCase{"\\S", "",
                     "1 ALTERNATIVE -> 43; 6 CHARSET ^\\x09\\x0A\\x0C\\x0D\\x20 -> 43; 43 END"},
        // \w is built from its list whatever i says.
        TCompileCase{"\\W", "i", "1 ALTERNATIVE -> 43; 6 CHARSET ^0-9A-Z_a-z -> 43; 43 END"},
        TCompileCase{"\\x41\\x{42}\\x{}", "",
                     "1 ALTERNATIVE -> 27; 6 LITERAL A -> 13; 13 LITERAL B -> 20; "
                     "20 LITERAL \\x00 -> 27; 27 END"},
        TCompileCase{"\\t\\0\\.", "i",
                     "1 ALTERNATIVE -> 27; 6 LITERALCI \\x09 -> 13; 13 LITERALCI 0 -> 20; "
                     "20 LITERALCI . -> 27; 27 END"},
        TCompileCase{"(a)\\1", "i",
                     "1 ALTERNATIVE -> 34; 6 OPEN 1 -> 11; 11 ALTERNATIVE -> 23; "
                     "16 LITERALCI a -> 23; 23 CLOSE 1 -> 28; 28 BACKREFCI 1 -> 34; 34 END"},
        TCompileCase{"\\9", "", "1 ALTERNATIVE -> 12; 6 BACKREF 9 -> 12; 12 END"},
        TCompileCase{"^\\b\\B$\\A\\Z", "",
                     "1 ALTERNATIVE -> 36; 6 INPUTSTART -> 11; 11 WORDBOUNDARY -> 16; "
                     "16 NOTWORDBOUNDARY -> 21; 21 INPUTEND -> 26; 26 INPUTSTART -> 31; "
                     "31 INPUTEND -> 36; 36 END"},
        TCompileCase{"^$", "m", "1 ALTERNATIVE -> 16; 6 LINESTART -> 11; 11 LINEEND -> 16; 16 END"},
        TCompileCase{"a(?#note)b", "",
                     "1 ALTERNATIVE -> 25; 6 LITERAL a -> 13; 13 COMMENT -> 18; "
                     "18 LITERAL b -> 25; 25 END"},
        // A modifier group lasts to the end of its own group.
        TCompileCase{"(a(?i)b)c", "",
                     "1 ALTERNATIVE -> 47; 6 OPEN 1 -> 11; 11 ALTERNATIVE -> 35; "
                     "16 LITERAL a -> 23; 23 COMMENT -> 28; 28 LITERALCI b -> 35; "
                     "35 CLOSE 1 -> 40; 40 LITERAL c -> 47; 47 END"},
        TCompileCase{"(?i)a(?-i)b", "",
                     "1 ALTERNATIVE -> 30; 6 COMMENT -> 11; 11 LITERALCI a -> 18; "
                     "18 COMMENT -> 23; 23 LITERAL b -> 30; 30 END"},
        TCompileCase{"(?-s).", "",
                     "1 ALTERNATIVE -> 16; 6 COMMENT -> 11; 11 ANYINLINE -> 16; 16 END"},
        // x: layout and comments are skipped outside classes, kept inside them.
        TCompileCase{"a b # note", "x",
                     "1 ALTERNATIVE -> 19; 6 LITERAL ab -> 14; 14 COMMENT -> 19; 19 END"},
        TCompileCase{"[ ]", "x", "1 ALTERNATIVE -> 14; 6 ONEOF \\x20\\x20\\x20 -> 14; 14 END"},
        TCompileCase{"a # c\n\r b", "x",
                     "1 ALTERNATIVE -> 30; 6 LITERAL a -> 13; 13 COMMENT -> 18; "
                     "18 COMMENT -> 23; 23 LITERAL b -> 30; 30 END"}));

TEST(CompileDump, MultiplyQuantifiedRunsStayOneNodeEach) {
  // "ab+c" is a literal "a", a counted "b" and a literal "c": quantifiers take one character.
  EXPECT_EQ(DumpOf("ab+c", ""),
            "1 ALTERNATIVE -> 32; 6 LITERAL a -> 13; 13 PLUS -> 25; 18 LITERAL b; "
            "25 LITERAL c -> 32; 32 END");
}

// ---- Compile errors ----------------------------------------------------------------------

struct TErrorCase {
  const char* Expression;
  const char* Modifiers;
  int Code;
  int Position;
};

class CompileError : public testing::TestWithParam<TErrorCase> {};

TEST_P(CompileError, RaisesCodeAtPosition) {
  const TErrorCase& Case = GetParam();
  TRegexEngine Engine;
  uint32_t Flags = Engine.ModifierFlags();
  ASSERT_TRUE(TRegexEngine::ParseModifierLetters(Case.Modifiers, Flags));
  Engine.SetModifierFlags(Flags);
  Engine.SetExpression(Case.Expression);
  Engine.SetInputString("abc");
  try {
    Engine.ExecPos(1);
    FAIL() << Case.Expression << " compiled";
  } catch (const ERegexError& Error) {
    EXPECT_EQ(Error.Code, Case.Code) << Case.Expression;
    EXPECT_EQ(Error.Position, Case.Position) << Case.Expression;
    EXPECT_EQ(std::string(Error.what()),
              Engine.ErrorMessage(Case.Code) + " (pos " + std::to_string(Case.Position) + ")");
    EXPECT_EQ(Engine.LastErrorCode(), Case.Code);
  }
  // No program is left, and the next search fails the same way.
  EXPECT_FALSE(Engine.Compiled());
  EXPECT_TRUE(Engine.Program().empty());
  EXPECT_EQ(Engine.ErrorPosition(), 0);
  try {
    Engine.ExecPos(1);
    FAIL() << Case.Expression << " compiled the second time";
  } catch (const ERegexError& Error) {
    EXPECT_EQ(Error.Code, Case.Code);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, CompileError,
    testing::Values(TErrorCase{"((((((((((((((()))))))))))))))", "", 102, 15},
                    TErrorCase{"(a", "", 103, 2}, TErrorCase{"a(", "", 103, 2},
                    TErrorCase{"(a|b", "", 103, 4}, TErrorCase{"a)", "", 104, 1},
                    TErrorCase{"ab)c", "", 104, 2}, TErrorCase{"(a|)*", "", 106, 4},
                    TErrorCase{"(a?)+", "", 106, 4}, TErrorCase{"(a{0,2})*", "", 106, 8},
                    TErrorCase{"^*", "", 106, 1}, TErrorCase{"\\b{", "", 106, 2},
                    TErrorCase{"(?i)*", "", 106, 4}, TErrorCase{"a *", "x", 106, 2},
                    TErrorCase{"a**", "", 107, 2}, TErrorCase{"a*{2}", "", 107, 2},
                    TErrorCase{"a{2}{3}", "", 107, 4}, TErrorCase{"a?{x", "", 107, 2},
                    TErrorCase{"a+??", "", 107, 3}, TErrorCase{"\\xZZ", "", 108, 2},
                    TErrorCase{"\\x4G", "", 108, 3}, TErrorCase{"\\x{4G}", "", 108, 4},
                    TErrorCase{"[z-a]", "", 109, 3}, TErrorCase{"[\xE0-\xDF]", "-r", 109, 3},
                    TErrorCase{"[a\\", "", 110, 3}, TErrorCase{"[a-\\", "", 110, 4},
                    TErrorCase{"\\x", "", 111, 2}, TErrorCase{"\\x4", "", 111, 3},
                    TErrorCase{"\\x{41", "", 111, 5}, TErrorCase{"\\x{100}", "", 112, 5},
                    TErrorCase{"[abc", "", 113, 4}, TErrorCase{"[]", "", 113, 2},
                    TErrorCase{"*a", "", 115, 1}, TErrorCase{"a|+b", "", 115, 3},
                    TErrorCase{"(*)", "", 115, 2}, TErrorCase{"ab\\", "", 116, 3},
                    TErrorCase{"a{123456789}", "", 122, 11},
                    TErrorCase{"a{1,123456789}", "", 122, 13}, TErrorCase{"a{3,2}", "", 124, 5},
                    TErrorCase{"(?#x", "", 125, 4}, TErrorCase{"(?q)", "", 127, 3},
                    TErrorCase{"(?i", "", 127, 3}, TErrorCase{"(?:a)", "", 127, 4}));

TEST(CompileError, GroupsAreCountedOnlyForCapturingParentheses) {
  // Fourteen groups fit; comments and modifier groups do not count.
  TRegexEngine Engine;
  Engine.SetExpression("(?i)(?#x)(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)(m)(n)");
  Engine.SetInputString("abcdefghijklmn");
  ASSERT_TRUE(Engine.ExecPos(1));
  EXPECT_EQ(Engine.SubExprPos(14), 14);
}

// The empty expression cannot reach the compiler through the object: an empty text leaves the
// expression unset. The compiler itself still refuses it.
TEST(CompileError, EmptyTextIsANullArgument) {
  struct TOpenEngine : TRegexEngine {
    using TRegexEngine::CompileExpression;
  } Engine;
  try {
    Engine.CompileExpression("");
    FAIL();
  } catch (const ERegexError& Error) {
    EXPECT_EQ(Error.Code, 100);
    EXPECT_STREQ(Error.what(), "Regex(comp): Null Argument (pos 0)");
  }
}

// ---- Search-start data -------------------------------------------------------------------

struct TStartCase {
  const char* Expression;
  const char* Modifiers;
  char StartChar;
  bool Anchored;
  const char* Required;
  const char* StartSet;  // the characters at which a match may begin, "*" for every code
};

class StartData : public testing::TestWithParam<TStartCase> {};

TEST_P(StartData, IsComputedFromTheProgram) {
  const TStartCase& Case = GetParam();
  TRegexEngine Engine;
  uint32_t Flags = Engine.ModifierFlags();
  ASSERT_TRUE(TRegexEngine::ParseModifierLetters(Case.Modifiers, Flags));
  Engine.SetModifierFlags(Flags);
  Engine.SetExpression(Case.Expression);
  Engine.Compile();
  EXPECT_EQ(Engine.StartChar(), uint8_t(Case.StartChar)) << Case.Expression;
  EXPECT_EQ(Engine.AnchoredAtStart(), Case.Anchored) << Case.Expression;
  EXPECT_EQ(std::string(Engine.RequiredText()), Case.Required) << Case.Expression;
  std::string Set;
  int Members = 0;
  for (int Ch = 0; Ch < 256; ++Ch) {
    if (!Engine.InStartCharSet(uint8_t(Ch))) continue;
    ++Members;
    if (Ch > 0x20 && Ch < 0x7F) Set += char(Ch);
  }
  EXPECT_EQ(Members == 256 ? std::string("*") : Set, Case.StartSet) << Case.Expression;
}

INSTANTIATE_TEST_SUITE_P(
    Shortcuts, StartData,
    testing::Values(
        TStartCase{"abc", "", 'a', false, "", "a"}, TStartCase{"^abc", "", 0, true, "", "a"},
        TStartCase{"\\Aabc", "", 0, true, "", "a"}, TStartCase{"^abc", "m", 0, false, "", "a"},
        TStartCase{"abc", "i", 0, false, "", "Aa"}, TStartCase{"a|b", "", 0, false, "", "ab"},
        TStartCase{"a*b", "", 0, false, "b", "ab"}, TStartCase{"a*bc", "", 0, false, "bc", "ab"},
        TStartCase{"x*abc\\d+de", "", 0, false, "abc", "ax"},
        TStartCase{"x+ab\\d*cd", "", 0, false, "cd", "x"},
        TStartCase{"(a|b)*c", "", 0, false, "c", "abc"},
        TStartCase{"(ab)+x", "", 0, false, "x", "a"}, TStartCase{"(a*b)c", "", 0, false, "c", "ab"},
        TStartCase{"(ab)c", "", 0, false, "", "a"},
        TStartCase{"a?b{0,2}[cd]", "", 0, false, "", "abcd"},
        TStartCase{"a{2}b", "", 0, false, "b", "a"}, TStartCase{"\\bint\\b", "", 0, false, "", "i"},
        TStartCase{"\\d+", "", 0, false, "", "0123456789"}, TStartCase{".x", "", 0, false, "", "*"},
        TStartCase{"(a)\\1", "", 0, false, "", "a"},
        // A lazy "?" on a group that may be empty loops back without consuming.
        TStartCase{"(a|)?\?b", "", 0, false, "", "ab"},
        TStartCase{"((a|)?\?)?\?c", "", 0, false, "", "ac"}));

}  // namespace
