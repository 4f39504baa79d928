// The journal's folder under the user's state directory.
#include "journal/uFL_StateDir.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include "support/uFL_Utils.h"

std::string JournalRunsDir() {
  std::string Base;
  // A relative XDG_STATE_HOME is to be ignored, as for every XDG base directory.
  if (const char* State = std::getenv("XDG_STATE_HOME"); State && State[0] == '/') {
    Base = State;
  } else {
    std::string Home;
    if (const char* H = std::getenv("HOME"); H && H[0]) {
      Home = H;
    } else if (const passwd* Pw = getpwuid(getuid()); Pw && Pw->pw_dir) {
      Home = Pw->pw_dir;
    }
    Base = Home + "/.local/state";
  }
  while (Base.size() > 1 && Base.back() == '/') Base.pop_back();
  return Base + "/ferrolin/runs";
}

void MakeDirectories(const std::string& Dir) {
  struct stat St;
  if (stat(Dir.c_str(), &St) == 0) {
    if (S_ISDIR(St.st_mode)) return;
    throw std::runtime_error(Dir + ": " + SystemErrorText(ENOTDIR));
  }
  if (const auto Slash = Dir.find_last_of('/'); Slash != std::string::npos && Slash > 0)
    MakeDirectories(Dir.substr(0, Slash));
  if (mkdir(Dir.c_str(), 0700) != 0 && errno != EEXIST)
    throw std::runtime_error(Dir + ": " + SystemErrorText(errno));
}
