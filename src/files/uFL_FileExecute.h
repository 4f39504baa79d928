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

// Splits a parameter text into arguments as QProcess::splitCommand does: blanks (ASCII white
// space) separate words, double quotes group, three double quotes in a row stand for one literal
// quote, no other escapes; an unclosed quote runs to the end. Bytes are kept as they are.
std::vector<std::string> SplitCommandLine(std::string_view Text);

// Starts Application (found on PATH unless it holds a "/") with the split Parameters, in
// Directory (empty: the current one). Waiting returns the exit code, or NoExitCode; not waiting
// starts the program detached (it is never left as a zombie) and returns NoExitCode.
int32_t ExecuteFile(const std::string& Application, const std::string& Parameters,
                    const std::string& Directory, bool Wait, int ShowCmd);
int32_t ExecuteAndWait(const std::string& Application, const std::string& Parameters,
                       const std::string& Directory, int ShowCmd);
int32_t ExecuteNoWait(const std::string& Application, const std::string& Parameters,
                      const std::string& Directory, int ShowCmd);

// Replaces every "!P" (without regard to case) by Dir, then every "!N" by Name.
std::string ExpandRunParams(const std::string& Params, const std::string& Dir,
                            const std::string& Name);
