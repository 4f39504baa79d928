// A replace killed at random moments is always undone to the last byte.
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <random>

#include "support/CliCall.h"
#include "support/CliProcess.h"
#include "support/TempTree.h"

namespace {

constexpr int Count = 1000;

std::string Name(int i) {
  char Buf[16];
  std::snprintf(Buf, sizeof Buf, "f%04d.txt", i);  // list order is number order
  return Buf;
}

// Files of different shapes, so that a restore cannot pass by luck: breaks vary, some have no
// final break.
std::string Original(int i) {
  static const char* Breaks[] = {"\n", "\r\n", "\r"};
  std::string S;
  for (int l = 0; l < 20 + i % 7; ++l)
    S += "old line " + std::to_string(l) + " of " + std::to_string(i) + Breaks[(i + l) % 3];
  if (i % 5 == 0) S += "old tail";
  return S;
}

pid_t StartReplace(const std::string& Dir) {
  return StartQuietProcess({FERROLIN_CLI_PATH, "replace", "--dir", Dir, "--mask", "*.txt", "--term",
                            "old", "--replacement", "brand new", "--case-sensitive"});
}

bool Replaced(const TTempTree& T, int i) {
  std::ifstream In(T.Path(Name(i)), std::ios::binary);
  char Buf[5] = {};
  In.read(Buf, 5);
  return std::string(Buf, 5) == "brand";
}

// The tree and the journal on a memory file system where there is one: a kill, unlike a power
// loss, keeps whatever was written, so flushes prove nothing here and would only take time.
struct TOnMemoryFs {
  TOnMemoryFs() {
    if (const char* Tmp = std::getenv("TMPDIR")) SavedTmp = Tmp;
    if (access("/dev/shm", W_OK) == 0) setenv("TMPDIR", "/dev/shm", 1);
  }
  ~TOnMemoryFs() {
    if (SavedTmp.empty())
      unsetenv("TMPDIR");
    else
      setenv("TMPDIR", SavedTmp.c_str(), 1);
  }
  std::string SavedTmp;
};

TEST(JournalKilled, UndoAfterAKillRestoresEveryFile) {
  TTempTree T = [] {
    TOnMemoryFs OnMemory;
    return TTempTree();
  }();
  struct TStateHere {
    std::string Saved;
    explicit TStateHere(const std::string& Dir) : Saved(std::getenv("XDG_STATE_HOME")) {
      setenv("XDG_STATE_HOME", Dir.c_str(), 1);
    }
    ~TStateHere() { setenv("XDG_STATE_HOME", Saved.c_str(), 1); }
  } StateHere(T.Path("state"));
  for (int i = 0; i < Count; ++i) T.File(Name(i), Original(i));
  std::mt19937 Random(20261207);
  int Killed = 0;
  // Twenty kills; a run that ends before its moment comes is undone and checked all the same.
  for (int Round = 0; Killed < 20 && Round < 40; ++Round) {
    // A random moment: once file Target is written, after a random number of yields more.
    const int Target = std::uniform_int_distribution<int>(0, Count - 20)(Random);
    const int Yields = std::uniform_int_distribution<int>(0, 300)(Random);
    const pid_t Pid = StartReplace(T.Dir());
    ASSERT_GT(Pid, 0);
    int Status = 0;
    bool Exited = false;
    while (!Replaced(T, Target) && !Exited) Exited = waitpid(Pid, &Status, WNOHANG) == Pid;
    for (int y = 0; y < Yields && !Exited; ++y) sched_yield();
    if (!Exited) {
      kill(Pid, SIGKILL);
      waitpid(Pid, &Status, 0);
      Killed += WIFSIGNALED(Status);
    }
    const TCliCall Undo = CallCli({"undo"});
    ASSERT_EQ(Undo.Status, 0) << Undo.Err;
    int Wrong = 0;
    for (int i = 0; i < Count; ++i) Wrong += T.Read(Name(i)) != Original(i);
    ASSERT_EQ(Wrong, 0) << "round " << Round << ", killed after file " << Target << "\n"
                        << Undo.Out;
  }
  EXPECT_EQ(Killed, 20);
}

}  // namespace
