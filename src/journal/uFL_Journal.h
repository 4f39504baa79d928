// The undo journal of one run: before a file is replaced its original is flushed to disk, so that
// a run ended at any moment (killed, power lost) can be undone.
//
// A run is a folder under the runs folder, named by its start time (UTC, microseconds):
//   manifest.jsonl  the run's header, then one line per event (file journaled, saved, restored,
//                   run undone), appended and never rewritten
//   originals.dat   per file a JSON header line (path, mode, size, hashes) followed by the original
//                   bytes and a LF; flushed before the file is replaced
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "journal/uFL_ActionObserver.h"
#include "journal/uFL_DurableFile.h"
#include "journal/uFL_Manifest.h"

inline constexpr const char* OriginalsName = "originals.dat";

struct TJournalLimits {
  int MaxRuns = 20;
  int64_t MaxBytes = int64_t(1) << 30;
};

class TJournalWriter : public IActionObserver {
 public:
  // Opens a new run in RunsDir (made when missing). Throws std::runtime_error with a message for
  // the user when the folder cannot be written.
  TJournalWriter(const std::string& RunsDir, const std::string& Action,
                 std::vector<std::string> Terms, std::vector<std::string> Replacements,
                 TJournalLimits Limits = {});
  ~TJournalWriter() override;

  bool BeforeSave(const std::string& Path, std::string_view OldBytes, std::string_view NewBytes,
                  unsigned Mode) override;
  void AfterSave(const std::string& Path, std::string_view NewBytes) override;
  // Drops the run when it journaled no file, then prunes the oldest runs beyond the limits.
  void Finish() noexcept override;

  const std::string& RunId() const { return FRun.Id; }

 private:
  std::string FRunsDir;
  TJournalRunInfo FRun;
  TJournalLimits FLimits;
  TAppendFile FManifest, FOriginals;
  int FNext = 0, FFiles = 0, FPending = 0;
  bool FFinished = false;
};

// Keeps the newest runs within Limits (the run KeepId always), removing the older ones.
void PruneRuns(const std::string& RunsDir, const TJournalLimits& Limits, const std::string& KeepId);

// The runs' folder names, oldest first.
std::vector<std::string> JournalRunIds(const std::string& RunsDir);

// Reads the records of originals.dat, up to the first whose header or bytes are not whole (a
// kill while it was written); ReadOriginal fetches the bytes of one.
struct TOriginalRecord {
  TJournalFile File;
  int64_t Offset = 0;  // of the bytes in the file
  bool Whole = false;  // all Size bytes and the closing LF are there
};
std::vector<TOriginalRecord> ReadOriginalRecords(const std::string& RunDir);
// The bytes of Record when they are whole and hash to the recorded value; false otherwise.
bool ReadOriginal(const std::string& RunDir, const TOriginalRecord& Record, std::string& Bytes);
