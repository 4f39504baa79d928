// Shared helpers: case, trimming, paths and file I/O on plain POSIX calls.
#include "support/uFL_Utils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

std::string UpperCaseAscii(std::string_view S) {
  std::string R(S);
  for (char& C : R) C = UpCaseAscii(C);
  return R;
}

bool SameTextAscii(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i)
    if (UpCaseAscii(A[i]) != UpCaseAscii(B[i])) return false;
  return true;
}

bool TextLessAscii(std::string_view A, std::string_view B) {
  const size_t N = std::min(A.size(), B.size());
  // Paths of one walk share long prefixes; equal bytes fold equally, so skip them eight at a time
  // and fold only where the bytes differ.
  size_t i = 0;
  for (; i + 8 <= N; i += 8) {
    uint64_t U, V;
    memcpy(&U, A.data() + i, 8);
    memcpy(&V, B.data() + i, 8);
    if (U != V) break;
  }
  for (; i < N; ++i) {
    if (A[i] == B[i]) continue;
    const unsigned char X = UpCaseAscii(A[i]), Y = UpCaseAscii(B[i]);
    if (X != Y) return X < Y;
  }
  if (A.size() != B.size()) return A.size() < B.size();
  return A < B;
}

std::string TrimText(std::string_view S) {
  size_t B = 0, E = S.size();
  while (B < E && static_cast<unsigned char>(S[B]) <= ' ') ++B;
  while (E > B && static_cast<unsigned char>(S[E - 1]) <= ' ') --E;
  return std::string(S.substr(B, E - B));
}

std::string ExtractFileName(const std::string& Path) {
  auto Slash = Path.rfind('/');
  return Slash == std::string::npos ? Path : Path.substr(Slash + 1);
}

std::string ExtractFilePath(const std::string& Path) {
  auto Slash = Path.rfind('/');
  return Slash == std::string::npos ? std::string() : Path.substr(0, Slash + 1);
}

std::string SystemErrorText(int E) {
  char Buf[256];
  // GNU strerror_r may return a static string instead of filling Buf.
  const char* Text = strerror_r(E, Buf, sizeof Buf);
  return Text;
}

namespace {

struct FdCloser {
  int Fd;
  ~FdCloser() {
    if (Fd >= 0) close(Fd);
  }
};

}  // namespace

bool WriteAll(int Fd, std::string_view Data) {
  const char* P = Data.data();
  size_t Left = Data.size();
  while (Left > 0) {
    ssize_t N = write(Fd, P, Left);
    if (N < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    P += N;
    Left -= size_t(N);
  }
  return true;
}

std::string Counted(int64_t N, std::string_view One, std::string_view Many) {
  return std::to_string(N) + std::string(N == 1 ? One : Many);
}

std::string ReadWholeFile(const std::string& FileName) {
  int Fd = open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0) throw EFileError("Cannot open file \"" + FileName + "\". " + SystemErrorText(errno));
  FdCloser Closer{Fd};
  std::string Data;
  struct stat St;
  if (fstat(Fd, &St) == 0 && S_ISREG(St.st_mode)) Data.reserve(size_t(St.st_size));
  char Buf[65536];
  for (;;) {
    ssize_t N = read(Fd, Buf, sizeof Buf);
    if (N < 0) {
      if (errno == EINTR) continue;
      throw EFileError("Cannot read file \"" + FileName + "\". " + SystemErrorText(errno));
    }
    if (N == 0) break;
    Data.append(Buf, size_t(N));
  }
  return Data;
}

std::vector<std::string> SplitTextLines(std::string_view Text) {
  if (auto Nul = Text.find('\0'); Nul != std::string_view::npos) Text = Text.substr(0, Nul);
  std::vector<std::string> Lines;
  size_t Start = 0;
  for (size_t i = 0; i < Text.size(); ++i) {
    char C = Text[i];
    if (C != '\r' && C != '\n') continue;
    Lines.emplace_back(Text.substr(Start, i - Start));
    if (C == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n') ++i;
    Start = i + 1;
  }
  if (Start < Text.size()) Lines.emplace_back(Text.substr(Start));
  return Lines;
}

std::string JoinLines(const std::vector<std::string>& Lines, std::string_view Eol) {
  std::string Data;
  size_t Size = 0;
  for (const auto& L : Lines) Size += L.size() + Eol.size();
  Data.reserve(Size);
  for (const auto& L : Lines) {
    Data += L;
    Data += Eol;
  }
  return Data;
}

void WriteLinesCRLF(const std::string& FileName, const std::vector<std::string>& Lines) {
  const std::string Data = JoinLines(Lines, "\r\n");
  int Fd = open(FileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (Fd < 0)
    throw EFileError("Cannot create file \"" + FileName + "\". " + SystemErrorText(errno));
  FdCloser Closer{Fd};
  if (!WriteAll(Fd, Data))
    throw EFileError("Cannot write file \"" + FileName + "\". " + SystemErrorText(errno));
}
