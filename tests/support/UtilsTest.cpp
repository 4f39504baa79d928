// Line splitting and the atomic replacement of a file's content.
#include "support/uFL_Utils.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/TempTree.h"

namespace {

struct SplitCase {
  const char* Name;
  std::string Text;
  std::vector<std::string> Lines;
};

class SplitTextLinesTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTextLinesTest, CutsAtEveryBreakKindAndStopsAtNul) {
  EXPECT_EQ(SplitTextLines(GetParam().Text), GetParam().Lines);
}

INSTANTIATE_TEST_SUITE_P(
    Breaks, SplitTextLinesTest,
    testing::Values(SplitCase{"CrLf", "a\r\nb\r\n", {"a", "b"}},
                    SplitCase{"LfOnly", "a\nb", {"a", "b"}},
                    SplitCase{"CrOnly", "a\rb\r", {"a", "b"}},
                    SplitCase{"Mixed", "a\r\n\nb\rc", {"a", "", "b", "c"}},
                    SplitCase{"LfCrIsTwoBreaks", "a\n\rb", {"a", "", "b"}},
                    SplitCase{"EmptyLinesKept", "\r\n\r\n", {"", ""}},
                    SplitCase{"NulEndsTheText", std::string("a\nb\0c\nd", 7), {"a", "b"}},
                    SplitCase{"Empty", "", {}}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(Trim, BlanksAndControlCharacters) {
  EXPECT_EQ(TrimText(" \t\r\n abc \x01"), "abc");
  EXPECT_EQ(TrimText("   "), "");
  EXPECT_EQ(TrimText("a b"), "a b");
}

TEST(Paths, NameAndDirectoryParts) {
  EXPECT_EQ(ExtractFileName("/a/b/c.pas"), "c.pas");
  EXPECT_EQ(ExtractFilePath("/a/b/c.pas"), "/a/b/");
  EXPECT_EQ(ExtractFileName("c.pas"), "c.pas");
  EXPECT_EQ(ExtractFilePath("c.pas"), "");
}

TEST(ReadWholeFile, MissingFileNamesTheFileAndReason) {
  try {
    ReadWholeFile("/nonexistent/ferrolin.fll");
    FAIL() << "no error";
  } catch (const EFileError& E) {
    EXPECT_STREQ(E.what(),
                 "Cannot open file \"/nonexistent/ferrolin.fll\". No such file or directory");
  }
}

}  // namespace
