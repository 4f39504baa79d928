// Directory syncs and appends for the journal.
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

}  // namespace

void SyncDirectory(const std::string& Dir) {
  const int Fd = open(Dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Fd < 0) Fail(Dir, errno);
  const int Rc = fsync(Fd);
  const int E = errno;
  close(Fd);
  if (Rc != 0) Fail(Dir, E);
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
    if (!WriteAll(FFd, Part)) {
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
