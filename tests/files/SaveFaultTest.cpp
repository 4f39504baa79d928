// Saving on a full disk: the original stays whole and the error names the reason.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/uFL_TextFile.h"
#include "support/TempTree.h"

namespace {

// A tiny tmpfs mounted inside a temporary directory; skipped where mounting is not allowed.
class FullDisk : public testing::Test {
 protected:
  void SetUp() override {
    Mount = T.Mkdir("small");
    if (geteuid() != 0 || mount("tmpfs", Mount.c_str(), "tmpfs", 0, "size=64k") != 0)
      GTEST_SKIP() << "cannot mount a small tmpfs here";
    Mounted = true;
  }
  void TearDown() override {
    if (Mounted) umount2(Mount.c_str(), MNT_DETACH);
  }
  TTempTree T;
  std::string Mount;
  bool Mounted = false;
};

TEST_F(FullDisk, FailedSaveLeavesTheOriginalUntouched) {
  const std::string Path = Mount + "/big.txt";
  std::string Original;
  for (int i = 0; i < 900; ++i) Original += "line " + std::to_string(i) + " of the original\n";
  {
    std::ofstream Out(Path, std::ios::binary);
    Out << Original;
  }
  ASSERT_GT(Original.size(), 20000u);
  TTextfile File(nullptr);
  File.SetFileName(Path);
  File.FileRec.Size = int64_t(Original.size());
  File.FileRec.Attr = faArchive;
  ASSERT_TRUE(File.Load());
  // Every line grows, so the new text cannot fit beside the original on the 64 KiB disk.
  for (int i = 0; i < File.Lines.Count(); ++i)
    File.Lines.Set(i, File.Lines.Get(i) + std::string(60, '+'));
  File.Changed = true;
  EXPECT_FALSE(File.SaveChanges(true));
  ASSERT_EQ(File.Errors.size(), 1u);
  EXPECT_EQ(File.Errors[0], "Error Saving: No space left on device");
  EXPECT_EQ(TTempTree::ReadFile(Path), Original);
  // Nothing but the original is left on the disk.
  int Entries = 0;
  for (const auto& E : std::filesystem::directory_iterator(Mount)) {
    (void)E;
    ++Entries;
  }
  EXPECT_EQ(Entries, 1);
}

}  // namespace
