// The manifest of one journaled run: one JSON object a line, appended and never rewritten, so
// that a run killed at any moment leaves every line but possibly the last one whole.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* ManifestName = "manifest.jsonl";

// One file of a run: where it is, what it held before (kept in the run's originals file at
// Offset) and what the run wrote.
struct TJournalFile {
  int N = 0;  // 1-based number within the run
  std::string Path;
  unsigned Mode = 0644;
  int64_t Size = -1;      // of the original
  std::string Hash;       // of the original
  std::string NewHash;    // of the content the run wrote, known before it was written
  int64_t Offset = -1;    // of the original's bytes in the originals file
  bool Saved = false;     // the run reported the write done
  bool Restored = false;  // an undo put the original back
};

struct TJournalRunInfo {
  std::string Id;   // the folder's name: its start time, sortable
  std::string Dir;  // the folder
  std::string Action;
  std::vector<std::string> Terms, Replacements;
  int64_t StartMicros = 0;  // since the epoch, UTC
  std::vector<TJournalFile> Files;
  bool Undone = false;
};

// The manifest's lines.
std::string RunHeaderLine(const TJournalRunInfo& Run);
std::string FileLine(const TJournalFile& File);
std::string SavedLine(int N);
// Reads a line made by FileLine; false when it is not one.
bool ParseFileLine(std::string_view Line, TJournalFile& File);
std::string RestoredLine(int N);
std::string UndoneLine(const std::string& By);

// Reads the run in Dir from whatever of its manifest is readable.
TJournalRunInfo ReadJournalRun(const std::string& Dir);

// "2026-12-07 13:15:58" in local time.
std::string LocalTimeText(int64_t Micros);
