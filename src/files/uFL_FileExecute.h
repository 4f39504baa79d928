// Starting a program, with or without waiting for it: the launcher of the run action.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The exit code that stands for none: not started, not found, killed by a signal, not waited for.
inline constexpr int32_t NoExitCode = 2147483647;

// Show commands: 5 lets the program write to this program's stdout and stderr (and read its
// stdin); 0 connects all three to /dev/null.
inline constexpr int ShowNormal = 5;
inline constexpr int ShowHidden = 0;

// Splits a parameter text into arguments as a POSIX shell splits words, without any expansion:
// blanks separate words; single quotes keep everything up to the next one literally; double quotes
// group, and inside them a backslash escapes only the double quote, backslash, $ and backquote;
// outside quotes a backslash takes the next character literally. An unclosed quote runs to the end.
// Bytes are kept.
std::vector<std::string> SplitCommandLine(std::string_view Text);

// One program to start: the program as typed (found on PATH unless it holds a "/") and its
// arguments, the directory it starts in (empty: the current one), and whether to wait for it.
struct TProcessRequest {
  std::vector<std::string> Argv;
  std::string Directory;
  bool Wait = true;
  int ShowCmd = ShowHidden;
};

// What starts programs: the system, or a fake in tests. Waiting returns the exit code, or
// NoExitCode; not waiting starts the program detached (never left as a zombie) and returns
// NoExitCode.
class IProcessRunner {
 public:
  virtual ~IProcessRunner() = default;
  virtual int32_t Run(const TProcessRequest& Request) = 0;
};

// The runner that starts real processes (posix_spawnp).
IProcessRunner& SystemProcessRunner();

// Starts Application with the split Parameters through Runner.
int32_t ExecuteFile(IProcessRunner& Runner, const std::string& Application,
                    const std::string& Parameters, const std::string& Directory, bool Wait,
                    int ShowCmd);
int32_t ExecuteAndWait(const std::string& Application, const std::string& Parameters,
                       const std::string& Directory, int ShowCmd);
int32_t ExecuteNoWait(const std::string& Application, const std::string& Parameters,
                      const std::string& Directory, int ShowCmd);

// Replaces every "!P" (without regard to case) by Dir, then every "!N" by Name.
std::string ExpandRunParams(const std::string& Params, const std::string& Dir,
                            const std::string& Name);
