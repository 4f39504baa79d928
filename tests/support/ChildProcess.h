// Runs part of a test in a forked child, so that what it changes for itself (its user, its
// resource limits) never reaches the test program; the child's answer comes back as text.
#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

inline std::string RunInChild(const std::function<std::string()>& Body) {
  int Pipe[2];
  if (pipe(Pipe) != 0) return "pipe failed";
  const pid_t Pid = fork();
  if (Pid == 0) {
    close(Pipe[0]);
    const std::string Out = Body();
    if (write(Pipe[1], Out.data(), Out.size()) < 0) _exit(4);
    _exit(0);
  }
  close(Pipe[1]);
  std::string Out;
  char Buf[4096];
  for (ssize_t N; (N = read(Pipe[0], Buf, sizeof Buf)) > 0;) Out.append(Buf, size_t(N));
  close(Pipe[0]);
  int Status = 0;
  waitpid(Pid, &Status, 0);
  return WIFEXITED(Status) && WEXITSTATUS(Status) == 0 ? Out : "child failed";
}

// Runs Body as the user who runs the tests, or, for root (whom no permission bit keeps out), in a
// child that has dropped to an unprivileged user first.
inline std::string AsOrdinaryUser(const std::function<std::string()>& Body) {
  if (geteuid() != 0) return Body();
  return RunInChild([&]() -> std::string {
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
      return "cannot drop to an unprivileged user";
    return Body();
  });
}
