// Saving a replaced file: only the replaced bytes change, what the file system keeps of the file
// stays, and every save passes the save observer.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <vector>

#include "files/uFL_FileSave.h"
#include "files/uFL_SaveObserver.h"
#include "files/uFL_TextFile.h"
#include "support/TempTree.h"

namespace {

// A text file on disk, loaded as the driver loads it.
struct DiskFile {
  TTempTree Dir;
  std::string Path;
  TTextfile File{nullptr};
  explicit DiskFile(std::string_view Bytes) : Path(Dir.File("f.txt", Bytes)) {}
  void Load() {
    File.SetFileName(Path);
    File.FileRec.Size = int64_t(std::filesystem::file_size(Path));
    File.FileRec.Attr = faArchive;
    ASSERT_TRUE(File.Load());
  }
  bool ReplaceAndSave(const std::string& Term, const std::string& By) {
    Load();
    File.Replace(Term, By, false, true);
    return File.SaveChanges(true);
  }
  struct stat Stat() const {
    struct stat St {};
    EXPECT_EQ(stat(Path.c_str(), &St), 0);
    return St;
  }
};

struct BytesCase {
  const char* Name;
  std::string Before;
  std::string After;  // with b replaced by X
};

class OnlyReplacedBytesChange : public testing::TestWithParam<BytesCase> {};

TEST_P(OnlyReplacedBytesChange, EveryOtherByteStays) {
  DiskFile F(GetParam().Before);
  EXPECT_TRUE(F.ReplaceAndSave("b", "X"));
  EXPECT_EQ(TTempTree::ReadFile(F.Path), GetParam().After);
}

INSTANTIATE_TEST_SUITE_P(
    Files, OnlyReplacedBytesChange,
    testing::Values(BytesCase{"MixedBreaksNoFinalBreak", "a\r\nb\nc\r\nd", "a\r\nX\nc\r\nd"},
                    BytesCase{"CrOnly", "a\rb\rc\r", "a\rX\rc\r"},
                    BytesCase{"LastLineWithoutBreak", "a\r\nb", "a\r\nX"},
                    BytesCase{"EmptyLinesOfEveryBreak", "\n\r\n\rb\n\r", "\n\r\n\rX\n\r"},
                    BytesCase{"ByteOrderMark",
                              "\xEF\xBB\xBF"
                              "b := 1;\r\n",
                              "\xEF\xBB\xBF"
                              "X := 1;\r\n"},
                    BytesCase{"Latin1Bytes", "caf\xE9 b\n\xFF\xFE\x80\n",
                              "caf\xE9 X\n\xFF\xFE\x80\n"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(Save, AFileWithNothingReplacedIsNotWritten) {
  DiskFile F("a\nc\n");
  const timespec Old[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, F.Path.c_str(), Old, 0), 0);
  const ino_t Inode = F.Stat().st_ino;
  EXPECT_FALSE(F.ReplaceAndSave("b", "X"));
  EXPECT_EQ(F.Stat().st_mtim.tv_sec, 1000000000);
  EXPECT_EQ(F.Stat().st_ino, Inode);
}

TEST(Save, KeepsTheMode) {
  for (mode_t Mode : {0600, 0640, 0755, 0604}) {
    DiskFile F("b\n");
    ASSERT_EQ(chmod(F.Path.c_str(), Mode), 0);
    EXPECT_TRUE(F.ReplaceAndSave("b", "X"));
    EXPECT_EQ(F.Stat().st_mode & 07777, Mode);
  }
}

// A group the file can be given without root: another group of the user's; root may give any.
bool OtherGroup(gid_t& Gid) {
  if (geteuid() == 0) {
    Gid = 4321;
    return true;
  }
  std::vector<gid_t> Groups(size_t(getgroups(0, nullptr)));
  Groups.resize(size_t(getgroups(int(Groups.size()), Groups.data())));
  for (gid_t G : Groups)
    if (G != getegid()) {
      Gid = G;
      return true;
    }
  return false;
}

TEST(Save, KeepsTheGroupAndForRootTheOwner) {
  DiskFile F("b\n");
  gid_t Gid;
  if (!OtherGroup(Gid)) GTEST_SKIP() << "the user belongs to no second group";
  const uid_t Uid = geteuid() == 0 ? 4321 : geteuid();
  ASSERT_EQ(chown(F.Path.c_str(), Uid, Gid), 0);
  EXPECT_TRUE(F.ReplaceAndSave("b", "X"));
  EXPECT_EQ(F.Stat().st_gid, Gid);
  EXPECT_EQ(F.Stat().st_uid, Uid);
}

TEST(Save, KeepsExtendedAttributes) {
  DiskFile F("b\n");
  if (setxattr(F.Path.c_str(), "user.ferrolin", "kept", 4, 0) != 0)
    GTEST_SKIP() << "no user attributes on this file system";
  EXPECT_TRUE(F.ReplaceAndSave("b", "X"));
  char Value[16] = {};
  EXPECT_EQ(getxattr(F.Path.c_str(), "user.ferrolin", Value, sizeof Value), 4);
  EXPECT_STREQ(Value, "kept");
}

// Records every call; answers BeforeSave as told, or throws.
struct TRecordingObserver : ISaveObserver {
  bool Accept = true;
  bool Throw = false;
  std::vector<std::string> Calls;
  bool BeforeSave(const std::string& Path, std::string_view OldBytes, std::string_view NewBytes,
                  unsigned Mode) override {
    Calls.push_back("before " + Path + " [" + std::string(OldBytes) + "] [" +
                    std::string(NewBytes) + "] " + std::to_string(Mode));
    if (Throw) throw std::runtime_error("journal full");
    return Accept;
  }
  void AfterSave(const std::string& Path, std::string_view NewBytes) override {
    Calls.push_back("after " + Path + " [" + std::string(NewBytes) + "]");
  }
};

TEST(SaveObserver, HardLinkedFileIsWrittenInPlaceThroughALink) {
  DiskFile F("a\nb\n");
  const std::string Other = F.Dir.Path("other.txt");
  ASSERT_EQ(link(F.Path.c_str(), Other.c_str()), 0);
  ASSERT_EQ(chmod(F.Path.c_str(), 0640), 0);
  const std::string Link = F.Dir.Path("link.txt");
  ASSERT_EQ(symlink(F.Path.c_str(), Link.c_str()), 0);
  const ino_t Inode = F.Stat().st_ino;
  TRecordingObserver Observer;
  F.File.SaveObserver = &Observer;
  const std::string Target = std::filesystem::canonical(F.Path).string();
  F.Path = Link;  // the file is named by the link
  EXPECT_TRUE(F.ReplaceAndSave("b", "X"));
  EXPECT_EQ(Observer.Calls, (std::vector<std::string>{"before " + Target + " [a\nb\n] [a\nX\n] 416",
                                                      "after " + Target + " [a\nX\n]"}));
  EXPECT_EQ(TTempTree::ReadFile(Other), "a\nX\n");
  struct stat St {};
  ASSERT_EQ(lstat(Target.c_str(), &St), 0);
  EXPECT_EQ(St.st_ino, Inode);
  EXPECT_EQ(St.st_nlink, 2u);
  ASSERT_EQ(lstat(F.Path.c_str(), &St), 0);
  EXPECT_TRUE(S_ISLNK(St.st_mode));
}

TEST(SaveObserver, DecliningWritesNothingAndRecordsNoError) {
  DiskFile F("b\n");
  TRecordingObserver Observer;
  Observer.Accept = false;
  F.File.SaveObserver = &Observer;
  EXPECT_FALSE(F.ReplaceAndSave("b", "X"));
  EXPECT_EQ(Observer.Calls.size(), 1u);
  EXPECT_TRUE(F.File.Errors.empty());
  EXPECT_EQ(TTempTree::ReadFile(F.Path), "b\n");
}

TEST(SaveObserver, AnErrorLeavesTheFileAndIsRecorded) {
  DiskFile F("b\n");
  TRecordingObserver Observer;
  Observer.Throw = true;
  F.File.SaveObserver = &Observer;
  EXPECT_FALSE(F.ReplaceAndSave("b", "X"));
  EXPECT_EQ(F.File.Errors, std::vector<std::string>{"Error Saving: journal full"});
  EXPECT_EQ(TTempTree::ReadFile(F.Path), "b\n");
}

}  // namespace

namespace {

TEST(Save, ReplacesALinksTargetAndLeavesNoTemporaryFile) {
  TTempTree Dir;
  std::string Target = Dir.File("real.txt", "old");
  chmod(Target.c_str(), 0640);
  std::string Link = Dir.Path("link.txt");
  ASSERT_EQ(symlink("real.txt", Link.c_str()), 0);
  ASSERT_TRUE(SaveFileContent(Link, "old", "new", nullptr));
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

TEST(Save, AFailedSaveLeavesTheOriginal) {
  if (geteuid() == 0) {
    // Root may write into read-only directories; use a directory that cannot hold a new file.
    TTempTree Dir;
    std::string F = Dir.File("f.txt", "keep");
    EXPECT_THROW(SaveFileContent(Dir.Path("no/such/dir/f.txt"), "", "x", nullptr),
                 std::runtime_error);
    EXPECT_EQ(Dir.Read("f.txt"), "keep");
    return;
  }
  TTempTree Dir;
  std::string F = Dir.File("sub/f.txt", "keep");
  chmod(Dir.Path("sub").c_str(), 0555);
  EXPECT_THROW(SaveFileContent(F, "keep", "x", nullptr), std::runtime_error);
  chmod(Dir.Path("sub").c_str(), 0755);
  EXPECT_EQ(Dir.Read("sub/f.txt"), "keep");
}

TEST(Save, NeverWritesANulByte) {
  DiskFile F("b\n");
  EXPECT_FALSE(F.ReplaceAndSave("b", std::string("\0", 1)));
  EXPECT_EQ(F.File.Errors,
            std::vector<std::string>{"Error Saving: the changed text holds a NUL byte"});
  EXPECT_EQ(TTempTree::ReadFile(F.Path), "b\n");
}

}  // namespace
