// The sorted file list and the file-list file format.
#include "fileset/uFL_FileList.h"

#include <algorithm>
#include <stdexcept>

#include "support/uFL_CompMemory.h"
#include "support/uFL_Utils.h"

bool TPathLess::operator()(const std::string& A, const std::string& B) const {
  return TextLessAscii(A, B);
}

std::vector<std::string> TFileList::Paths() const {
  std::vector<std::string> Result;
  Result.reserve(FEntries.size());
  for (const auto& E : FEntries) Result.push_back(E.first);
  return Result;
}

const TFileList::TMap::value_type& TFileList::Entry(int Index) const {
  if (!FIndexValid.load(std::memory_order_acquire)) {
    std::lock_guard<std::mutex> Lock(FLazy);
    if (!FIndexValid.load(std::memory_order_relaxed)) {
      FIndex.clear();
      FIndex.reserve(FEntries.size());
      for (const auto& E : FEntries) FIndex.push_back(&E);
      FIndexValid.store(true, std::memory_order_release);
    }
  }
  if (Index < 0 || size_t(Index) >= FIndex.size())
    throw std::out_of_range("List index out of bounds (" + std::to_string(Index) + ")");
  return *FIndex[size_t(Index)];
}

const TSearchRec& TFileList::Rec(int Index) const {
  const TMap::value_type& E = Entry(Index);
  ReadUnread(nullptr);
  return E.second.Rec;
}

void TFileList::ReadUnread(std::vector<std::string>* Gone) const {
  if (FUnread.load(std::memory_order_acquire) == 0) return;
  std::lock_guard<std::mutex> Lock(FLazy);
  if (FUnread.load(std::memory_order_relaxed) == 0) return;
  std::vector<TPendingRecord> Pending;
  Pending.reserve(FUnread);
  // The map's order keeps each directory's files together, so each directory opens about once.
  for (const auto& E : FEntries)
    if (!E.second.RecordRead) Pending.push_back({&E.first, &E.second.Rec});
  ReadFileRecords(Pending);
  for (const auto& E : FEntries) E.second.RecordRead = true;
  FUnread.store(0, std::memory_order_release);
  if (Gone)
    for (const TPendingRecord& P : Pending)
      if (P.Gone) Gone->push_back(*P.Path);
}

void TFileList::ReadRecords() {
  std::vector<std::string> Gone;
  ReadUnread(&Gone);
  for (const std::string& Path : Gone) Remove(Path);
}

int TFileList::IndexOf(const std::string& Path) const {
  auto It = FEntries.find(Path);
  if (It == FEntries.end()) return -1;
  // The position is the count of entries before it; use the positional view.
  (void)Entry(0);
  TPathLess Less;
  auto Pos = std::lower_bound(
      FIndex.begin(), FIndex.end(), Path,
      [&](const TMap::value_type* E, const std::string& P) { return Less(E->first, P); });
  return int(Pos - FIndex.begin());
}

void TFileList::AboutToChange() {
  if (FUpdateCount == 0 && OnAboutToChange) OnAboutToChange();
}

void TFileList::Changed() {
  FIndexValid = false;
  if (FUpdateCount == 0 && OnChanged) OnChanged();
}

bool TFileList::Add(const std::string& Path, const TSearchRec& Rec) {
  if (FEntries.count(Path)) return false;
  AboutToChange();
  FEntries.emplace(Path, TItem{Rec, true});
  Changed();
  return true;
}

void TFileList::AddFound(const std::string& Dir, std::vector<TDirEntry>& Files) {
  if (Files.empty()) return;
  // Sorting by name sorts by path, the directory being common; the files then go in one after
  // the other, each beside the last, without a search of the whole map per file.
  const TPathLess Less;
  std::sort(Files.begin(), Files.end(),
            [&](const TDirEntry& A, const TDirEntry& B) { return Less(A.Rec.Name, B.Rec.Name); });
  AboutToChange();
  TMap::iterator Next = FEntries.end();
  bool First = true;
  std::string Path;
  for (TDirEntry& F : Files) {
    Path.assign(Dir).append(F.Rec.Name);
    const size_t Before = FEntries.size();
    TMap::iterator It;
    if (First)
      It = FEntries.try_emplace(std::move(Path), TItem{std::move(F.Rec), F.RecordRead}).first;
    else
      It = FEntries.try_emplace(Next, std::move(Path), TItem{std::move(F.Rec), F.RecordRead});
    First = false;
    if (FEntries.size() != Before && !F.RecordRead) ++FUnread;
    Next = std::next(It);
  }
  Changed();
}

bool TFileList::Remove(const std::string& Path) {
  auto It = FEntries.find(Path);
  if (It == FEntries.end()) return false;
  AboutToChange();
  if (!It->second.RecordRead) --FUnread;
  FEntries.erase(It);
  Changed();
  return true;
}

void TFileList::Delete(int Index) {
  std::string Path = this->Path(Index);
  Remove(Path);
}

void TFileList::Clear() {
  AboutToChange();
  FEntries.clear();
  FUnread = 0;
  Changed();
}

int TFileList::ReadOnlyCount() const {
  ReadUnread(nullptr);
  int N = 0;
  for (const auto& E : FEntries)
    if (E.second.Rec.Attr & faReadOnly) ++N;
  return N;
}

void TFileList::BeginUpdate() {
  if (FUpdateCount == 0 && OnAboutToChange) OnAboutToChange();
  ++FUpdateCount;
}

void TFileList::EndUpdate() {
  if (FUpdateCount == 0) return;
  if (--FUpdateCount == 0) {
    FIndexValid = false;
    if (OnChanged) OnChanged();
  }
}

std::vector<std::string> ReadFileListFile(const std::string& FileName) {
  return SplitTextLines(ReadWholeFile(FileName));
}

void WriteFileListFile(const std::string& FileName, const std::vector<std::string>& Paths) {
  WriteLinesCRLF(FileName, Paths);
}
