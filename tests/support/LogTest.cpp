// The trace log's two-column layout, block bookkeeping and search.
#include "support/uFL_Log.h"

#include <gtest/gtest.h>

namespace {

std::string Dots(std::string Name) {
  Name.resize(30, '.');
  return Name;
}
const std::string Blank(30, ' ');

TEST(TraceLog, NameColumnOnlyWhenTheFileChanges) {
  TTraceLines Lines;
  InitTrace(true, &Lines);
  AddTrace("/a/readme.txt", "one");
  AddTrace("/a/readme.txt", "two");
  AddTrace("/a/readme.txt", "three");
  AddTrace("/a/b.txt", "four");
  ASSERT_EQ(Lines.Count(), 4);
  EXPECT_EQ(Lines[0], "readme.txt" + std::string(20, '.') + "one");
  EXPECT_EQ(Lines[1], Blank + "two");
  EXPECT_EQ(Lines[2], Blank + "three");
  EXPECT_EQ(Lines[3], "b.txt" + std::string(25, '.') + "four");
}

TEST(TraceLog, LongNamesAreCutToTwentyNineAndOneStop) {
  TTraceLines Lines;
  InitTrace(true, &Lines);
  const std::string Long(40, 'x');
  AddTrace("/d/" + Long, "t");
  AddTrace("/d/" + std::string(29, 'y'), "t");
  EXPECT_EQ(Lines[0], std::string(29, 'x') + ".t");
  EXPECT_EQ(Lines[1], std::string(29, 'y') + ".t");
}

TEST(TraceLog, PathsDifferingInCaseAreTwoFiles) {
  TTraceLines Lines;
  InitTrace(true, &Lines);
  AddTrace("/A.txt", "1");
  AddTrace("/a.txt", "2");
  EXPECT_EQ(Lines[0], Dots("A.txt") + "1");
  EXPECT_EQ(Lines[1], Dots("a.txt") + "2");
}

TEST(TraceLog, NothingBeforeInitAndNothingWhileOff) {
  TTraceLines Lines;
  InitTrace(false, &Lines);
  AddTrace("/x/one.pas", "hidden");
  EXPECT_EQ(Lines.Count(), 0);
  SetTracing(true);
  // The block of one.pas was opened while off, so a second line for it still gets blanks; a new
  // file starts with its name column.
  AddTrace("/x/one.pas", "shown");
  AddTrace("/x/two.pas", "shown");
  ASSERT_EQ(Lines.Count(), 2);
  EXPECT_EQ(Lines[0], Blank + "shown");
  EXPECT_EQ(Lines[1], Dots("two.pas") + "shown");
}

TEST(TraceLog, InitDoesNotEmptyTheLinesButForgetsBlocks) {
  TTraceLines Lines;
  InitTrace(true, &Lines);
  AddTrace("/f.txt", "a");
  InitTrace(true, &Lines);
  AddTrace("/f.txt", "b");
  ASSERT_EQ(Lines.Count(), 2);
  EXPECT_EQ(Lines[1], Dots("f.txt") + "b");
}

TEST(TraceLog, KeepTraceOfFileKeepsEveryBlockOfThatFile) {
  TTraceLines Lines;
  Lines.Append("before any file");
  InitTrace(true, &Lines);
  AddTrace("/p/a.pas", "a1");
  AddTrace("/p/a.pas", "a2");
  AddTrace("/p/b.pas", "b1");
  AddTrace("/p/a.pas", "a3");
  AddTrace("/p/c.pas", "c1");
  AddTrace("/p/c.pas", "c2");
  KeepTraceOfFile("/p/a.pas");
  ASSERT_EQ(Lines.Count(), 4);
  EXPECT_EQ(Lines[0], "before any file");
  EXPECT_EQ(Lines[1], Dots("a.pas") + "a1");
  EXPECT_EQ(Lines[2], Blank + "a2");
  EXPECT_EQ(Lines[3], Dots("a.pas") + "a3");
}

TEST(TraceLog, KeepTraceOfFileSkipsBlocksWrittenWhileOff) {
  TTraceLines Lines;
  InitTrace(false, &Lines);
  AddTrace("/p/off.pas", "not written");  // a block at index 0 that owns no line
  SetTracing(true);
  AddTrace("/p/on.pas", "written");
  KeepTraceOfFile("/p/on.pas");
  ASSERT_EQ(Lines.Count(), 1);
  EXPECT_EQ(Lines[0], Dots("on.pas") + "written");
}

TEST(TraceLog, FindIsCaseInsensitiveAndContinues) {
  TTraceLines Lines;
  for (const char* L : {"alpha", "Beta one", "gamma", "BETA two", "delta"}) Lines.Append(L);
  EXPECT_EQ(FindInTrace(Lines, "beta", 0), 1);
  EXPECT_EQ(FindInTrace(Lines, "beta", 2), 3);
  EXPECT_EQ(FindInTrace(Lines, "beta", 4), -1);
  EXPECT_EQ(FindInTrace(Lines, "GAMMA", 0), 2);
  EXPECT_EQ(FindInTrace(Lines, "", 0), -1);
}

}  // namespace
