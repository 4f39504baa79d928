// Saving a changed file: the atomic replace, the in-place write, and what both keep.
#include "files/uFL_FileSave.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "files/uFL_SaveObserver.h"
#include "support/uFL_Utils.h"

namespace {

[[noreturn]] void Throw(int E) {
  throw std::runtime_error(SystemErrorText(E));
}

class TFd {
 public:
  explicit TFd(int Fd) : FFd(Fd) {}
  ~TFd() {
    if (FFd >= 0) close(FFd);
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int Get() const { return FFd; }
  // Closes now, so that a failing close is seen; 0 or the errno.
  int Close() {
    const int R = close(FFd);
    FFd = -1;
    return R == 0 ? 0 : errno;
  }

 private:
  int FFd;
};

// Writes Data at Offset on; 0 or the errno.
int WriteAt(int Fd, std::string_view Data, off_t Offset) {
  const char* P = Data.data();
  size_t Left = Data.size();
  while (Left > 0) {
    const ssize_t N = pwrite(Fd, P, Left, Offset);
    if (N < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    P += N;
    Left -= size_t(N);
    Offset += N;
  }
  return 0;
}

bool Unsupported(int E) {
  return E == ENOTSUP || E == EOPNOTSUPP;
}

// Copies the extended attributes of Source onto Fd. A file system without them, and attributes
// an ordinary user may not set (another namespace's), are skipped; 0 or the errno.
int CopyXattrs(const std::string& Source, int Fd) {
  ssize_t Size = listxattr(Source.c_str(), nullptr, 0);
  if (Size < 0) return Unsupported(errno) ? 0 : errno;
  std::vector<char> Names(size_t(Size) + 1);
  Size = listxattr(Source.c_str(), Names.data(), Names.size());
  if (Size < 0) return errno;
  std::vector<char> Value;
  for (const char* Name = Names.data(); Name < Names.data() + Size; Name += strlen(Name) + 1) {
    ssize_t Len = getxattr(Source.c_str(), Name, nullptr, 0);
    if (Len < 0) continue;  // gone meanwhile, or not readable for this user: nothing to copy
    Value.resize(size_t(Len) + 1);
    Len = getxattr(Source.c_str(), Name, Value.data(), Value.size());
    if (Len < 0) continue;
    if (fsetxattr(Fd, Name, Value.data(), size_t(Len), 0) != 0) {
      const int E = errno;
      if (Unsupported(E) || (E == EPERM && geteuid() != 0)) continue;
      return E;
    }
  }
  return 0;
}

// The in-place write of a file with several links: every name keeps seeing one file. Should the
// write fail half-way, the original bytes are put back before the error goes on.
void WriteInPlace(const std::string& Target, std::string_view OldBytes, std::string_view NewBytes) {
  TFd Fd(open(Target.c_str(), O_WRONLY | O_CLOEXEC));
  if (Fd.Get() < 0) Throw(errno);
  int E = WriteAt(Fd.Get(), NewBytes, 0);
  if (!E && ftruncate(Fd.Get(), off_t(NewBytes.size())) != 0) E = errno;
  if (!E && fsync(Fd.Get()) != 0) E = errno;
  if (E) {
    if (WriteAt(Fd.Get(), OldBytes, 0) == 0) (void)!ftruncate(Fd.Get(), off_t(OldBytes.size()));
    Throw(E);
  }
  if (int C = Fd.Close()) Throw(C);
}

void ReplaceAtomically(const std::string& Target, const struct stat* Original,
                       std::string_view NewBytes) {
  std::string Temp = ExtractFilePath(Target) + "." + ExtractFileName(Target) + ".ferrolin-XXXXXX";
  TFd Fd(mkostemp(Temp.data(), O_CLOEXEC));
  if (Fd.Get() < 0) Throw(errno);
  auto Fail = [&](int E) {
    unlink(Temp.c_str());
    Throw(E);
  };
  if (int E = WriteAt(Fd.Get(), NewBytes, 0)) Fail(E);
  if (Original) {
    // The owner and group first (a change of owner clears set-id bits), then the attributes,
    // then the mode. Only root may give a file away: an ordinary user's file stays the user's.
    if (fchown(Fd.Get(), Original->st_uid, Original->st_gid) != 0) {
      if (geteuid() == 0) Fail(errno);
      // Not root: the group still stays when the user belongs to it.
      (void)!fchown(Fd.Get(), uid_t(-1), Original->st_gid);
    }
    if (int E = CopyXattrs(Target, Fd.Get())) Fail(E);
  }
  const mode_t Mode = Original ? Original->st_mode & 07777 : 0644;
  if (fchmod(Fd.Get(), Mode) != 0) Fail(errno);
  if (fsync(Fd.Get()) != 0) Fail(errno);
  if (int E = Fd.Close()) Fail(E);
  if (rename(Temp.c_str(), Target.c_str()) != 0) Fail(errno);
}

}  // namespace

bool SaveFileContent(const std::string& FileName, std::string_view OldBytes,
                     std::string_view NewBytes, ISaveObserver* Observer) {
  // A link is resolved so that its target is replaced and the link itself stays.
  std::string Target = FileName;
  if (char* Real = realpath(FileName.c_str(), nullptr)) {
    Target = Real;
    free(Real);
  }
  struct stat St;
  const bool Known = stat(Target.c_str(), &St) == 0 && S_ISREG(St.st_mode);
  const unsigned Mode = Known ? unsigned(St.st_mode & 07777) : 0644u;
  if (Observer && !Observer->BeforeSave(Target, OldBytes, NewBytes, Mode)) return false;
  if (Observer && Known && St.st_nlink > 1)
    WriteInPlace(Target, OldBytes, NewBytes);
  else
    ReplaceAtomically(Target, Known ? &St : nullptr, NewBytes);
  if (Observer) Observer->AfterSave(Target, NewBytes);
  return true;
}
