// Line storage: splitting, the first break found, edits over the read buffer and the breaks they
// keep.
#include "files/uFL_Lines.h"

#include <gtest/gtest.h>

#include <random>

#include "files/uFL_LineBreaks.h"

namespace {

TEST(Lines, AssignReportsTheFirstBreak) {
  TLines L;
  EXPECT_EQ(L.Assign("a\r\nb\nc"), "\r\n");
  EXPECT_EQ(L.Count(), 3);
  EXPECT_EQ(L.Assign("a\rb"), "\r");
  EXPECT_EQ(L.Assign("abc"), "");
  EXPECT_EQ(L.Count(), 1);
  EXPECT_EQ(L.Assign(""), "");
  EXPECT_EQ(L.Count(), 0);
}

TEST(Lines, EditsMixOwnedAndBufferedLines) {
  TLines L;
  L.Assign("one\ntwo\nthree\n");
  L.Set(1, "TWO");
  L.Insert(0, "zero");
  L.Add("four");
  L.Set(2, "TWO!");
  ASSERT_EQ(L.Count(), 5);
  EXPECT_EQ(L.Join("|"), "zero|one|TWO!|three|four|");
  EXPECT_EQ(L.TextLength(), 4u + 3 + 4 + 5 + 4);
  L.Delete(0);
  EXPECT_EQ(L[0], "one");
}

}  // namespace

namespace {

struct InsertCase {
  const char* Name;
  std::string Before;
  int Index;
  std::string After;  // the bytes with line "N" inserted at Index
};

class InsertTakesABreak : public testing::TestWithParam<InsertCase> {};

TEST_P(InsertTakesABreak, FromTheLineItFollows) {
  TLines L;
  L.Assign(std::string(GetParam().Before));
  L.Insert(GetParam().Index, "N");
  EXPECT_EQ(L.Bytes(), GetParam().After);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, InsertTakesABreak,
    testing::Values(InsertCase{"AfterCrLf", "a\r\nb\nc\n", 1, "a\r\nN\r\nb\nc\n"},
                    InsertCase{"AfterLf", "a\r\nb\nc\n", 2, "a\r\nb\nN\nc\n"},
                    InsertCase{"FirstTakesTheNextLines", "a\rb\n", 0, "N\ra\rb\n"},
                    InsertCase{"AfterAnOpenLastLine", "a\r\nb", 2, "a\r\nb\r\nN"},
                    InsertCase{"BeforeAnOpenOnlyLine", "a", 0, "N\na"},
                    InsertCase{"AtTheEnd", "a\r", 1, "a\rN\r"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(Lines, DeletingAnOpenLastLineLeavesTheFileOpen) {
  TLines L;
  L.Assign("a\nb\r\nc");
  L.Delete(2);
  EXPECT_EQ(L.Bytes(), "a\nb");
}

// Counting works in blocks of 16 and 64 bytes: breaks, CR LF pairs and CRs cut from their LF at
// every position of a block, against a byte-by-byte count.
TEST(Lines, CountsAgreeWithAByteByByteCount) {
  std::mt19937 Random(7);
  const std::string Pieces[] = {"\r\n", "\n", "\r", "x", "yy", "zzzzzzzzzzzzzzz"};
  for (int Round = 0; Round < 400; ++Round) {
    std::string Text;
    while (Text.size() < size_t(Round % 200)) Text += Pieces[Random() % 6];
    size_t Breaks = 0, BreakBytes = 0, LastStart = 0;
    for (size_t i = 0; i < Text.size(); ++i) {
      if (Text[i] != '\r' && Text[i] != '\n') continue;
      ++BreakBytes;
      LastStart = i + 1;
      if (!(Text[i] == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n')) ++Breaks;
    }
    size_t LineStart = 0, Bytes = 0;
    EXPECT_EQ(CountBreaks(Text.data(), 0, Text.size(), LineStart, &Bytes), Breaks) << Text;
    EXPECT_EQ(LineStart, LastStart);
    EXPECT_EQ(Bytes, BreakBytes);
    TLines L;
    L.Assign(std::string(Text));
    const int Lines = int(Breaks) + (LastStart < Text.size() ? 1 : 0);
    EXPECT_EQ(L.Count(), Lines) << Text;
    EXPECT_EQ(L.TextLength(), Text.size() - BreakBytes);
    if (Lines == 0) continue;
    EXPECT_EQ(L[0].size(), Text.find_first_of("\r\n") == std::string::npos
                               ? Text.size()
                               : Text.find_first_of("\r\n"));
    EXPECT_EQ(L.Count(), Lines);  // now from the cut lines
  }
}

}  // namespace
