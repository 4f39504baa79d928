// The regex matcher: leftmost-first matches, groups, repeats, loops, lines and word boundaries.
#include <gtest/gtest.h>

#include <string>

#include "regex/uFL_RegexEngine.h"

namespace {

struct TMatchCase {
  const char* Expression;
  const char* Modifiers;  // applied to the engine's defaults
  std::string Input;
  int Offset;
  const char* Expected;  // "0=POS+LEN 1=POS+LEN ..." for the groups with a value, "none", "error N"
};

// What one search gives, in the form of TMatchCase::Expected.
std::string Outcome(TRegexEngine& Engine, const std::string& Input, int Offset) {
  Engine.SetInputString(Input);
  try {
    if (!Engine.ExecPos(Offset)) return "none";
  } catch (const ERegexError& Error) {
    return "error " + std::to_string(Error.Code);
  }
  std::string Groups;
  for (int N = 0; N <= 14; ++N) {
    if (Engine.SubExprPos(N) < 0) continue;
    if (!Groups.empty()) Groups += ' ';
    Groups += std::to_string(N) + "=" + std::to_string(Engine.SubExprPos(N)) + "+" +
              std::to_string(Engine.SubExprLen(N));
  }
  return Groups;
}

class Match : public testing::TestWithParam<TMatchCase> {};

TEST_P(Match, FindsTheLeftmostFirstMatch) {
  const TMatchCase& Case = GetParam();
  TRegexEngine Engine;
  uint32_t Flags = Engine.ModifierFlags();
  ASSERT_TRUE(TRegexEngine::ParseModifierLetters(Case.Modifiers, Flags));
  Engine.SetModifierFlags(Flags);
  Engine.SetExpression(Case.Expression);
  EXPECT_EQ(Outcome(Engine, Case.Input, Case.Offset), Case.Expected)
      << "/" << Case.Expression << "/ on \"" << Case.Input << "\" from " << Case.Offset;
}

INSTANTIATE_TEST_SUITE_P(
    SearchPositions, Match,
    testing::Values(
        TMatchCase{"ab", "", "xxabyy", 1, "0=3+2"}, TMatchCase{"ab", "", "xxabyy", 4, "none"},
        TMatchCase{"ab", "", "abab", 2, "0=3+2"}, TMatchCase{"foo", "", "xfofoo", 1, "0=4+3"},
        // Position 1 is not tried: "b" is not a possible first character.
        TMatchCase{"a*", "", "baaa", 1, "0=2+3"}, TMatchCase{"x*", "", "abc", 1, "none"},
        TMatchCase{"$", "", "abc", 1, "none"}, TMatchCase{"$", "", "", 1, "none"},
        TMatchCase{"^", "", "abc", 1, "0=1+0"}, TMatchCase{"^", "", "abc", 2, "none"},
        TMatchCase{"^a", "", "aa", 2, "none"}, TMatchCase{"\\Aa", "", "aa", 1, "0=1+1"},
        TMatchCase{"^$", "", "", 1, "0=1+0"}, TMatchCase{"\\A\\Z", "", "", 1, "0=1+0"},
        TMatchCase{"a$", "", "aa", 1, "0=2+1"}, TMatchCase{"c", "", "abc", 4, "none"},
        // The required text "bc" rules the input out before any attempt.
        TMatchCase{"a*bc", "", "aaab", 1, "none"}, TMatchCase{"a*bc", "", "aaabc", 1, "0=1+5"},
        TMatchCase{"x*y", "", "aby", 1, "0=3+1"},
        // A literal of code 0 matches only at the end, which is never a start position.
        TMatchCase{"\\x00", "", "abc", 1, "none"}, TMatchCase{"c\\x{}", "", "abc", 1, "0=3+1"},
        TMatchCase{"c\\x00d", "", "acd", 1, "none"}, TMatchCase{"ABC", "", "abc", 1, "none"},
        TMatchCase{"(?i)ABC", "", "abc", 1, "0=1+3"}, TMatchCase{"abc", "i", "xAbC", 1, "0=2+3"}));

INSTANTIATE_TEST_SUITE_P(
    Repeats, Match,
    testing::Values(
        TMatchCase{"a*?b", "", "aaab", 1, "0=1+4"}, TMatchCase{"a+?", "", "aaa", 1, "0=1+1"},
        TMatchCase{"a{2,3}", "", "aaaa", 1, "0=1+3"}, TMatchCase{"a{2,3}?", "", "aaaa", 1, "0=1+2"},
        TMatchCase{"a{2,}?", "", "aaaa", 1, "0=1+2"}, TMatchCase{"a{2}", "", "a", 1, "none"},
        TMatchCase{"a{0}b", "", "aab", 1, "0=3+1"}, TMatchCase{"a??b", "", "ab", 1, "0=1+2"},
        TMatchCase{"a+", "-g", "aaa", 1, "0=1+1"}, TMatchCase{"a+?", "-g", "aaa", 1, "0=1+1"},
        // Greedy repeats back off until the next literal can start.
        TMatchCase{"a*ab", "", "aaab", 1, "0=1+4"}, TMatchCase{"[a-z]*z", "", "abzcz", 1, "0=1+5"},
        TMatchCase{".*c", "", "abcabc", 1, "0=1+6"}, TMatchCase{".*?c", "", "abcabc", 1, "0=1+3"},
        TMatchCase{"\\d+\\.\\d{2}", "", "x 12.345", 1, "0=3+5"},
        TMatchCase{"[^,]+,", "", "ab,cd,", 3, "0=4+3"},
        TMatchCase{"\\s+", "", "a \t\r\nb", 1, "0=2+4"}, TMatchCase{"\\S+", "", " ab ", 1, "0=2+2"},
        TMatchCase{"\\w+", "", "  foo_1 ", 1, "0=3+5"}, TMatchCase{"\\W+", "", "ab, c", 1, "0=3+2"},
        TMatchCase{"\\D+", "", "12ab3", 1, "0=3+2"}, TMatchCase{"[abc]+", "i", "xCaB", 1, "0=2+3"},
        TMatchCase{"[^a]+", "i", "aAbc", 1, "0=3+2"}, TMatchCase{"a*", "i", "xAa", 1, "0=2+2"},
        TMatchCase{"[ab]*?b", "", "aab", 1, "0=1+3"}));

INSTANTIATE_TEST_SUITE_P(GroupsAndAlternatives, Match,
                         testing::Values(TMatchCase{"(ab)+", "", "ababx", 1, "0=1+4 1=3+2"},
                                         TMatchCase{"(a)|b", "", "b", 1, "0=1+1"},
                                         TMatchCase{"a|ab", "", "ab", 1, "0=1+1"},
                                         TMatchCase{"ab|a", "", "ab", 1, "0=1+2"},
                                         TMatchCase{"x(a|ab)c", "", "xabc", 1, "0=1+4 1=2+2"},
                                         TMatchCase{"(a|b)*c", "", "abbac", 1, "0=1+5 1=4+1"},
                                         TMatchCase{"((ab)+x)*y", "", "abxababxy", 1,
                                                    "0=1+9 1=4+5 2=6+2"},
                                         TMatchCase{"((a)|b)+", "", "ab", 1, "0=1+2 1=2+1 2=1+1"},
                                         TMatchCase{"(a)(b)?c", "", "ac", 1, "0=1+2 1=1+1"},
                                         TMatchCase{"(ab)?c", "", "c", 1, "0=1+1"},
                                         TMatchCase{"(a|b)??c", "", "ac", 1, "0=1+2 1=1+1"},
                                         TMatchCase{"(ab)*?c", "", "ababc", 1, "0=1+5 1=3+2"},
                                         TMatchCase{"(ab)*?", "", "abab", 1, "0=1+0"},
                                         TMatchCase{"(a+)+b", "", "aaab", 1, "0=1+4 1=1+3"},
                                         TMatchCase{"(a|b|c)d", "", "xcd", 1, "0=2+2 1=2+1"},
                                         TMatchCase{"()a", "", "a", 1, "0=1+1 1=1+0"},
                                         TMatchCase{"a(?#comment)b", "", "ab", 1, "0=1+2"},
                                         TMatchCase{"(a(?i)b)B", "", "aBB", 1, "0=1+3 1=1+2"},
                                         TMatchCase{"(a(?i)b)B", "", "aBb", 1, "none"}));

INSTANTIATE_TEST_SUITE_P(
    BackReferences, Match,
    testing::Values(TMatchCase{"(a|b)\\1", "", "aa", 1, "0=1+2 1=1+1"},
                    TMatchCase{"(a|b)\\1", "", "bb", 1, "0=1+2 1=1+1"},
                    TMatchCase{"(a|b)\\1", "", "ab", 1, "none"},
                    TMatchCase{"\\1(a)", "", "aa", 1, "none"},
                    TMatchCase{"(a)|b\\1", "", "b", 1, "none"},
                    TMatchCase{"(a)\\1", "i", "aA", 1, "0=1+2 1=1+1"},
                    TMatchCase{"(a)\\1", "", "aA", 1, "none"},
                    TMatchCase{"\\b(\\w+) \\1\\b", "", "the the", 1, "0=1+7 1=1+3"},
                    // A counted back-reference backs off by whole copies.
                    TMatchCase{"(ab)\\1*x", "", "abababx", 1, "0=1+7 1=1+2"},
                    TMatchCase{"(ab)\\1*abx", "", "abababx", 1, "0=1+7 1=1+2"},
                    TMatchCase{"(ab)\\1*?abx", "", "abababx", 1, "0=1+7 1=1+2"},
                    TMatchCase{"(ab)\\1{1,2}", "", "abababab", 1, "0=1+6 1=1+2"},
                    TMatchCase{"(a)\\1+", "i", "aAAb", 1, "0=1+3 1=1+1"},
                    // An empty capture repeats without moving; the search still ends.
                    TMatchCase{"(a*)\\1*b", "", "b", 1, "0=1+1 1=1+0"},
                    TMatchCase{"(a*)\\1+?b", "", "b", 1, "0=1+1 1=1+0"},
                    // A group reopened behind its last end reads as empty.
                    TMatchCase{"((a\\2?)b)+", "", "abab", 1, "0=1+4 1=3+2 2=3+1"}));

INSTANTIATE_TEST_SUITE_P(
    ComplexLoops, Match,
    testing::Values(TMatchCase{"((ab){1,2}?c){2}", "", "abcabc", 1, "0=1+6 1=4+3 2=4+2"},
                    TMatchCase{"(ab){2,3}", "", "abababab", 1, "0=1+6 1=5+2"},
                    TMatchCase{"(ab){2,3}?", "", "abababab", 1, "0=1+4 1=3+2"},
                    TMatchCase{"(ab){2}", "", "abxab", 1, "none"},
                    TMatchCase{"(a(b){2}){2}", "", "abbabb", 1, "0=1+6 1=4+3 2=6+1"},
                    TMatchCase{"(a|b){2}c", "", "xbac", 1, "0=2+3 1=3+1"},
                    TMatchCase{"(ab)+?c", "", "ababc", 1, "0=1+5 1=3+2"},
                    TMatchCase{"(a(b)*?){2}c", "", "abbac", 1, "0=1+5 1=4+1 2=3+1"},
                    // An alternative that fails starts the next one with the loop state restored.
                    TMatchCase{"(a|ab){1}c", "", "abc", 1, "0=1+3 1=1+2"},
                    TMatchCase{"((a|ab){1}c){2}", "", "abcac", 1, "0=1+5 1=4+2 2=4+1"},
                    TMatchCase{"(x(a|ab){1,2}?c)+", "", "xabcxaabc", 1, "0=1+9 1=5+5 2=7+2"},
                    TMatchCase{"(.){2}", "-s", "a\nbc", 1, "0=3+2 1=4+1"}));

INSTANTIATE_TEST_SUITE_P(
    LinesAndWords, Match,
    testing::Values(
        TMatchCase{"^b", "m", "a\r\nb", 1, "0=4+1"}, TMatchCase{"a$", "m", "a\r\nb", 1, "0=1+1"},
        TMatchCase{"^b", "", "a\r\nb", 1, "none"}, TMatchCase{".+", "", "a\r\nb", 1, "0=1+4"},
        TMatchCase{".+", "-s", "ab\r\ncd", 1, "0=1+2"},
        TMatchCase{".+", "-s", "ab\ncd", 3, "0=4+2"},
        // CR LF is one line break: no line starts or ends between its two characters.
        TMatchCase{"\\r$", "m", "a\r\nb", 1, "none"}, TMatchCase{"^\\n", "m", "a\r\nb", 1, "none"},
        TMatchCase{"\\n$", "m", "a\n\nb", 1, "0=2+1"}, TMatchCase{"^\\r", "m", "\r\n", 1, "0=1+1"},
        TMatchCase{"^c", "m", "a\rc", 1, "0=3+1"}, TMatchCase{"^$", "m", "a\r\n\r\nb", 1, "none"},
        TMatchCase{"\\bfoo\\b", "", "a foo.", 1, "0=3+3"},
        TMatchCase{"\\bfoo\\b", "", "afoo", 1, "none"}, TMatchCase{"o\\Bo", "", "foo", 1, "0=2+2"},
        // Nothing can start a zero-width-only match, so no position is tried.
        TMatchCase{"\\b", "", "ab", 1, "none"}, TMatchCase{"^$", "m", "a\r\n", 1, "none"},
        TMatchCase{"a\\b", "", "a", 1, "0=1+1"},
        TMatchCase{"\\bint\\b", "", "print int", 1, "0=7+3"}));

// The described matcher enters eleven nested loops into error 1014; ten still match.
TEST(MatchLoops, ElevenNestedLoopsExceedTheLoopStack) {
  std::string Ten = "a", Eleven;
  for (int i = 0; i < 10; ++i) Ten = "(" + Ten + "){1}";
  Eleven = "(" + Ten + "){1}";
  TRegexEngine Engine;
  Engine.SetExpression(Ten);
  EXPECT_EQ(Outcome(Engine, "a", 1).substr(0, 6), "0=1+1 ");
  Engine.SetExpression(Eleven);
  EXPECT_EQ(Outcome(Engine, "a", 1), "error 1014");
  // Raised while matching: the expression compiled and is not compiled again.
  EXPECT_TRUE(Engine.Compiled());
  // Raised even on a line that lacks the "c" every match needs: the loops are entered first.
  Engine.SetExpression("x?" + Eleven + "c");
  EXPECT_EQ(Outcome(Engine, "ab", 1), "error 1014");
}

TEST(MatchLoops, LoopLevelComesBackAfterAFailedAttempt) {
  // Ten loops nest fine on every attempt: a failed attempt leaves no level behind.
  std::string Ten = "a";
  for (int i = 0; i < 10; ++i) Ten = "(" + Ten + "){1}";
  TRegexEngine Engine;
  Engine.SetExpression(Ten + "b");
  EXPECT_EQ(Outcome(Engine, "aaaaab", 1).substr(0, 6), "0=5+2 ");
}

}  // namespace
