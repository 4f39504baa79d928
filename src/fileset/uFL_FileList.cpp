// The sorted file list and the file-list file format.
#include "fileset/uFL_FileList.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "support/uFL_Utils.h"

bool TPathLess::operator()(const std::string& A, const std::string& B) const {
  const size_t N = std::min(A.size(), B.size());
  const char* X = A.data();
  const char* Y = B.data();
  // Paths of one walk share long prefixes; equal bytes fold equally, so skip them eight at a time
  // and fold only where the bytes differ.
  size_t i = 0;
  for (; i + 8 <= N; i += 8) {
    uint64_t U, V;
    memcpy(&U, X + i, 8);
    memcpy(&V, Y + i, 8);
    if (U != V) break;
  }
  for (; i < N; ++i) {
    if (X[i] == Y[i]) continue;
    unsigned char P = static_cast<unsigned char>(UpCaseAscii(X[i]));
    unsigned char Q = static_cast<unsigned char>(UpCaseAscii(Y[i]));
    if (P != Q) return P < Q;
  }
  if (A.size() != B.size()) return A.size() < B.size();
  return A < B;
}

std::vector<std::string> TFileList::Paths() const {
  std::vector<std::string> Result;
  Result.reserve(FEntries.size());
  for (const auto& E : FEntries) Result.push_back(E.first);
  return Result;
}

const TFileList::TMap::value_type& TFileList::Entry(int Index) const {
  if (!FIndexValid) {
    FIndex.clear();
    FIndex.reserve(FEntries.size());
    for (const auto& E : FEntries) FIndex.push_back(&E);
    FIndexValid = true;
  }
  if (Index < 0 || size_t(Index) >= FIndex.size())
    throw std::out_of_range("List index out of bounds (" + std::to_string(Index) + ")");
  return *FIndex[size_t(Index)];
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
  FEntries.emplace(Path, Rec);
  Changed();
  return true;
}

bool TFileList::Remove(const std::string& Path) {
  auto It = FEntries.find(Path);
  if (It == FEntries.end()) return false;
  AboutToChange();
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
  Changed();
}

int TFileList::ReadOnlyCount() const {
  int N = 0;
  for (const auto& E : FEntries)
    if (E.second.Attr & faReadOnly) ++N;
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
