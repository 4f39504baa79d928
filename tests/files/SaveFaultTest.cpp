// A write that fails half-way (a full disk, a file-size limit): the original stays whole, nothing
// else is left beside it, and the error names the reason.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "files/uFL_TextFile.h"
#include "support/ChildProcess.h"
#include "support/TempTree.h"

namespace {

// A file of about 24 KiB whose every line grows by 60 bytes when saved.
struct TGrowingSave {
  std::string Dir, Path, Original;

  explicit TGrowingSave(const std::string& InDir) : Dir(InDir), Path(InDir + "/big.txt") {
    for (int i = 0; i < 900; ++i) Original += "line " + std::to_string(i) + " of the original\n";
    std::ofstream(Path, std::ios::binary) << Original;
  }

  // Saves the grown text; the errors of the file, the file's bytes are compared with the original
  // and the entries of the directory counted, as one text.
  std::string Save() const {
    TTextfile File(nullptr);
    File.SetFileName(Path);
    File.FileRec.Size = int64_t(Original.size());
    File.FileRec.Attr = faArchive;
    if (!File.Load()) return "not loaded";
    for (int i = 0; i < File.Lines.Count(); ++i)
      File.Lines.Set(i, File.Lines.Get(i) + std::string(60, '+'));
    File.Changed = true;
    std::string Out = File.SaveChanges(true) ? "saved|" : "not saved|";
    for (const auto& E : File.Errors) Out += E + "|";
    Out += TTempTree::ReadFile(Path) == Original ? "original|" : "changed|";
    int Entries = 0;
    for ([[maybe_unused]] const auto& E : std::filesystem::directory_iterator(Dir)) ++Entries;
    return Out + std::to_string(Entries) + " entries";
  }
};

TEST(FailingWrite, FileSizeLimitLeavesTheOriginalUntouched) {
  TTempTree T;
  const TGrowingSave Save(T.Mkdir("limited"));
  // The limit holds in a child only; ignoring SIGXFSZ turns the overlong write into EFBIG.
  const std::string Got = RunInChild([&] {
    const rlimit Limit{16384, 16384};
    if (signal(SIGXFSZ, SIG_IGN) == SIG_ERR || setrlimit(RLIMIT_FSIZE, &Limit) != 0)
      return std::string("cannot limit the file size");
    return Save.Save();
  });
  EXPECT_EQ(Got, "not saved|Error Saving: File too large|original|1 entries");
}

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
  // Every line grows, so the new text cannot fit beside the original on the 64 KiB disk.
  EXPECT_EQ(TGrowingSave(Mount).Save(),
            "not saved|Error Saving: No space left on device|original|1 entries");
}

}  // namespace
