// File operations of the journal whose results must survive a crash: synced writes, appends,
// atomic restores. Each throws std::runtime_error naming the file and the system's reason.
#pragma once

#include <sys/types.h>

#include <initializer_list>
#include <string>
#include <string_view>

// Creates Path (it must not exist) holding Bytes, flushed to disk before it returns.
void WriteFileSynced(const std::string& Path, std::string_view Bytes);

// Flushes a directory's entries (a file created or renamed in it) to disk.
void SyncDirectory(const std::string& Dir);

// Reads a whole file; false with E set to the errno when it cannot.
bool ReadFileBytes(const std::string& Path, std::string& Bytes, int& E);

// Replaces Path by Bytes with the permission bits Mode: a temporary file in the same directory,
// synced, renamed over Path; the directory too when SyncDir. On failure Path is untouched.
void ReplaceFileSynced(const std::string& Path, std::string_view Bytes, unsigned Mode,
                       bool SyncDir = true);

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
  bool IsOpen() const { return FFd >= 0; }
  off_t Size() const { return FSize; }

 private:
  int FFd = -1;
  std::string FPath;
  off_t FSize = 0;
};
