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
  TTraceLog Log(Lines, true);
  Log.AddTrace("/a/readme.txt", "one");
  Log.AddTrace("/a/readme.txt", "two");
  Log.AddTrace("/a/readme.txt", "three");
  Log.AddTrace("/a/b.txt", "four");
  ASSERT_EQ(Lines.Count(), 4);
  EXPECT_EQ(Lines[0], "readme.txt" + std::string(20, '.') + "one");
  EXPECT_EQ(Lines[1], Blank + "two");
  EXPECT_EQ(Lines[2], Blank + "three");
  EXPECT_EQ(Lines[3], "b.txt" + std::string(25, '.') + "four");
}

TEST(TraceLog, LongNamesAreCutToTwentyNineAndOneStop) {
  TTraceLines Lines;
  TTraceLog Log(Lines, true);
  const std::string Long(40, 'x');
  Log.AddTrace("/d/" + Long, "t");
  Log.AddTrace("/d/" + std::string(29, 'y'), "t");
  EXPECT_EQ(Lines[0], std::string(29, 'x') + ".t");
  EXPECT_EQ(Lines[1], std::string(29, 'y') + ".t");
}

TEST(TraceLog, PathsDifferingInCaseAreTwoFiles) {
  TTraceLines Lines;
  TTraceLog Log(Lines, true);
  Log.AddTrace("/A.txt", "1");
  Log.AddTrace("/a.txt", "2");
  EXPECT_EQ(Lines[0], Dots("A.txt") + "1");
  EXPECT_EQ(Lines[1], Dots("a.txt") + "2");
}

TEST(TraceLog, NothingWhileOff) {
  TTraceLines Lines;
  TTraceLog Log(Lines, false);
  for (const char* File : {"/x/one.pas", "/x/two.pas", "/x/one.pas"}) Log.AddTrace(File, "hidden");
  EXPECT_EQ(Lines.Count(), 0);
  Log.SetTracing(true);
  // The last block opened while off is one.pas's, so a second line for it still gets blanks; a
  // new file starts with its name column.
  Log.AddTrace("/x/one.pas", "shown");
  Log.AddTrace("/x/two.pas", "shown");
  ASSERT_EQ(Lines.Count(), 2);
  EXPECT_EQ(Lines[0], Blank + "shown");
  EXPECT_EQ(Lines[1], Dots("two.pas") + "shown");
}

TEST(TraceLog, InitDoesNotEmptyTheLinesButForgetsBlocks) {
  TTraceLines Lines;
  TTraceLog Log(Lines, true);
  Log.AddTrace("/f.txt", "a");
  Log.Init(true);
  Log.AddTrace("/f.txt", "b");
  ASSERT_EQ(Lines.Count(), 2);
  EXPECT_EQ(Lines[1], Dots("f.txt") + "b");
}

TEST(TraceLog, KeepTraceOfFileKeepsEveryBlockOfThatFile) {
  TTraceLines Lines;
  Lines.Append("before any file");
  TTraceLog Log(Lines, true);
  for (const char* Entry : {"a.pas a1", "a.pas a2", "b.pas b1", "a.pas a3", "c.pas c1", "c.pas c2"})
    Log.AddTrace("/p/" + std::string(Entry, 5), Entry + 6);
  Log.KeepTraceOfFile("/p/a.pas");
  ASSERT_EQ(Lines.Count(), 4);
  EXPECT_EQ(Lines[0], "before any file");
  EXPECT_EQ(Lines[1], Dots("a.pas") + "a1");
  EXPECT_EQ(Lines[2], Blank + "a2");
  EXPECT_EQ(Lines[3], Dots("a.pas") + "a3");
}

TEST(TraceLog, KeepTraceOfFileSkipsBlocksWrittenWhileOff) {
  TTraceLines Lines;
  TTraceLog Log(Lines, false);
  Log.AddTrace("/p/off.pas", "not written");  // a block at index 0 that owns no line
  Log.SetTracing(true);
  Log.AddTrace("/p/on.pas", "written");
  Log.KeepTraceOfFile("/p/on.pas");
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
