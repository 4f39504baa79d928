// Starts the ferrolin-cli program itself as a child process, its output thrown away, for tests that
// must kill it while it works.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <string>
#include <vector>

// The child's pid, or -1 when it could not be started.
inline pid_t StartQuietProcess(std::vector<std::string> Args) {
  std::vector<char*> Argv;
  for (auto& A : Args) Argv.push_back(A.data());
  Argv.push_back(nullptr);
  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  posix_spawn_file_actions_addopen(&Actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&Actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t Pid = -1;
  if (posix_spawn(&Pid, Argv[0], &Actions, nullptr, Argv.data(), environ) != 0) Pid = -1;
  posix_spawn_file_actions_destroy(&Actions);
  return Pid;
}
