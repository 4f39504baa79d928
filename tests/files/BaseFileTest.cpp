// Loading, the binary rule, the results layout and saving of one file.
#include "files/uFL_BaseFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "support/TempTree.h"
#include "support/TextBuilders.h"
#include "files/uFL_TextFile.h"
#include "support/uFL_Log.h"
#include "support/uFL_ResultTree.h"

namespace {

// A text file object named after Path, with the record taken from the disk now.
struct LoadedFile {
  TResultTree Tree;
  TTextfile File{&Tree};
  explicit LoadedFile(const std::string& Path, int64_t RecordedSize = -1) {
    File.SetFileName(Path);
    struct stat St {};
    stat(Path.c_str(), &St);
    File.FileRec.Size = RecordedSize >= 0 ? RecordedSize : int64_t(St.st_size);
    File.FileRec.Attr = faArchive;
  }
  std::string TreeText() {
    std::ostringstream Out;
    Tree.WriteText(Out, false, "\n");
    return Out.str();
  }
};

struct BinaryCase {
  const char* Name;
  std::string Bytes;
  int64_t RecordedSize;  // -1: the real size
  bool Text;
  int Lines;
};

class BinaryRule : public testing::TestWithParam<BinaryCase> {};

TEST_P(BinaryRule, JudgesByTheRecordedSize) {
  TTempTree Dir;
  const auto& C = GetParam();
  LoadedFile F(Dir.File("f.txt", C.Bytes), C.RecordedSize);
  EXPECT_EQ(F.File.Load(), C.Text);
  EXPECT_EQ(F.File.Loaded, C.Text);
  EXPECT_EQ(F.File.Lines.Count(), C.Lines);
  if (C.Text) {
    EXPECT_TRUE(F.File.Errors.empty());
    for (int i = 0; i < C.Lines; ++i) EXPECT_FALSE(F.File.IsMatched(i)) << i;
  } else {
    EXPECT_EQ(F.File.Errors, std::vector<std::string>{"Binary file, skipped"});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, BinaryRule,
    testing::Values(BinaryCase{"Empty", "", -1, true, 0},
                    BinaryCase{"LfLines", "a\nb\n", -1, true, 2},
                    BinaryCase{"CrLfLines", "a\r\nb\r\n", -1, true, 2},
                    BinaryCase{"MixedNoFinalBreak", "a\r\nb\nc", -1, true, 3},
                    BinaryCase{"OnlyEmptyCrLfLines", "\r\n\r\n\r\n", -1, true, 3},
                    BinaryCase{"EarlyNul", std::string("ab\0cdefgh\n", 10), -1, false, 1},
                    BinaryCase{"Utf16", std::string("h\0e\0l\0l\0o\0", 10), -1, false, 1},
                    BinaryCase{"GrewSinceListed", "abcdef\n", 3, false, 1},
                    BinaryCase{"ShrankSinceListed", "ab\n", 100, false, 1},
                    // Read into a mapping of its own rather than the heap.
                    BinaryCase{"BigLines", Repeat("0123456789abcd\r\n", 350000), -1, true, 350000},
                    BinaryCase{"BigWithANulAtTheEnd", Repeat("0123456789abcd\r\n", 350000) + '\0',
                               -1, false, 350000}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(BaseFile, UnreadableFileGetsTheSystemMessage) {
  TTempTree Dir;
  LoadedFile F(Dir.Path("missing.txt"));
  EXPECT_FALSE(F.File.Load());
  EXPECT_EQ(F.File.Errors,
            std::vector<std::string>{"Error loading file: No such file or directory"});
}

TEST(BaseFile, LoadTracesTheLineCount) {
  TTempTree Dir;
  TTraceLines Trace;
  TTraceLog Log(Trace, true);
  const TTraceBinding Bind(Log);
  LoadedFile F(Dir.File("t.txt", "1\n2\n3\n"));
  F.File.Load();
  ASSERT_EQ(Trace.Count(), 1);
  EXPECT_EQ(Trace[0], std::string("t.txt") + std::string(25, '.') + "Loaded 3 lines");
}

TEST(BaseFile, ResultsComeErrorsSearchGeneralWhateverTheOrder) {
  TTempTree Dir;
  LoadedFile F(Dir.File("r.txt", "first\nsecond\nthird\n"));
  F.File.Load();
  F.File.ExitCode = -3;
  F.File.MarkMatched(2);
  F.File.MarkMatched(0);
  F.File.Errors.push_back("late error");
  EXPECT_TRUE(F.File.WriteResults());
  EXPECT_EQ(F.TreeText(), F.File.FileName +
                              "\n\tErrors\n\t\tlate error\n"
                              "\tSearch\n\t\t[Line    1] first\n\t\t[Line    3] third\n"
                              "\tGeneral\n\t\tProcess returned non-zero exitcode: -3\n");
}

TEST(BaseFile, NoResultsNoNode) {
  TTempTree Dir;
  LoadedFile F(Dir.File("n.txt", "x\n"));
  F.File.Load();
  EXPECT_FALSE(F.File.WriteResults());
  EXPECT_TRUE(F.Tree.Empty());
}

TEST(BaseFile, LineEntryRightAlignsToFourAndNeverCuts) {
  EXPECT_EQ(LineEntryText(7, "x"), "[Line    7] x");
  EXPECT_EQ(LineEntryText(1234, "x"), "[Line 1234] x");
  EXPECT_EQ(LineEntryText(123456, ""), "[Line 123456] ");
}

struct SaveCase {
  const char* Name;
  std::string Before;
  std::string After;  // with the second line replaced by "NEW"
};

class SaveKeepsBreaks : public testing::TestWithParam<SaveCase> {};

TEST_P(SaveKeepsBreaks, WritesEveryLineWithTheFilesOwnBreak) {
  TTempTree Dir;
  LoadedFile F(Dir.File("s.txt", GetParam().Before));
  ASSERT_TRUE(F.File.Load());
  F.File.Lines.Set(1, "NEW");
  F.File.Changed = true;
  EXPECT_TRUE(F.File.SaveChanges(true));
  EXPECT_EQ(Dir.Read("s.txt"), GetParam().After);
}

INSTANTIATE_TEST_SUITE_P(Breaks, SaveKeepsBreaks,
                         testing::Values(SaveCase{"CrLf", "a\r\nb\r\nc\r\n", "a\r\nNEW\r\nc\r\n"},
                                         SaveCase{"Lf", "a\nb\nc\n", "a\nNEW\nc\n"},
                                         SaveCase{"NoFinalBreakAdded", "a\nb\nc", "a\nNEW\nc"},
                                         SaveCase{"EachLineKeepsItsBreak", "a\r\nb\nc",
                                                  "a\r\nNEW\nc"},
                                         SaveCase{"CrOnly", "a\rb\r", "a\rNEW\r"}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(BaseFile, SaveRefusesReadOnlyByTheRecord) {
  TTempTree Dir;
  LoadedFile F(Dir.File("ro.txt", "a\nb\n"));
  F.File.Load();
  F.File.FileRec.Attr |= faReadOnly;
  F.File.Lines.Set(0, "changed");
  F.File.Changed = true;
  EXPECT_FALSE(F.File.SaveChanges(true));
  EXPECT_EQ(F.File.Errors, std::vector<std::string>{"File was Readonly, not overwritten"});
  EXPECT_EQ(Dir.Read("ro.txt"), "a\nb\n");
}

TEST(BaseFile, SaveAsksAndHonoursNo) {
  TTempTree Dir;
  LoadedFile F(Dir.File("q.txt", "a\n"));
  F.File.Load();
  F.File.Lines.Set(0, "b");
  F.File.Changed = true;
  std::string Asked;
  F.File.ConfirmOverwrite = [&](const std::string& Q) {
    Asked = Q;
    return false;
  };
  EXPECT_FALSE(F.File.SaveChanges(false));
  EXPECT_EQ(Asked, "Overwrite " + F.File.FileName + " with changed version?");
  EXPECT_EQ(F.File.Errors, std::vector<std::string>{"User selected not to Overwrite this file"});
  EXPECT_EQ(Dir.Read("q.txt"), "a\n");
  F.File.Errors.clear();
  F.File.ConfirmOverwrite = [](const std::string&) { return true; };
  EXPECT_TRUE(F.File.SaveChanges(false));
  EXPECT_EQ(Dir.Read("q.txt"), "b\n");
}

TEST(BaseFile, FailedWriteReportsAndLeavesTheOriginal) {
  TTempTree Dir;
  LoadedFile F(Dir.File("gone/f.txt", "a\n"));
  F.File.Load();
  F.File.Lines.Set(0, "b");
  F.File.Changed = true;
  // The directory vanishes between load and save: the temporary file cannot be made.
  std::filesystem::remove_all(Dir.Path("gone"));
  EXPECT_FALSE(F.File.SaveChanges(true));
  ASSERT_EQ(F.File.Errors.size(), 1u);
  EXPECT_EQ(F.File.Errors[0], "Error Saving: No such file or directory");
}

TEST(BaseFile, UnchangedOrUnloadedFilesAreNeverWritten) {
  TTempTree Dir;
  LoadedFile Binary(Dir.File("b.txt", std::string("\0abcdef", 7)));
  EXPECT_FALSE(Binary.File.Load());
  Binary.File.Changed = true;
  EXPECT_FALSE(Binary.File.SaveChanges(true));
  LoadedFile Unchanged(Dir.File("u.txt", "a\n"));
  EXPECT_TRUE(Unchanged.File.Load());
  EXPECT_FALSE(Unchanged.File.SaveChanges(true));
  EXPECT_TRUE(Unchanged.File.Errors.empty());
}

// A late NUL passes the size rule, so the file is text and searchable, but writing it back
// would drop everything after the NUL.
TEST(BaseFile, TextCutAtALateNulIsNeverSaved) {
  TTempTree Dir;
  const std::string Bytes("a\0b", 3);
  LoadedFile F(Dir.File("u.txt", Bytes));
  ASSERT_TRUE(F.File.Load());
  F.File.Lines.Set(0, "z");
  F.File.Changed = true;
  EXPECT_FALSE(F.File.SaveChanges(true));
  EXPECT_EQ(F.File.Errors,
            std::vector<std::string>{
                "Error Saving: the file holds a NUL byte; saving would cut it there"});
  EXPECT_EQ(Dir.Read("u.txt"), Bytes);
}

TEST(BaseFile, ResetForgetsTheFileButKeepsTheObject) {
  TTempTree Dir;
  LoadedFile F(Dir.File("a.txt", "x\n"));
  F.File.Load();
  F.File.Errors.push_back("e");
  F.File.Reset();
  EXPECT_FALSE(F.File.Loaded);
  EXPECT_EQ(F.File.Lines.Count(), 0);
  EXPECT_TRUE(F.File.Errors.empty());
}

}  // namespace
