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

TEST(ReplaceFileContent, KeepsModeAndReplacesALinksTarget) {
  TTempTree Dir;
  std::string Target = Dir.File("real.txt", "old");
  chmod(Target.c_str(), 0640);
  std::string Link = Dir.Path("link.txt");
  ASSERT_EQ(symlink("real.txt", Link.c_str()), 0);
  ReplaceFileContent(Link, "new");
  EXPECT_EQ(Dir.Read("real.txt"), "new");
  EXPECT_TRUE(std::filesystem::is_symlink(Link));
  struct stat St;
  ASSERT_EQ(stat(Target.c_str(), &St), 0);
  EXPECT_EQ(St.st_mode & 0777, 0640u);
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.Path("")),
                          std::filesystem::directory_iterator()),
            2);
}

TEST(ReplaceFileContent, FailureLeavesTheOriginal) {
  if (geteuid() == 0) {
    // Root may write into read-only directories; use a directory that cannot hold a new file.
    TTempTree Dir;
    std::string F = Dir.File("f.txt", "keep");
    EXPECT_THROW(ReplaceFileContent(Dir.Path("no/such/dir/f.txt"), "x"), std::runtime_error);
    EXPECT_EQ(Dir.Read("f.txt"), "keep");
    return;
  }
  TTempTree Dir;
  std::string F = Dir.File("sub/f.txt", "keep");
  chmod(Dir.Path("sub").c_str(), 0555);
  EXPECT_THROW(ReplaceFileContent(F, "x"), std::runtime_error);
  chmod(Dir.Path("sub").c_str(), 0755);
  EXPECT_EQ(Dir.Read("sub/f.txt"), "keep");
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
