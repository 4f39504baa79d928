// Line storage: splitting, the first break found, and edits over the read buffer.
#include "files/uFL_Lines.h"

#include <gtest/gtest.h>

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
