// File operations of the journal whose results must survive a crash: directory syncs and
// appends. Each throws std::runtime_error naming the file and the system's reason.
#pragma once

#include <sys/types.h>

#include <initializer_list>
#include <string>
#include <string_view>

// Flushes a directory's entries (a file created or renamed in it) to disk.
void SyncDirectory(const std::string& Dir);

// A file that only grows by whole lines, each written with one call so that a kill leaves every
// line either whole or (the last one only) cut short.
class TAppendFile {
 public:
  TAppendFile() = default;
  explicit TAppendFile(const std::string& Path);
  ~TAppendFile();
  TAppendFile(TAppendFile&& Other) noexcept;
  TAppendFile& operator=(TAppendFile&& Other) noexcept;

  // Appends Line and a LF; with Sync the data is on disk when it returns.
  void Append(std::string_view Line, bool Sync) { Append({Line, "\n"}, Sync); }
  // Appends the parts one after the other. A failure cuts the file back to where it was, so that
  // a record is never left half written by an error (a kill may still cut the last one).
  void Append(std::initializer_list<std::string_view> Parts, bool Sync);
  off_t Size() const { return FSize; }

 private:
  int FFd = -1;
  std::string FPath;
  off_t FSize = 0;
};
