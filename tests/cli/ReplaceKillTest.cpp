// A replace killed at any moment leaves every file wholly old or wholly new.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sched.h>

#include "support/CliProcess.h"
#include "support/TempTree.h"

namespace {

const std::string OldText(int i) {
  std::string S;
  for (int l = 0; l < 200; ++l)
    S += "old line " + std::to_string(l) + " of file " + std::to_string(i) + "\n";
  return S;
}

std::string NewText(int i) {
  std::string S = OldText(i);
  for (size_t p = 0; (p = S.find("old", p)) != std::string::npos; p += 3) S.replace(p, 3, "new");
  return S;
}

pid_t StartReplace(const std::string& Dir) {
  return StartQuietProcess({FERROLIN_CLI_PATH, "replace", "--dir", Dir, "--mask", "*.txt", "--term",
                            "old", "--replacement", "new", "--case-sensitive"});
}

// Counts the files already rewritten, by their size (the new text is as long as the old, so the
// first byte of "new" tells).
int FilesDone(const TTempTree& T, int Count) {
  int Done = 0;
  for (int i = 0; i < Count; ++i) {
    std::ifstream In(T.Path("f" + std::to_string(i) + ".txt"), std::ios::binary);
    char Buf[3] = {};
    In.read(Buf, 3);
    if (std::string(Buf, 3) == "new") ++Done;
  }
  return Done;
}

TEST(ReplaceKilled, EveryFileIsWhollyOldOrWhollyNew) {
  constexpr int Count = 1000;
  TTempTree T;
  for (int i = 0; i < Count; ++i) T.File("f" + std::to_string(i) + ".txt", OldText(i));
  // Kill the replace at several points of its run, each time after a different number of files
  // has been written, then check every file.
  for (int Target : {1, 150, 400, 800}) {
    pid_t Pid = StartReplace(T.Dir());
    ASSERT_GT(Pid, 0);
    int Status = 0;
    bool Exited = false;
    while (FilesDone(T, Count) < Target) {
      if (waitpid(Pid, &Status, WNOHANG) == Pid) {
        Exited = true;
        break;
      }
      sched_yield();
    }
    if (!Exited) {
      kill(Pid, SIGKILL);
      waitpid(Pid, &Status, 0);
    }
    int Old = 0, New = 0;
    for (int i = 0; i < Count; ++i) {
      const std::string Text = T.Read("f" + std::to_string(i) + ".txt");
      if (Text == OldText(i))
        ++Old;
      else if (Text == NewText(i))
        ++New;
      else
        ADD_FAILURE() << "file " << i << " is neither old nor new after a kill";
    }
    EXPECT_EQ(Old + New, Count);
    // The first kill lands while most files are still to do; otherwise nothing was proven.
    if (Target == 1) {
      EXPECT_LT(New, Count / 2);
    }
    // No temporary file is left except possibly the one being written at the kill.
    int Entries = 0;
    for (const auto& E : std::filesystem::directory_iterator(T.Path(""))) {
      (void)E;
      ++Entries;
    }
    EXPECT_LE(Entries, Count + 1);
    for (const auto& E : std::filesystem::directory_iterator(T.Path("")))
      if (E.path().filename().string()[0] == '.') std::filesystem::remove(E.path());
  }
}

}  // namespace
