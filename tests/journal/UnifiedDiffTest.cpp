// The preview's diff must be one that patch applies to give exactly the new bytes, whatever the
// line breaks; and the changed lines are those of the new text, numbered as the file model does.
#include <gtest/gtest.h>

#include <cstdlib>

#include "journal/uFL_UnifiedDiff.h"
#include "support/TempTree.h"

namespace {

std::string Numbered(int From, int To, const char* Eol = "\n") {
  std::string S;
  for (int i = From; i <= To; ++i) S += "line " + std::to_string(i) + Eol;
  return S;
}

struct TDiffCase {
  const char* Name;
  std::string Old, New;
};

class PatchApplies : public testing::TestWithParam<TDiffCase> {};

TEST_P(PatchApplies, GivesExactlyTheNewBytes) {
  const TDiffCase& C = GetParam();
  TTempTree T;
  T.File("d/f.txt", C.Old);
  const std::string Diff = UnifiedDiff(C.Old, C.New, "d/f.txt");
  ASSERT_FALSE(Diff.empty());
  ASSERT_EQ(Diff.rfind("--- a/d/f.txt\n+++ b/d/f.txt\n@@ -", 0), 0u) << Diff;
  T.File("p.diff", Diff);
  const std::string Cmd = "cd '" + T.Dir() + "' && patch -p1 -s --no-backup-if-mismatch < p.diff";
  ASSERT_EQ(std::system(Cmd.c_str()), 0) << Diff;
  EXPECT_EQ(T.Read("d/f.txt"), C.New) << Diff;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PatchApplies,
    testing::Values(TDiffCase{"one_line", Numbered(1, 20),
                              Numbered(1, 9) + "LINE 10\n" + Numbered(11, 20)},
                    TDiffCase{"crlf_kept", Numbered(1, 8, "\r\n"),
                              Numbered(1, 3, "\r\n") + "x\r\n" + Numbered(5, 8, "\r\n")},
                    TDiffCase{"mixed_breaks_no_final", "a\r\nb\nc\r\nd", "a\r\nX\nc\r\nd"},
                    TDiffCase{"last_line_without_break", "a\nb\nc", "a\nb\nC"},
                    TDiffCase{"final_break_added", "a\nb\nc", "a\nb\nc\n"},
                    TDiffCase{"cr_only", "a\rb\rc\r", "a\rX\rc\r"},
                    TDiffCase{"latin1_and_bom",
                              "\xEF\xBB\xBF"
                              "caf\xE9\nb\n",
                              "\xEF\xBB\xBF"
                              "caf\xE9\nB\n"},
                    TDiffCase{"two_hunks", Numbered(1, 40), "first\n" + Numbered(2, 39) + "last\n"},
                    TDiffCase{"lines_inserted", Numbered(1, 12),
                              Numbered(1, 5) + "\nuses\n  MyUnit;\n" + Numbered(6, 12)},
                    TDiffCase{"lines_inserted_at_start", Numbered(1, 5), "new\n" + Numbered(1, 5)},
                    TDiffCase{"lines_removed_and_changed", Numbered(1, 30),
                              Numbered(1, 4) + Numbered(8, 14) + "changed\n" + Numbered(16, 30)},
                    TDiffCase{"everything_changed", Numbered(1, 5), "a\nb\n"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(UnifiedDiff, HunksCarryThreeLinesOfContext) {
  const std::string Diff =
      UnifiedDiff(Numbered(1, 20), Numbered(1, 9) + "LINE 10\n" + Numbered(11, 20), "f");
  EXPECT_EQ(Diff,
            "--- a/f\n+++ b/f\n@@ -7,7 +7,7 @@\n line 7\n line 8\n line 9\n-line 10\n+LINE 10\n"
            " line 11\n line 12\n line 13\n");
}

struct TLinesCase {
  const char* Name;
  std::string Old, New;
  std::vector<std::pair<int, std::string>> Expected;
};

class ChangedLinesOf : public testing::TestWithParam<TLinesCase> {};

TEST_P(ChangedLinesOf, AreTheNewLinesNumberedAsTheModel) {
  EXPECT_EQ(ChangedLines(GetParam().Old, GetParam().New), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChangedLinesOf,
    testing::Values(TLinesCase{"replace", "a\nb\nc\n", "a\nX\nc\n", {{2, "X"}}},
                    TLinesCase{"cr_breaks_count", "a\rb\rc", "a\rb\rC", {{3, "C"}}},
                    TLinesCase{"crlf_not_shown", "a\r\nb\r\n", "A\r\nb\r\n", {{1, "A"}}},
                    TLinesCase{"inserted",
                               "impl\nend.\n",
                               "impl\n\nuses\n  U;\nend.\n",
                               {{2, ""}, {3, "uses"}, {4, "  U;"}}}),
    [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
