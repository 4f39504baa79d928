// Starting programs with posix_spawnp, and TBaseFile::RunWith.
#include "files/uFL_FileExecute.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <exception>

#include "files/uFL_BaseFile.h"
#include "support/uFL_Log.h"
#include "support/uFL_Utils.h"

extern char** environ;

std::vector<std::string> SplitCommandLine(std::string_view Text) {
  std::vector<std::string> Args;
  std::string Word;
  bool InWord = false;  // a pair of quotes makes a word even when nothing stands between them
  for (size_t i = 0; i < Text.size(); ++i) {
    const char C = Text[i];
    if (C == ' ' || C == '\t' || C == '\n') {
      if (InWord) Args.push_back(std::move(Word));
      Word.clear();
      InWord = false;
      continue;
    }
    InWord = true;
    if (C == '\\' && i + 1 < Text.size()) {
      Word += Text[++i];
    } else if (C == '\'') {
      const size_t End = std::min(Text.find('\'', i + 1), Text.size());
      Word.append(Text.substr(i + 1, End - i - 1));
      i = End;
    } else if (C == '"') {
      for (++i; i < Text.size() && Text[i] != '"'; ++i) {
        const bool Escape = Text[i] == '\\' && i + 1 < Text.size() &&
                            std::string_view("\"\\$`").find(Text[i + 1]) != std::string_view::npos;
        if (Escape) ++i;
        Word += Text[i];
      }
    } else {
      Word += C;
    }
  }
  if (InWord) Args.push_back(std::move(Word));
  return Args;
}

namespace {

// Everything posix_spawnp needs, built before any process is created so that a forked child
// only calls posix_spawnp and _exit.
struct TSpawnRequest {
  std::vector<std::string> Words;
  std::vector<char*> Argv;
  posix_spawn_file_actions_t Actions;
  posix_spawnattr_t Attr;

  explicit TSpawnRequest(const TProcessRequest& Request) : Words(Request.Argv) {
    for (auto& W : Words) Argv.push_back(W.data());
    Argv.push_back(nullptr);
    posix_spawn_file_actions_init(&Actions);
    if (Request.ShowCmd == ShowHidden) {
      posix_spawn_file_actions_addopen(&Actions, 0, "/dev/null", O_RDONLY, 0);
      posix_spawn_file_actions_addopen(&Actions, 1, "/dev/null", O_WRONLY, 0);
      posix_spawn_file_actions_addopen(&Actions, 2, "/dev/null", O_WRONLY, 0);
    }
    if (!Request.Directory.empty())
      posix_spawn_file_actions_addchdir_np(&Actions, Request.Directory.c_str());
    posix_spawnattr_init(&Attr);
    // The child starts with default signal handling whatever this program has set.
    sigset_t Default;
    sigfillset(&Default);
    posix_spawnattr_setsigdefault(&Attr, &Default);
    sigset_t Empty;
    sigemptyset(&Empty);
    posix_spawnattr_setsigmask(&Attr, &Empty);
    posix_spawnattr_setflags(&Attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  }
  ~TSpawnRequest() {
    posix_spawn_file_actions_destroy(&Actions);
    posix_spawnattr_destroy(&Attr);
  }
  TSpawnRequest(const TSpawnRequest&) = delete;
  TSpawnRequest& operator=(const TSpawnRequest&) = delete;

  // 0 or the errno of a failed start (glibc reports a failed exec here, too).
  int Spawn(pid_t& Pid) {
    return posix_spawnp(&Pid, Argv[0], &Actions, &Attr, Argv.data(), environ);
  }
};

// Waits for Pid; its exit code, or NoExitCode when it did not exit normally.
int32_t WaitFor(pid_t Pid) {
  int Status = 0;
  while (waitpid(Pid, &Status, 0) < 0) {
    if (errno != EINTR) return NoExitCode;
  }
  return WIFEXITED(Status) ? int32_t(WEXITSTATUS(Status)) : NoExitCode;
}

class TSpawnRunner : public IProcessRunner {
 public:
  int32_t Run(const TProcessRequest& Request) override {
    if (Request.Argv.empty() || Request.Argv[0].empty()) return NoExitCode;
    TSpawnRequest Spawn(Request);
    if (Request.Wait) {
      pid_t Pid = 0;
      if (Spawn.Spawn(Pid) != 0) return NoExitCode;
      return WaitFor(Pid);
    }
    // Detached: a short-lived middle process starts the program and exits at once; this program
    // reaps the middle one, and the program itself is adopted (and reaped) by init.
    const pid_t Middle = fork();
    if (Middle < 0) return NoExitCode;
    if (Middle == 0) {
      setsid();
      pid_t Pid = 0;
      _exit(Spawn.Spawn(Pid) == 0 ? 0 : 127);
    }
    WaitFor(Middle);
    return NoExitCode;
  }
};

}  // namespace

IProcessRunner& SystemProcessRunner() {
  static TSpawnRunner Runner;
  return Runner;
}

int32_t ExecuteFile(IProcessRunner& Runner, const std::string& Application,
                    const std::string& Parameters, const std::string& Directory, bool Wait,
                    int ShowCmd) {
  TProcessRequest Request;
  Request.Argv.push_back(Application);
  for (auto& W : SplitCommandLine(Parameters)) Request.Argv.push_back(std::move(W));
  Request.Directory = Directory;
  Request.Wait = Wait;
  Request.ShowCmd = ShowCmd;
  return Runner.Run(Request);
}

int32_t ExecuteAndWait(const std::string& Application, const std::string& Parameters,
                       const std::string& Directory, int ShowCmd) {
  return ExecuteFile(SystemProcessRunner(), Application, Parameters, Directory, true, ShowCmd);
}

int32_t ExecuteNoWait(const std::string& Application, const std::string& Parameters,
                      const std::string& Directory, int ShowCmd) {
  return ExecuteFile(SystemProcessRunner(), Application, Parameters, Directory, false, ShowCmd);
}

namespace {
// Replaces every occurrence of the two-character Marker, without regard to ASCII case.
std::string ReplaceMarker(const std::string& Text, char Marker, const std::string& By) {
  std::string Out;
  Out.reserve(Text.size());
  for (size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] == '!' && i + 1 < Text.size() && UpCaseAscii(Text[i + 1]) == Marker) {
      Out += By;
      ++i;
    } else {
      Out += Text[i];
    }
  }
  return Out;
}
}  // namespace

std::string ExpandRunParams(const std::string& Params, const std::string& Dir,
                            const std::string& Name) {
  // The directory goes in first, so a directory holding "!N" is expanded by the second step.
  return ReplaceMarker(ReplaceMarker(Params, 'P', Dir), 'N', Name);
}

int32_t TBaseFile::RunWith(IProcessRunner& Runner, const std::string& Application,
                           const std::string& Params, bool Wait, bool ShowWindow) {
  try {
    const std::string Cmd = ExpandRunParams(Params, ExtractFilePath(FileName), ShortName);
    AddTrace(FileName, "Executing " + Application + " " + Cmd);
    const int ShowCmd = ShowWindow ? ShowNormal : ShowHidden;
    const int32_t Code = ExecuteFile(Runner, Application, Cmd, std::string(), Wait, ShowCmd);
    // A program not waited for counts as done well.
    ExitCode = Wait ? Code : 0;
    AddTrace(FileName, "Returned: " + std::to_string(ExitCode));
    return ExitCode;
  } catch (const std::exception& E) {
    AddTrace(FileName, E.what());
    return NoExitCode;
  }
}
