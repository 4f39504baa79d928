// ferrolin-cli match: group lines, exit status, modifiers, text files and the engine's errors.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/uFL_CliActions.h"
#include "support/TempTree.h"

namespace {

struct TMatchRun {
  int Status;
  std::string Out, Err;
};

TMatchRun Match(std::vector<std::string> Args) {
  Args.insert(Args.begin(), "match");
  std::ostringstream Out, Err;
  std::istringstream In;
  TCliContext Context{Out, Err, In};
  const int Status = RunCli(Args, Context);
  return {Status, Out.str(), Err.str()};
}

struct TMatchCase {
  std::vector<std::string> Args;
  int Status;
  const char* Out;
  const char* Err;  // exact, or the start of a usage message when it ends in "..."
};

class CliMatch : public testing::TestWithParam<TMatchCase> {};

TEST_P(CliMatch, PrintsGroupsAndExits) {
  const TMatchCase& Case = GetParam();
  const TMatchRun Run = Match(Case.Args);
  EXPECT_EQ(Run.Status, Case.Status);
  EXPECT_EQ(Run.Out, Case.Out);
  const std::string Err = Case.Err;
  if (Err.size() > 3 && Err.compare(Err.size() - 3, 3, "...") == 0)
    EXPECT_EQ(Run.Err.substr(0, Err.size() - 3), Err.substr(0, Err.size() - 3));
  else
    EXPECT_EQ(Run.Err, Err);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, CliMatch,
    testing::Values(
        TMatchCase{{"--expr", "(a)(x)?(b+)", "--text", "zabbb"}, 0, "0 2 4\n1 2 1\n3 3 3\n", ""},
        TMatchCase{{"--expr", "ab", "--text", "xxabyy", "--offset", "4"}, 1, "", ""},
        TMatchCase{{"--expr", "ab", "--text", "abab", "--offset", "2"}, 0, "0 3 2\n", ""},
        TMatchCase{{"--expr", "^$", "--text", ""}, 0, "0 1 0\n", ""},
        // Letters change the defaults as a "(?...)" group would.
        TMatchCase{{"--expr", "ABC", "--text", "abc"}, 1, "", ""},
        TMatchCase{{"--expr", "ABC", "--text", "abc", "--modifiers", "i"}, 0, "0 1 3\n", ""},
        TMatchCase{{"--expr", "a.c", "--text", "a\nc", "--modifiers", "-s"}, 1, "", ""},
        TMatchCase{{"--expr", "a+", "--text", "aaa", "--modifiers", "-g"}, 0, "0 1 1\n", ""},
        // The engine's own messages, exit 2.
        TMatchCase{
            {"--expr", "a(", "--text", "a"}, 2, "", "Regex(comp): ParseReg Unmatched () (pos 2)\n"},
        TMatchCase{{"--expr", "a", "--text", "a", "--modifiers", "iq"},
                   2,
                   "",
                   "Regex(comp): Urecognized Modifier (pos 0)\n"},
        TMatchCase{{"--expr", "a", "--text", "a", "--offset", "0"},
                   2,
                   "",
                   "Regex(exec): Offset Must Be Greater Then 0\n"},
        TMatchCase{{"--expr", "", "--text", "a"},
                   2,
                   "",
                   "Regex(exec): Not Assigned Expression Property\n"},
        // Bad usage.
        TMatchCase{{"--text", "a"}, 2, "", "ferrolin-cli: match needs --expr..."},
        TMatchCase{{"--expr", "a"}, 2, "", "ferrolin-cli: match needs either --text or..."},
        TMatchCase{{"--expr", "a", "--text", "a", "--text-file", "f"},
                   2,
                   "",
                   "ferrolin-cli: match needs either --text or..."},
        TMatchCase{{"--expr", "a", "--text", "a", "--offset", "1x"},
                   2,
                   "",
                   "ferrolin-cli: --offset needs a whole number, not '1x'..."},
        TMatchCase{{"--expr", "a", "--text", "a", "--dir", "."}, 2, "", "ferrolin-cli: ..."}));

TEST(CliMatchFile, SearchesTheFilesBytesUpToTheirFirstNul) {
  TTempTree T;
  T.File("text.bin", std::string("line one\r\nkey=42\0key=7", 22));
  const TMatchRun Run =
      Match({"--expr", "^key=(\\d+)$", "--modifiers", "m", "--text-file", T.Path("text.bin")});
  EXPECT_EQ(Run.Status, 0);
  EXPECT_EQ(Run.Out, "0 11 6\n1 15 2\n");
  const TMatchRun After = Match({"--expr", "key=7", "--text-file", T.Path("text.bin")});
  EXPECT_EQ(After.Status, 1);
}

TEST(CliMatchFile, UnreadableFileIsAnError) {
  TTempTree T;
  const TMatchRun Run = Match({"--expr", "a", "--text-file", T.Path("missing.txt")});
  EXPECT_EQ(Run.Status, 2);
  EXPECT_NE(Run.Err.find("missing.txt"), std::string::npos);
  EXPECT_EQ(Run.Out, "");
}

}  // namespace
