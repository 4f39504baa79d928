// The file list: paths sorted without regard to ASCII case, each with its directory record.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory_resource>
#include <mutex>
#include <string>
#include <vector>

#include "files/uFL_Types.h"
#include "fileset/uFL_DirectoryReader.h"

// Sort order of the list, that of every sorted list (TextLessAscii): ASCII letters folded to upper
// case, ties broken by plain byte order so that the order is total and two paths differing only in
// case are two entries.
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
  // The entry's record. Records a walk left unread are read now, all of them at once.
  const TSearchRec& Rec(int Index) const;
  std::vector<std::string> Paths() const;

  // Exact path identity; -1 when absent. Logarithmic.
  int IndexOf(const std::string& Path) const;
  bool Contains(const std::string& Path) const { return FEntries.count(Path) != 0; }

  // Adds Path with its record; false (and nothing changes) when Path is already listed.
  bool Add(const std::string& Path, const TSearchRec& Rec);
  // Adds the files a walk found in one directory (Dir + each name) in one step: sorted once and
  // put side by side. Records not read yet are read on first use.
  void AddFound(const std::string& Dir, std::vector<TDirEntry>& Files);
  bool Remove(const std::string& Path);
  void Delete(int Index);
  void Clear();

  int ReadOnlyCount() const;
  // Reads every record a walk left unread, now, all at once; entries whose file is gone by now
  // leave the list. Left unread, the records are read when the first one is wanted, and a file
  // gone by then keeps a record of 0 bytes. Reading entries (paths and records) is safe from
  // several threads at once while nothing changes the list.
  void ReadRecords();

  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return FUpdateCount > 0; }

 private:
  struct TItem {
    // Filled in when the records are first read; to a reader they were always there.
    mutable TSearchRec Rec;
    mutable bool RecordRead;
  };
  using TMap = std::pmr::map<std::string, TItem, TPathLess>;
  const TMap::value_type& Entry(int Index) const;
  void AboutToChange();
  void Changed();
  // Reads the unread records; the entries whose file is gone go to Gone when it is given.
  void ReadUnread(std::vector<std::string>* Gone) const;

  // The map's nodes come from a pool: a walk adds them by the hundred thousand, and nodes made
  // one after the other lie side by side, which keeps the in-order reads cache-friendly.
  std::pmr::unsynchronized_pool_resource FPool;
  TMap FEntries{&FPool};
  // Positional view of FEntries, rebuilt on the first indexed read after a change, so that a walk
  // adding many thousand paths costs a logarithmic insertion each and no array shifting.
  mutable std::vector<const TMap::value_type*> FIndex;
  mutable std::atomic<bool> FIndexValid = true;
  // Entries whose record a walk left unread: listing names needs no lookup per file, and the
  // records are read together, directory by directory, when the first one is wanted.
  mutable std::atomic<size_t> FUnread = 0;
  mutable std::mutex FLazy;
  int FUpdateCount = 0;
};

// File-list files: one path a line. Reading cuts at CR LF, CR or LF and stops at a NUL byte;
// writing ends every line with CR LF. Both throw std::runtime_error with the system's message.
std::vector<std::string> ReadFileListFile(const std::string& FileName);
void WriteFileListFile(const std::string& FileName, const std::vector<std::string>& Paths);
