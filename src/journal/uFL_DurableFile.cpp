// Synced writes, appends and atomic restores for the journal.
#include "journal/uFL_DurableFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <vector>

#include "support/uFL_Utils.h"

namespace {

[[noreturn]] void Fail(const std::string& Path, int E) {
  throw std::runtime_error(Path + ": " + SystemErrorText(E));
}

bool WriteAllBytes(int Fd, std::string_view Bytes) {
  while (!Bytes.empty()) {
    const ssize_t N = write(Fd, Bytes.data(), Bytes.size());
    if (N < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    Bytes.remove_prefix(size_t(N));
  }
  return true;
}

}  // namespace

void WriteFileSynced(const std::string& Path, std::string_view Bytes) {
  const int Fd = open(Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (Fd < 0) Fail(Path, errno);
  if (!WriteAllBytes(Fd, Bytes) || fdatasync(Fd) != 0) {
    const int E = errno;
    close(Fd);
    unlink(Path.c_str());
    Fail(Path, E);
  }
  if (close(Fd) != 0) Fail(Path, errno);
}

void SyncDirectory(const std::string& Dir) {
  const int Fd = open(Dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Fd < 0) Fail(Dir, errno);
  const int Rc = fsync(Fd);
  const int E = errno;
  close(Fd);
  if (Rc != 0) Fail(Dir, E);
}

bool ReadFileBytes(const std::string& Path, std::string& Bytes, int& E) {
  Bytes.clear();
  const int Fd = open(Path.c_str(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0) {
    E = errno;
    return false;
  }
  struct stat St;
  if (fstat(Fd, &St) == 0 && S_ISREG(St.st_mode)) Bytes.reserve(size_t(St.st_size));
  char Buf[65536];
  for (;;) {
    const ssize_t N = read(Fd, Buf, sizeof Buf);
    if (N < 0) {
      if (errno == EINTR) continue;
      E = errno;
      close(Fd);
      Bytes.clear();
      return false;
    }
    if (N == 0) break;
    Bytes.append(Buf, size_t(N));
  }
  close(Fd);
  E = 0;
  return true;
}

void ReplaceFileSynced(const std::string& Path, std::string_view Bytes, unsigned Mode,
                       bool SyncDir) {
  std::string Templ = ExtractFilePath(Path) + "." + ExtractFileName(Path) + ".ferrolin-XXXXXX";
  std::vector<char> Name(Templ.begin(), Templ.end());
  Name.push_back('\0');
  const int Fd = mkostemp(Name.data(), O_CLOEXEC);
  if (Fd < 0) Fail(Path, errno);
  const std::string Temp = Name.data();
  if (!WriteAllBytes(Fd, Bytes) || fchmod(Fd, mode_t(Mode & 07777)) != 0 || fsync(Fd) != 0) {
    const int E = errno;
    close(Fd);
    unlink(Temp.c_str());
    Fail(Path, E);
  }
  if (close(Fd) != 0 || rename(Temp.c_str(), Path.c_str()) != 0) {
    const int E = errno;
    unlink(Temp.c_str());
    Fail(Path, E);
  }
  if (!SyncDir) return;
  const std::string Dir = ExtractFilePath(Path);
  SyncDirectory(Dir.empty() ? "." : Dir);
}

TAppendFile::TAppendFile(const std::string& Path) : FPath(Path) {
  FFd = open(Path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (FFd < 0) Fail(Path, errno);
  struct stat St;
  if (fstat(FFd, &St) == 0) FSize = St.st_size;
}

TAppendFile::~TAppendFile() {
  if (FFd >= 0) close(FFd);
}

TAppendFile::TAppendFile(TAppendFile&& Other) noexcept
    : FFd(Other.FFd), FPath(std::move(Other.FPath)), FSize(Other.FSize) {
  Other.FFd = -1;
}

TAppendFile& TAppendFile::operator=(TAppendFile&& Other) noexcept {
  if (this != &Other) {
    if (FFd >= 0) close(FFd);
    FFd = Other.FFd;
    FPath = std::move(Other.FPath);
    FSize = Other.FSize;
    Other.FFd = -1;
  }
  return *this;
}

void TAppendFile::Append(std::initializer_list<std::string_view> Parts, bool Sync) {
  off_t Added = 0;
  for (std::string_view Part : Parts) {
    if (!WriteAllBytes(FFd, Part)) {
      const int E = errno;
      // The error that stopped the write is the one to report, whatever the cut gives.
      [[maybe_unused]] const int Cut = ftruncate(FFd, FSize);
      Fail(FPath, E);
    }
    Added += off_t(Part.size());
  }
  FSize += Added;
  if (Sync && fdatasync(FFd) != 0) Fail(FPath, errno);
}
