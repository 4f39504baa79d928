// The file list: paths sorted without regard to ASCII case, each with its directory record.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "files/uFL_Types.h"

// Sort order of the list: ASCII letters folded to upper case, ties broken by plain byte order so
// that the order is total and two paths differing only in case are two entries.
struct TPathLess {
  bool operator()(const std::string& A, const std::string& B) const;
};

class TFileList {
 public:
  // Observers of the list (the window's model). Outside an update block every change is framed
  // by one AboutToChange/Changed pair; inside a block the whole block is one such pair.
  std::function<void()> OnAboutToChange;
  std::function<void()> OnChanged;

  int Count() const { return int(FEntries.size()); }
  bool Empty() const { return FEntries.empty(); }
  const std::string& Path(int Index) const { return Entry(Index).first; }
  const TSearchRec& Rec(int Index) const { return Entry(Index).second; }
  std::vector<std::string> Paths() const;

  // Exact path identity; -1 when absent. Logarithmic.
  int IndexOf(const std::string& Path) const;
  bool Contains(const std::string& Path) const { return FEntries.count(Path) != 0; }

  // Adds Path with its record; false (and nothing changes) when Path is already listed.
  bool Add(const std::string& Path, const TSearchRec& Rec);
  bool Remove(const std::string& Path);
  void Delete(int Index);
  void Clear();

  int ReadOnlyCount() const;

  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return FUpdateCount > 0; }

 private:
  using TMap = std::map<std::string, TSearchRec, TPathLess>;
  const TMap::value_type& Entry(int Index) const;
  void AboutToChange();
  void Changed();

  TMap FEntries;
  // Positional view of FEntries, rebuilt on the first indexed read after a change, so that a walk
  // adding many thousand paths costs a logarithmic insertion each and no array shifting.
  mutable std::vector<const TMap::value_type*> FIndex;
  mutable bool FIndexValid = true;
  int FUpdateCount = 0;
};

// File-list files: one path a line. Reading cuts at CR LF, CR or LF and stops at a NUL byte;
// writing ends every line with CR LF. Both throw std::runtime_error with the system's message.
std::vector<std::string> ReadFileListFile(const std::string& FileName);
void WriteFileListFile(const std::string& FileName, const std::vector<std::string>& Paths);
