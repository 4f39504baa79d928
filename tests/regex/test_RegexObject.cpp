// The regex object: settings, recompilation, inputs, group results, modifiers and error texts.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "regex/uFL_RegexEngine.h"

namespace {

// The code and message of the error a call raises; code -1 when it raises none.
template <typename TCall>
std::pair<int, std::string> ErrorOf(TCall&& Call) {
  try {
    Call();
  } catch (const ERegexError& Error) {
    return {Error.Code, Error.what()};
  }
  return {-1, ""};
}

TEST(RegexObject, FreshObjectHasNothingToSearchWith) {
  TRegexEngine Engine;
  EXPECT_EQ(ErrorOf([&] { Engine.ExecPos(1); }),
            std::make_pair(1003, std::string("Regex(exec): Not Assigned Expression Property")));
  Engine.SetExpression("a");
  EXPECT_EQ(ErrorOf([&] { Engine.ExecPos(1); }),
            std::make_pair(1005, std::string("Regex(exec): No Inpit String Specified")));
  EXPECT_EQ(Engine.SubExprPos(0), -1);
  Engine.SetInputString("abc");
  EXPECT_EQ(ErrorOf([&] { Engine.ExecPos(0); }),
            std::make_pair(1006, std::string("Regex(exec): Offset Must Be Greater Then 0")));
  EXPECT_EQ(Engine.LastErrorCode(), 1006);
}

TEST(RegexObject, OffsetsPastTheEndFindNothing) {
  TRegexEngine Engine;
  Engine.SetInputString("abc");
  for (const char* Expression : {"c", "$", "^", "\\Z", "x*", "^$"}) {
    Engine.SetExpression(Expression);
    EXPECT_FALSE(Engine.ExecPos(4)) << Expression;
    EXPECT_FALSE(Engine.ExecPos(5)) << Expression;
  }
}

TEST(RegexObject, GroupResultsAndTheirLimits) {
  TRegexEngine Engine;
  Engine.SetExpression("ab");
  Engine.SetInputString("xxabyy");
  ASSERT_TRUE(Engine.ExecPos(1));
  EXPECT_EQ(Engine.SubExprPos(0), 3);
  EXPECT_EQ(Engine.SubExprLen(0), 2);
  EXPECT_EQ(Engine.SubExprPos(1), -1);
  EXPECT_EQ(Engine.SubExprLen(1), -1);
  EXPECT_EQ(Engine.SubExprPos(15), -1);
  EXPECT_EQ(Engine.SubExprPos(-1), -1);
  EXPECT_FALSE(Engine.ExecPos(4));
  // Setting the input clears the groups.
  ASSERT_TRUE(Engine.ExecPos(1));
  Engine.SetInputString("xxabyy");
  EXPECT_EQ(Engine.SubExprPos(0), -1);
}

TEST(RegexObject, FailedSearchClearsGroupsOnlyWhenAPositionWasTried) {
  TRegexEngine Engine;
  Engine.SetExpression("x*yz");  // required text "yz"
  Engine.SetInputString("yzyq");
  ASSERT_TRUE(Engine.ExecPos(1));
  // From 2 the required text is absent: nothing is tried, the old groups stay.
  EXPECT_FALSE(Engine.ExecPos(2));
  EXPECT_EQ(Engine.SubExprPos(0), 1);
  // Offset beyond the end: no error, groups unchanged.
  EXPECT_FALSE(Engine.ExecPos(9));
  EXPECT_EQ(Engine.SubExprPos(0), 1);
  Engine.SetExpression("ab");
  Engine.SetInputString("ab_a");
  ASSERT_TRUE(Engine.ExecPos(1));
  EXPECT_FALSE(Engine.ExecPos(2));  // "a" at 4 is tried and fails
  EXPECT_EQ(Engine.SubExprPos(0), -1);
  // The same holds where a line is ruled out by a literal every match needs ("c" here).
  Engine.SetExpression("(a|b)c");
  Engine.SetInputString("xbc");
  ASSERT_TRUE(Engine.ExecPos(1));
  EXPECT_FALSE(Engine.ExecPos(3));  // nothing to try from 3
  EXPECT_EQ(Engine.SubExprPos(1), 2);
  Engine.SetInputString("xbcab");
  ASSERT_TRUE(Engine.ExecPos(1));
  EXPECT_FALSE(Engine.ExecPos(4));  // "a" and "b" would be tried
  EXPECT_EQ(Engine.SubExprPos(1), -1);
  // And where an attempt is known to fail before it starts (inside a word, for a leading \b).
  Engine.SetExpression("\\b(a)b");
  Engine.SetInputString("ab xab");
  ASSERT_TRUE(Engine.ExecPos(1));
  EXPECT_FALSE(Engine.ExecPos(6));
  EXPECT_EQ(Engine.SubExprPos(1), 1);
  EXPECT_FALSE(Engine.ExecPos(2));  // the "a" at 5 is tried
  EXPECT_EQ(Engine.SubExprPos(1), -1);
}

TEST(RegexObject, InputEndsAtItsFirstNul) {
  TRegexEngine Engine;
  Engine.SetInputString(std::string("ab\0cd", 5));
  EXPECT_EQ(Engine.InputString(), "ab");
  Engine.SetExpression("cd");
  EXPECT_FALSE(Engine.ExecPos(1));
  Engine.SetExpression("b$");
  EXPECT_TRUE(Engine.ExecPos(1));
  // An expression ends at its NUL as well.
  Engine.SetExpression(std::string("b\0x", 3));
  EXPECT_EQ(Engine.Expression(), "b");
}

TEST(RegexObject, EmptyInputIsSearchable) {
  TRegexEngine Engine;
  Engine.SetInputString("");
  EXPECT_TRUE(Engine.HasInputString());
  Engine.SetExpression("^$");
  ASSERT_TRUE(Engine.ExecPos(1));
  EXPECT_EQ(Engine.SubExprPos(0), 1);
  EXPECT_EQ(Engine.SubExprLen(0), 0);
  Engine.SetExpression("a*");
  EXPECT_FALSE(Engine.ExecPos(1));
}

TEST(RegexObject, CompileErrorCarriesPositionInTextAndFields) {
  TRegexEngine Engine;
  Engine.SetExpression("a(");
  Engine.SetInputString("a");
  try {
    Engine.ExecPos(1);
    FAIL();
  } catch (const ERegexError& Error) {
    EXPECT_STREQ(Error.what(), "Regex(comp): ParseReg Unmatched () (pos 2)");
    EXPECT_EQ(Error.Code, 103);
    EXPECT_EQ(Error.Position, 2);
  }
  // A new expression compiles again.
  Engine.SetExpression("a");
  EXPECT_TRUE(Engine.ExecPos(1));
}

TEST(RegexObject, ProgramIsKeptUntilSomethingItDependsOnChanges) {
  TRegexEngine Engine;
  Engine.SetExpression("abc");
  Engine.Compile();
  const uint8_t* Program = Engine.Program().data();
  ASSERT_TRUE(Engine.Compiled());
  Engine.SetExpression("abc");
  EXPECT_EQ(Engine.Program().data(), Program);
  Engine.SetInputString("xabc");
  EXPECT_TRUE(Engine.ExecPos(1));
  EXPECT_EQ(Engine.Program().data(), Program);

  // The same pair again changes nothing; a new pair drops the program.
  Engine.SetLinePairedSeparator("\r\n");
  EXPECT_FALSE(Engine.Program().empty());
  Engine.SetLinePairedSeparator("\n\r");
  EXPECT_TRUE(Engine.Program().empty());
  EXPECT_TRUE(Engine.ExecPos(1));

  Engine.SetExpression("abd");
  EXPECT_FALSE(Engine.Compiled());
  EXPECT_TRUE(Engine.Program().empty());
  Engine.SetExpression("");
  EXPECT_EQ(ErrorOf([&] { Engine.ExecPos(1); }).first, 1003);
}

TEST(RegexObject, ModifierChangeRecompilesAtTheNextSearch) {
  TRegexEngine Engine;
  Engine.SetExpression("abc");
  Engine.SetInputString("xABC");
  EXPECT_FALSE(Engine.ExecPos(1));
  Engine.SetModifierI(true);
  EXPECT_TRUE(Engine.ModifierI());
  EXPECT_TRUE(Engine.ExecPos(1));
  EXPECT_EQ(Engine.DumpProgram("; "), "1 ALTERNATIVE -> 15; 6 LITERALCI abc -> 15; 15 END");
  Engine.SetModifier(1, false);
  EXPECT_FALSE(Engine.ExecPos(1));
}

TEST(RegexObject, DefaultsAndModifierIndexes) {
  TRegexEngine Engine;
  EXPECT_EQ(Engine.ModifierFlags(), 14u);
  EXPECT_EQ(Engine.SpaceCharList(), std::string(" \t\n\r\f"));
  EXPECT_EQ(Engine.WordCharList(),
            "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_");
  EXPECT_EQ(Engine.LineBreakChars(), "\r\n");
  EXPECT_EQ(Engine.LinePairedSeparator(), "\r\n");
  const uint32_t Bits[] = {1, 2, 4, 8, 16, 32};
  for (int Index = 1; Index <= 6; ++Index) {
    Engine.SetModifierFlags(0);
    Engine.SetModifier(Index, true);
    EXPECT_EQ(Engine.ModifierFlags(), Bits[Index - 1]);
    Engine.SetModifierFlags(63);
    Engine.SetModifier(Index, false);
    EXPECT_EQ(Engine.ModifierFlags(), 63 & ~Bits[Index - 1]);
  }
  for (const int Index : {0, 7, -1}) {
    EXPECT_EQ(ErrorOf([&] { Engine.SetModifier(Index, true); }),
              std::make_pair(1013, std::string("Unknown error")));
  }
}

struct TLettersCase {
  const char* Text;
  uint32_t Before;
  bool Result;
  uint32_t After;
};

class ModifierLetters : public testing::TestWithParam<TLettersCase> {};

TEST_P(ModifierLetters, ApplyToAFlagWord) {
  const TLettersCase& Case = GetParam();
  uint32_t Flags = Case.Before;
  EXPECT_EQ(TRegexEngine::ParseModifierLetters(Case.Text, Flags), Case.Result) << Case.Text;
  EXPECT_EQ(Flags, Case.After) << Case.Text;
}

INSTANTIATE_TEST_SUITE_P(
    Letters, ModifierLetters,
    testing::Values(TLettersCase{"", 14, true, 14}, TLettersCase{"i", 0, true, 1},
                    TLettersCase{"IRSGMX", 0, true, 63}, TLettersCase{"-i", 63, true, 62},
                    TLettersCase{"m-sg", 14, true, 18}, TLettersCase{"x-", 0, true, 32},
                    TLettersCase{"-im-", 1, true, 0},
                    // Bits before the bad letter stay changed.
                    TLettersCase{"iq", 0, false, 1}, TLettersCase{"i:x", 0, false, 1},
                    TLettersCase{" ", 5, false, 5}));

TEST(RegexObject, LinePairedSeparatorRules) {
  TRegexEngine Engine;
  const auto Refused = std::make_pair(
      128, std::string("Regex(comp): LinePairedSeparator must countain two different chars or "
                       "no chars at all (pos 0)"));
  EXPECT_EQ(ErrorOf([&] { Engine.SetLinePairedSeparator("aa"); }), Refused);
  EXPECT_EQ(ErrorOf([&] { Engine.SetLinePairedSeparator("abc"); }), Refused);
  EXPECT_EQ(ErrorOf([&] { Engine.SetLinePairedSeparator("a"); }), Refused);
  EXPECT_EQ(Engine.LinePairedSeparator(), "\r\n");
  Engine.SetLinePairedSeparator("");
  EXPECT_EQ(Engine.LinePairedSeparator(), "");
  // Without the pair, the LF of a CR LF is a line break of its own.
  Engine.SetModifierM(true);
  Engine.SetExpression("\\r$");
  Engine.SetInputString("a\r\nb");
  EXPECT_TRUE(Engine.ExecPos(1));
}

TEST(RegexObject, LineAnchorsFollowTheLineBreakSettingsUnderM) {
  TRegexEngine Engine;
  Engine.SetModifierM(true);
  Engine.SetLinePairedSeparator("");
  Engine.SetLineBreakChars("");
  // No line breaks at all: "^" and "$" are the ends of the input.
  Engine.SetExpression("^b");
  Engine.Compile();
  EXPECT_EQ(Engine.DumpProgram("; "),
            "1 ALTERNATIVE -> 18; 6 INPUTSTART -> 11; 11 LITERAL b -> 18; 18 END");
  // A pair alone is enough for line anchors.
  Engine.SetLinePairedSeparator("|;");
  Engine.SetInputString("a|;b");
  EXPECT_TRUE(Engine.ExecPos(1));
  EXPECT_EQ(Engine.SubExprPos(0), 4);
  // LineBreakChars is read before every search, without recompiling.
  Engine.SetLineBreakChars("#");
  Engine.SetExpression("a.b");
  Engine.SetModifierS(false);
  Engine.SetInputString("a#b a|b a|;b axb");
  ASSERT_TRUE(Engine.ExecPos(1));
  EXPECT_EQ(Engine.SubExprPos(0), 5);
}

TEST(RegexObject, SearchInPlaceReadsOnlyTheGivenText) {
  // The text has no NUL after it: a read past its end is caught by the sanitizer.
  const std::string Source = "abcab";
  auto Exact = std::make_unique<char[]>(Source.size());
  Source.copy(Exact.get(), Source.size());
  const std::string_view Text(Exact.get(), 3);
  TRegexEngine Engine;
  Engine.SetInputString("stored");
  Engine.SetExpression("c$");
  ASSERT_TRUE(Engine.ExecPos(Text, 1));
  EXPECT_EQ(Engine.SubExprPos(0), 3);
  EXPECT_EQ(Engine.InputString(), "stored");
  for (const char* Expression : {"c\\x00", "\\w+\\b", "[a-c]*$", "(c)\\1*$", "x*c\\Z"}) {
    Engine.SetExpression(Expression);
    EXPECT_TRUE(Engine.ExecPos(Text, 1)) << Expression;
  }
  Engine.SetExpression("ca");
  EXPECT_FALSE(Engine.ExecPos(Text, 1));
  EXPECT_FALSE(Engine.ExecPos(Text, 5));
  EXPECT_EQ(ErrorOf([&] { Engine.ExecPos(Text, 0); }).first, 1006);
  // An empty view, even one without any text behind it, is an empty input.
  for (const char* Expression : {"^$", "x*yz", "(a|b)c", "\\bab"}) {
    Engine.SetExpression(Expression);
    EXPECT_EQ(Engine.ExecPos(std::string_view(), 1), Expression[0] == '^') << Expression;
  }
  // A search in place needs no stored input.
  TRegexEngine Fresh;
  Fresh.SetExpression("b");
  EXPECT_TRUE(Fresh.ExecPos(Text, 1));
  EXPECT_EQ(Fresh.SubExprPos(0), 2);
}

TEST(RegexObject, CharacterListsAndCaseInverter) {
  TRegexEngine Engine;
  EXPECT_EQ(TRegexEngine::InvertCase('a'), 'A');
  EXPECT_EQ(TRegexEngine::InvertCase('A'), 'a');
  EXPECT_EQ(TRegexEngine::InvertCase('1'), '1');
  EXPECT_EQ(TRegexEngine::InvertCase(0xE0), 0xE0);  // ASCII only
  // A custom inverter serves every case-insensitive comparison.
  Engine.SetCaseInverter([](unsigned char Ch) -> unsigned char {
    if (Ch == 0xE0) return 0xC0;
    if (Ch == 0xC0) return 0xE0;
    return TRegexEngine::InvertCase(Ch);
  });
  Engine.SetModifierI(true);
  Engine.SetExpression("\xE0[\xE0]");
  Engine.SetInputString("x\xC0\xC0");
  ASSERT_TRUE(Engine.ExecPos(1));
  EXPECT_EQ(Engine.SubExprPos(0), 2);
  // \s and \w take their lists when compiled; \b reads the word list at every search.
  Engine.SetModifierI(false);
  Engine.SetSpaceCharList("_");
  Engine.SetWordCharList("ab");
  Engine.SetExpression("\\w+\\s");
  Engine.SetInputString("xyab_");
  ASSERT_TRUE(Engine.ExecPos(1));
  EXPECT_EQ(Engine.SubExprPos(0), 3);
  Engine.SetExpression("\\bb");
  Engine.SetInputString("ab xb");
  ASSERT_TRUE(Engine.ExecPos(1));
  EXPECT_EQ(Engine.SubExprPos(0), 5);
}

TEST(RegexObject, ErrorMessagesAreTheSystemsOwnTexts) {
  // Every code of the table, spelled as the system spells it.
  const std::pair<int, const char*> Texts[] = {
      {0, "No errors"},
      {100, "Regex(comp): Null Argument"},
      {101, "Regex(comp): Regexp Too Big"},
      {102, "Regex(comp): ParseReg Too Many ()"},
      {103, "Regex(comp): ParseReg Unmatched ()"},
      {104, "Regex(comp): ParseReg Unmatched ()"},
      {105, "Regex(comp): ParseReg Junk On End"},
      {106, "Regex(comp): *+ Operand Could Be Empty"},
      {107, "Regex(comp): Nested *?+"},
      {108, "Regex(comp): Bad Hex Digit"},
      {109, "Regex(comp): Invalid [] Range"},
      {110, "Regex(comp): Parse Atom Trailing \\"},
      {111, "Regex(comp): No Hex Code After \\x"},
      {112, "Regex(comp): Hex Code After \\x Is Too Big"},
      {113, "Regex(comp): Unmatched []"},
      {114, "Regex(comp): Internal Urp"},
      {115, "Regex(comp): ?+*{ Follows Nothing"},
      {116, "Regex(comp): Trailing \\"},
      {119, "Regex(comp): RarseAtom Internal Disaster"},
      {122, "Regex(comp): BRACES Argument Too Big"},
      {124, "Regex(comp): BRACE Min Param Greater then Max"},
      {125, "Regex(comp): Unclosed (?#Comment)"},
      {126,
       "Regex(comp): Braces '{min,max}' and non-greedy ops '*?', '+?', '?"
       "?' are not enabled for complex cases"},
      {127, "Regex(comp): Urecognized Modifier"},
      {128,
       "Regex(comp): LinePairedSeparator must countain two different chars or no chars at "
       "all"},
      {1000, "Regex(exec): RegRepeat Called Inappropriately"},
      {1001, "Regex(exec): MatchPrim Memory Corruption"},
      {1002, "Regex(exec): MatchPrim Corrupted Pointers"},
      {1003, "Regex(exec): Not Assigned Expression Property"},
      {1004, "Regex(exec): Corrupted Program"},
      {1005, "Regex(exec): No Inpit String Specified"},
      {1006, "Regex(exec): Offset Must Be Greater Then 0"},
      {1007, "Regex(exec): ExecNext Without Exec[Pos]"},
      {1008, "Regex(exec): GetInputString Without InputString"},
      {1011, "Regex(dump): Corrupted Opcode"},
      {1014, "Regex(exec): Loop Stack Exceeded"},
      {1015, "Regex(exec): Loop Without LoopEntry !"},
      {1009, "Unknown error"},
      {1013, "Unknown error"},
      {-5, "Unknown error"},
  };
  TRegexEngine Engine;
  for (const auto& [Code, Text] : Texts) EXPECT_EQ(Engine.ErrorMessage(Code), Text) << Code;
  EXPECT_NE(Engine.ErrorMessage(kRegexErrorBacktrackLimit), "Unknown error");
}

TEST(RegexObject, RaiseErrorAddsThePositionBelow1000Only) {
  TRegexEngine Engine;
  EXPECT_EQ(ErrorOf([&] { Engine.RaiseError(113); }),
            std::make_pair(113, std::string("Regex(comp): Unmatched [] (pos 0)")));
  EXPECT_EQ(ErrorOf([&] { Engine.RaiseError(1004); }),
            std::make_pair(1004, std::string("Regex(exec): Corrupted Program")));
  EXPECT_EQ(Engine.LastErrorCode(), 1004);
}

// A subclass that words its errors differently still raises through the same slot.
TEST(RegexObject, ErrorMessageCanBeReplacedBySubclass) {
  struct TQuietEngine : TRegexEngine {
    std::string ErrorMessage(int Code) const override { return "E" + std::to_string(Code); }
  } Engine;
  Engine.SetExpression("[a");
  EXPECT_EQ(ErrorOf([&] { Engine.Compile(); }), std::make_pair(113, std::string("E113 (pos 2)")));
}

}  // namespace
