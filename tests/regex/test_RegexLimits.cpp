// The regex matcher on inputs that would overflow a recursive matcher: bounded, never a crash.
#include <gtest/gtest.h>

#include <string>

#include "regex/uFL_RegexEngine.h"

namespace {

constexpr size_t kTenMegabytes = size_t(10) << 20;

std::string Repeat(const std::string& Piece, size_t Bytes) {
  std::string Text;
  Text.reserve(Bytes + Piece.size());
  while (Text.size() < Bytes) Text += Piece;
  return Text;
}

struct TLongLineCase {
  const char* Expression;
  const char* Modifiers;
  std::string Input;
  std::string Expected;  // "match POS+LEN", "none" or "error N"
};

std::string OutcomeOf(const TLongLineCase& Case) {
  TRegexEngine Engine;
  uint32_t Flags = Engine.ModifierFlags();
  TRegexEngine::ParseModifierLetters(Case.Modifiers, Flags);
  Engine.SetModifierFlags(Flags);
  Engine.SetExpression(Case.Expression);
  try {
    if (!Engine.ExecPos(Case.Input, 1)) return "none";
  } catch (const ERegexError& Error) {
    return "error " + std::to_string(Error.Code);
  }
  return "match " + std::to_string(Engine.SubExprPos(0)) + "+" +
         std::to_string(Engine.SubExprLen(0));
}

class LongLine : public testing::TestWithParam<TLongLineCase> {};

// Each of these would take one recursion level or more per input character in the described
// matcher, and so overflow an 8 MB stack long before the end of the line.
TEST_P(LongLine, EndsWithAResultOrTheLimitError) {
  const TLongLineCase& Case = GetParam();
  EXPECT_EQ(OutcomeOf(Case), Case.Expected) << Case.Expression;
}

const std::string kAbLine = Repeat("ab", kTenMegabytes);
const std::string kAbxLine = Repeat("abx", kTenMegabytes);

INSTANTIATE_TEST_SUITE_P(
    TenMegabytes, LongLine,
    testing::Values(TLongLineCase{"(a|b)*c", "", kAbLine + "c", "error 1016"},
                    TLongLineCase{"((ab)+x)*y", "", kAbxLine + "y", "error 1016"},
                    TLongLineCase{"(a|b)*?c", "", kAbLine + "c", "error 1016"},
                    TLongLineCase{"(a|b){0,2000000}c", "", kAbLine + "c", "error 1016"},
                    TLongLineCase{".*c", "-s", kAbLine + "c", "error 1016"},
                    // The required text is missing: no attempt at all.
                    TLongLineCase{"(a|b)*c", "", kAbLine, "none"},
                    TLongLineCase{"((ab)+x)*y", "", kAbxLine, "none"},
                    // Counting repeats need no backtracking state per character.
                    TLongLineCase{"[ab]*c", "", kAbLine + "c",
                                  "match 1+" + std::to_string(kAbLine.size() + 1)}));

// Far longer than a call stack could follow, still inside the bound.
INSTANTIATE_TEST_SUITE_P(
    WithinTheBound, LongLine,
    testing::Values(TLongLineCase{"(a|b)*c", "", Repeat("ab", 200000) + "c", "match 1+200001"},
                    TLongLineCase{"((ab)+x)*y", "", Repeat("abx", 150000) + "y", "match 1+150001"},
                    TLongLineCase{".*c", "-s", Repeat("ab", 200000) + "c", "match 1+200001"}));

TEST(LongLine, AnEmptyLoopBodyEndsInTheLimitError) {
  // Group 1 captures nothing, so every pass of the loop ends where it started.
  EXPECT_EQ(OutcomeOf({"(a*)(\\1)*x", "", "bx", ""}), "error 1016");
}

// Nested repeats over a line that almost matches try exponentially many splits of the word with
// little backtracking state at any one time: the step bound ends them.
TEST(ShortLine, ExponentialBacktrackingEndsInTheLimitError) {
  EXPECT_EQ(OutcomeOf({"^\\s*(\\w+)*\\s*:", "", "xaz" + std::string(40, 'S') + "-", ""}),
            "error 1016");
  EXPECT_EQ(OutcomeOf({"(a+)+[bc]", "", std::string(40, 'a'), ""}), "error 1016");
  // The same shape where a match exists is found at once.
  EXPECT_EQ(OutcomeOf({"(a+)+[bc]", "", std::string(40, 'a') + "b", ""}), "match 1+41");
}

TEST(LongLine, LimitErrorLeavesTheObjectUsable) {
  TRegexEngine Engine;
  Engine.SetExpression("(a|b)*c");
  try {
    Engine.ExecPos(kAbLine + "c", 1);
    FAIL();
  } catch (const ERegexError& Error) {
    EXPECT_EQ(Error.Code, kRegexErrorBacktrackLimit);
    EXPECT_EQ(std::string(Error.what()), Engine.ErrorMessage(kRegexErrorBacktrackLimit));
    EXPECT_EQ(std::string(Error.what()).rfind("Regex(exec): ", 0), 0u);
    EXPECT_EQ(Error.Position, 0);
  }
  ASSERT_TRUE(Engine.ExecPos("xxabbc", 1));
  EXPECT_EQ(Engine.SubExprPos(0), 3);
  EXPECT_EQ(Engine.SubExprLen(0), 4);
  EXPECT_EQ(Engine.SubExprPos(1), 5);
}

}  // namespace
