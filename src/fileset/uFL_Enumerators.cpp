// Directory walks over opendir/readdir, with the attribute mapping of this platform.
#include "fileset/uFL_Enumerators.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <vector>

namespace {

constexpr int ExcludableBits = faHidden | faSysFile | faVolumeID | faDirectory;

char FoldAscii(char C) {
  return (C >= 'a' && C <= 'z') ? char(C - 'a' + 'A') : C;
}

// A mask of nothing but blanks and control characters stands for every name.
bool IsBlankMask(const std::string& Mask) {
  for (unsigned char C : Mask)
    if (C > ' ') return false;
  return true;
}

bool HasWildcards(const std::string& Mask) {
  return Mask.find_first_of("*?") != std::string::npos;
}

// Iterative wildcard match with single-star backtracking: linear in practice, never recursive.
bool WildMatch(const char* N, const char* NEnd, const char* M, const char* MEnd) {
  const char* StarM = nullptr;
  const char* StarN = nullptr;
  while (N < NEnd) {
    if (M < MEnd && *M == '*') {
      StarM = ++M;
      StarN = N;
    } else if (M < MEnd && (*M == '?' || FoldAscii(*M) == FoldAscii(*N))) {
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

int AttrFromStat(const std::string& Name, const struct stat& St) {
  int Attr = 0;
  if (!Name.empty() && Name[0] == '.') Attr |= faHidden;
  if (S_ISDIR(St.st_mode)) {
    Attr |= faDirectory;
  } else if (S_ISREG(St.st_mode)) {
    Attr |= faArchive;
    if (!(St.st_mode & S_IWUSR)) Attr |= faReadOnly;
  } else {
    Attr |= faSysFile;
  }
  return Attr;
}

// Fills Rec for Name inside the open directory DirFd. A link to a regular file is that file; a
// link to a directory, a broken link and every special file are "system", so walks never follow
// links into loops. False when the entry vanished.
bool StatEntry(int DirFd, const std::string& Name, TSearchRec& Rec) {
  struct stat St;
  if (fstatat(DirFd, Name.c_str(), &St, AT_SYMLINK_NOFOLLOW) != 0) return false;
  Rec.Name = Name;
  if (S_ISLNK(St.st_mode)) {
    struct stat Target;
    if (fstatat(DirFd, Name.c_str(), &Target, 0) != 0 || !S_ISREG(Target.st_mode)) {
      Rec.Attr = faSysFile | ((!Name.empty() && Name[0] == '.') ? faHidden : 0);
      Rec.Size = 0;
      Rec.Time = St.st_mtim.tv_sec;
      return true;
    }
    St = Target;
  }
  Rec.Attr = AttrFromStat(Name, St);
  Rec.Size = S_ISREG(St.st_mode) ? int64_t(St.st_size) : 0;
  Rec.Time = St.st_mtim.tv_sec;
  return true;
}

struct DirCloser {
  void operator()(DIR* D) const { closedir(D); }
};

// Everything the listing yields for Dir + Mask under the attribute mask, in the file system's
// order. The directory is read whole and closed before any handler runs, so handlers may change
// the tree and deep walks hold no descriptors open.
std::vector<TSearchRec> ListDirectory(const std::string& Dir, const std::string& Mask,
                                      int SearchAttr) {
  std::vector<TSearchRec> Result;
  const std::string Path = Dir.empty() ? std::string(".") : Dir;
  const bool AllNames = Mask == "*" || Mask == "*.*";
  if (!AllNames && !HasWildcards(Mask)) {
    // One exact name: look it up instead of reading a directory that may be large.
    int Fd = open(Path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (Fd < 0) return Result;
    TSearchRec Rec;
    if (!Mask.empty() && Mask.find('/') == std::string::npos && Mask != "." && Mask != ".." &&
        StatEntry(Fd, Mask, Rec) && (Rec.Attr & ExcludableBits & ~SearchAttr) == 0)
      Result.push_back(std::move(Rec));
    close(Fd);
    return Result;
  }
  std::unique_ptr<DIR, DirCloser> D(opendir(Path.c_str()));
  if (!D) return Result;
  const int Fd = dirfd(D.get());
  while (dirent* E = readdir(D.get())) {
    std::string Name = E->d_name;
    if (Name == "." || Name == "..") continue;
    if (!AllNames &&
        !WildMatch(Name.data(), Name.data() + Name.size(), Mask.data(), Mask.data() + Mask.size()))
      continue;
    // Hidden names are excluded before any stat unless the mask asks for them.
    if (Name[0] == '.' && !(SearchAttr & faHidden)) continue;
    // Plain directories need no stat when only their directory bit matters.
    if (E->d_type == DT_DIR && Name[0] != '.') {
      if (!(SearchAttr & faDirectory)) continue;
      TSearchRec Rec;
      Rec.Name = std::move(Name);
      Rec.Attr = faDirectory;
      Result.push_back(std::move(Rec));
      continue;
    }
    TSearchRec Rec;
    if (!StatEntry(Fd, Name, Rec)) continue;  // vanished meanwhile
    if ((Rec.Attr & ExcludableBits & ~SearchAttr) != 0) continue;
    Result.push_back(std::move(Rec));
  }
  return Result;
}

}  // namespace

TDirectoryScan ScanFilesAndSubdirs(const std::string& Dir, const std::string& Mask) {
  TDirectoryScan Result;
  std::unique_ptr<DIR, DirCloser> D(opendir(Dir.empty() ? "." : Dir.c_str()));
  if (!D) return Result;
  const int Fd = dirfd(D.get());
  const bool AllNames = Mask == "*" || Mask == "*.*" || IsBlankMask(Mask);
  while (dirent* E = readdir(D.get())) {
    if (E->d_name[0] == '.') continue;  // hidden, and "." and ".."
    std::string Name = E->d_name;
    if (E->d_type == DT_DIR) {
      Result.Subdirs.push_back(std::move(Name));
      continue;
    }
    const bool Wanted = AllNames || MatchesMask(Name, Mask);
    if (!Wanted && E->d_type != DT_UNKNOWN) continue;
    TSearchRec Rec;
    if (!StatEntry(Fd, Name, Rec)) continue;
    if (Rec.Attr & faDirectory) {
      if (!(Rec.Attr & faSysFile)) Result.Subdirs.push_back(std::move(Name));
    } else if (Wanted && !(Rec.Attr & (faSysFile | faHidden | faVolumeID))) {
      Result.Files.push_back(std::move(Rec));
    }
  }
  return Result;
}

bool MatchesMask(const std::string& Name, const std::string& Mask) {
  if (Mask == "*" || Mask == "*.*") return true;
  if (!HasWildcards(Mask)) return Name == Mask;
  return WildMatch(Name.data(), Name.data() + Name.size(), Mask.data(), Mask.data() + Mask.size());
}

void TFSEnumerator::SetStartPath(const std::string& Value) {
  if (Value == FStartPath) return;
  FStartPath = Value;
  if (!FStartPath.empty() && FStartPath.back() != '/') FStartPath += '/';
}

void TFSEnumerator::Execute() {
  if (OnStart) OnStart(*this);
  EnumerateDirectory(FStartPath);
  if (OnFinish) OnFinish(*this);
}

void TFSEnumerator::EnumerateDirectory(const std::string& Dir) {
  const std::vector<TSearchRec> Entries =
      ListDirectory(Dir, GetSearchMask(), GetSearchAttributes());
  for (const TSearchRec& Entry : Entries) {
    const std::string FullName = Dir + Entry.Name;
    if (AcceptEntry(Entry)) {
      bool ContinueLevel = true;
      if (OnItem) OnItem(*this, FullName, Entry, ContinueLevel);
      if (!ContinueLevel) return;
    }
    if ((Entry.Attr & faDirectory) && Recursive) EnumerateDirectory(FullName + '/');
  }
}

bool TFSEnumerator::AcceptEntry(const TSearchRec&) const {
  return true;
}

bool TDirectoryEnumerator::AcceptEntry(const TSearchRec& Rec) const {
  return (Rec.Attr & faDirectory) && Rec.Name != "." && Rec.Name != "..";
}

void TFileEnumerator::SetFileMask(const std::string& Value) {
  if (Value == FFileMask) return;
  FFileMask = IsBlankMask(Value) ? std::string("*.*") : Value;
}

int TFileEnumerator::GetSearchAttributes() const {
  static constexpr struct {
    TFileAttr Kind;
    int Bit;
  } Bits[] = {{ftReadOnly, faReadOnly},
              {ftHidden, faHidden},
              {ftSystem, faSysFile},
              {ftVolumeID, faVolumeID},
              {ftArchive, faArchive}};
  int Attr = 0;
  for (const auto& B : Bits)
    if (FileTypes & FileTypeBit(B.Kind)) Attr |= B.Bit;
  if (Recursive) Attr |= faDirectory;
  return Attr;
}

bool TFileEnumerator::AcceptEntry(const TSearchRec& Rec) const {
  bool Wanted = (GetSearchAttributes() & Rec.Attr) != 0 || (FileTypes & FileTypeBit(ftNormal));
  return Wanted && !(Rec.Attr & faDirectory);
}
