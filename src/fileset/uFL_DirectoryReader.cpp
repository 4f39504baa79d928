// Directory listing over opendir/readdir and lookups with statx, relative to open directories.
#include "fileset/uFL_DirectoryReader.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <system_error>
#include <thread>

#include "support/uFL_Utils.h"

namespace {

constexpr int ExcludableBits = faHidden | faSysFile | faVolumeID | faDirectory;
constexpr unsigned RecordFields = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME;

bool HasWildcards(std::string_view Mask) {
  return Mask.find_first_of("*?") != std::string_view::npos;
}

bool MatchesEveryName(std::string_view Mask) {
  return Mask == "*" || Mask == "*.*";
}

// Iterative wildcard match with single-star backtracking: linear in practice, never recursive.
bool WildMatch(const char* N, const char* NEnd, const char* M, const char* MEnd) {
  const char* StarM = nullptr;
  const char* StarN = nullptr;
  while (N < NEnd) {
    if (M < MEnd && *M == '*') {
      StarM = ++M;
      StarN = N;
    } else if (M < MEnd && (*M == '?' || UpCaseAscii(*M) == UpCaseAscii(*N))) {
      ++M;
      ++N;
    } else if (StarM) {
      M = StarM;
      N = ++StarN;
    } else {
      return false;
    }
  }
  while (M < MEnd && *M == '*') ++M;
  return M == MEnd;
}

// The attribute bits of an entry of the given file type; a regular file whose owner may not
// write it is read-only.
int AttrOf(const char* Name, mode_t Mode) {
  int Attr = Name[0] == '.' ? faHidden : 0;
  if (S_ISDIR(Mode)) {
    Attr |= faDirectory;
  } else if (S_ISREG(Mode)) {
    Attr |= faArchive;
    if (!(Mode & S_IWUSR)) Attr |= faReadOnly;
  } else {
    Attr |= faSysFile;
  }
  return Attr;
}

void FillRecord(const char* Name, const struct statx& St, TSearchRec& Rec) {
  Rec.Attr = AttrOf(Name, St.stx_mode);
  Rec.Size = S_ISREG(St.stx_mode) ? int64_t(St.stx_size) : 0;
  Rec.Time = St.stx_mtime.tv_sec;
}

bool LookUp(int DirFd, const char* Name, TSearchRec& Rec) {
  struct statx St;
  if (statx(DirFd, Name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, RecordFields, &St) != 0)
    return false;
  if (S_ISLNK(St.stx_mode)) {
    struct statx Target;
    if (statx(DirFd, Name, AT_NO_AUTOMOUNT, RecordFields, &Target) == 0 &&
        S_ISREG(Target.stx_mode)) {
      St = Target;
    } else {
      Rec.Attr = faSysFile | (Name[0] == '.' ? faHidden : 0);
      Rec.Size = 0;
      Rec.Time = St.stx_mtime.tv_sec;
      return true;
    }
  }
  FillRecord(Name, St, Rec);
  return true;
}

struct DirCloser {
  void operator()(DIR* D) const { closedir(D); }
};

struct FdCloser {
  int Fd = -1;
  ~FdCloser() {
    if (Fd >= 0) close(Fd);
  }
};

// A mask without wildcards names one entry: look it up instead of reading a directory that may
// be large.
std::vector<TDirEntry> LookUpOneName(const char* Path, const TListingRule& Rule) {
  std::vector<TDirEntry> Result;
  const std::string& Name = Rule.Mask;
  if (Name.empty() || Name.find('/') != std::string::npos || Name == "." || Name == "..")
    return Result;
  if (Name[0] == '.' && !(Rule.SearchAttr & faHidden)) return Result;
  FdCloser Dir{open(Path, O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  TDirEntry Entry;
  if (Dir.Fd >= 0 && ClassifyEntry(Dir.Fd, Name.c_str(), DT_UNKNOWN, true, Entry) &&
      (Entry.Rec.Attr & ExcludableBits & ~Rule.SearchAttr) == 0)
    Result.push_back(std::move(Entry));
  return Result;
}

// Open directories from the outermost down, so that the next directory of a sorted list of
// paths, usually a child or sibling of the last one, opens relative to one already open.
class TDirectoryStack {
 public:
  ~TDirectoryStack() {
    for (const auto& D : FOpen)
      if (D.Fd >= 0) close(D.Fd);
  }
  // An open descriptor of Dir ("" is the current directory, else it ends with "/"), -1 when it
  // cannot be opened.
  int Open(std::string_view Dir) {
    if (Dir.empty()) return AT_FDCWD;
    while (!FOpen.empty() && Dir.substr(0, FOpen.back().Dir.size()) != FOpen.back().Dir) Pop();
    if (!FOpen.empty() && FOpen.back().Dir.size() == Dir.size()) return FOpen.back().Fd;
    // A deep tree would hold a descriptor per level: start over from the full path instead.
    if (FOpen.size() >= 32)
      while (!FOpen.empty()) Pop();
    const size_t Known = FOpen.empty() ? 0 : FOpen.back().Dir.size();
    int Fd = -1;
    if (Known == 0 || Dir[Known] == '/')
      Fd = open(std::string(Dir).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    else if (FOpen.back().Fd >= 0)
      Fd = openat(FOpen.back().Fd, std::string(Dir.substr(Known)).c_str(),
                  O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    FOpen.push_back({std::string(Dir), Fd});
    return Fd;
  }

 private:
  void Pop() {
    if (FOpen.back().Fd >= 0) close(FOpen.back().Fd);
    FOpen.pop_back();
  }
  struct TOpenDir {
    std::string Dir;
    int Fd;
  };
  std::vector<TOpenDir> FOpen;
};

}  // namespace

bool MatchesMask(std::string_view Name, std::string_view Mask) {
  if (MatchesEveryName(Mask)) return true;
  if (!HasWildcards(Mask)) return Name == Mask;
  return WildMatch(Name.data(), Name.data() + Name.size(), Mask.data(), Mask.data() + Mask.size());
}

bool IsBlankMask(std::string_view Mask) {
  for (unsigned char C : Mask)
    if (C > ' ') return false;
  return true;
}

bool ClassifyEntry(int DirFd, const char* Name, unsigned char DType, bool ReadRecord,
                   TDirEntry& Entry) {
  Entry.Rec.Name = Name;
  Entry.Rec.Size = 0;
  Entry.Rec.Time = 0;
  // A directory's record is never used beyond its bits; a regular file's type is all a walk
  // needs until its record is asked for.
  if (DType == DT_DIR || (!ReadRecord && DType != DT_LNK && DType != DT_UNKNOWN)) {
    Entry.Rec.Attr = AttrOf(Name, DTTOIF(DType) | S_IWUSR);
    Entry.RecordRead = DType == DT_DIR;
    return true;
  }
  Entry.RecordRead = true;
  return LookUp(DirFd, Name, Entry.Rec);
}

std::vector<TDirEntry> ReadDirectory(const std::string& Dir, const TListingRule& Rule) {
  const char* Path = Dir.empty() ? "." : Dir.c_str();
  const bool AllNames = MatchesEveryName(Rule.Mask);
  if (!AllNames && !HasWildcards(Rule.Mask) && Rule.MaskDirectories)
    return LookUpOneName(Path, Rule);
  std::vector<TDirEntry> Result;
  std::unique_ptr<DIR, DirCloser> D(opendir(Path));
  if (!D) return Result;
  const int Fd = dirfd(D.get());
  while (const dirent* E = readdir(D.get())) {
    const char* Name = E->d_name;
    if (Name[0] == '.' &&
        (!(Rule.SearchAttr & faHidden) || Name[1] == 0 || (Name[1] == '.' && Name[2] == 0)))
      continue;
    const bool NameOk = AllNames || MatchesMask(Name, Rule.Mask);
    const unsigned char Type = E->d_type;
    if (Type == DT_DIR && !(Rule.SearchAttr & faDirectory)) continue;
    // Only an entry of unknown type may still turn out to be a directory that passes unmasked.
    if (!NameOk && (Rule.MaskDirectories || (Type != DT_DIR && Type != DT_UNKNOWN))) continue;
    TDirEntry Entry;
    if (!ClassifyEntry(Fd, Name, Type, Rule.ReadRecords, Entry)) continue;  // vanished meanwhile
    if ((Entry.Rec.Attr & ExcludableBits & ~Rule.SearchAttr) != 0) continue;
    if (!NameOk && !(Entry.Rec.Attr & faDirectory)) continue;
    Result.push_back(std::move(Entry));
  }
  return Result;
}

namespace {

void ReadRecordsOf(TPendingRecord* First, TPendingRecord* Last) {
  TDirectoryStack Dirs;
  for (TPendingRecord* F = First; F != Last; ++F) {
    const std::string& Path = *F->Path;
    const size_t Slash = Path.rfind('/');
    const size_t NameAt = Slash == std::string::npos ? 0 : Slash + 1;
    const int DirFd = Dirs.Open(std::string_view(Path).substr(0, NameAt));
    struct statx St;
    F->Gone = DirFd == -1 ||
              statx(DirFd, Path.c_str() + NameAt, AT_NO_AUTOMOUNT, RecordFields, &St) != 0 ||
              !S_ISREG(St.stx_mode);
    if (F->Gone) {
      F->Rec->Size = 0;
      F->Rec->Time = 0;
    } else {
      FillRecord(Path.c_str() + NameAt, St, *F->Rec);
    }
  }
}

}  // namespace

void ReadFileRecords(std::vector<TPendingRecord>& Files) {
  TPendingRecord* First = Files.data();
  TPendingRecord* Last = First + Files.size();
  // The lookups wait on the file system, not on each other: two threads halve the wait of a
  // large walk. Each half keeps its directories together, being a run of the sorted list.
  if (Files.size() >= 4096) {
    TPendingRecord* Mid = First + Files.size() / 2;
    std::jthread Helper;
    try {
      Helper = std::jthread(ReadRecordsOf, Mid, Last);
    } catch (const std::system_error&) {
      Mid = Last;  // no thread to be had: this one reads them all
    }
    ReadRecordsOf(First, Mid);
    return;
  }
  ReadRecordsOf(First, Last);
}
