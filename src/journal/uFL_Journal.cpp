// The journal of one run, the pruning of old runs, and reading the originals back.
//
// Flush policy: per file one fdatasync of originals.dat, after the file's record is appended and
// before BeforeSave returns, so the original is on disk before the file is replaced. The run's
// folder, manifest header and empty originals file are flushed once, when the run opens. The
// manifest's later lines are not flushed: they survive a kill (the page cache outlives the
// process), and after a power loss the originals file alone carries what an undo needs to prove.
#include "journal/uFL_Journal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "journal/uFL_ContentHash.h"
#include "journal/uFL_StateDir.h"
#include "support/uFL_Utils.h"

namespace fs = std::filesystem;

namespace {

std::string RunIdFor(int64_t Micros) {
  const time_t T = time_t(Micros / 1000000);
  tm Utc{};
  gmtime_r(&T, &Utc);
  char Buf[40];
  const size_t Len = strftime(Buf, sizeof Buf, "%Y%m%d-%H%M%S", &Utc);
  std::snprintf(Buf + Len, sizeof Buf - Len, "-%06lld", static_cast<long long>(Micros % 1000000));
  return Buf;
}

int64_t RunBytes(const std::string& Dir) {
  int64_t Total = 0;
  std::error_code Ec;
  for (const auto& E : fs::directory_iterator(Dir, Ec)) {
    std::error_code SizeEc;
    const auto Size = E.file_size(SizeEc);
    if (!SizeEc) Total += int64_t(Size);
  }
  return Total;
}

}  // namespace

TJournalWriter::TJournalWriter(const std::string& RunsDir, const std::string& Action,
                               std::vector<std::string> Terms,
                               std::vector<std::string> Replacements, TJournalLimits Limits)
    : FRunsDir(RunsDir), FLimits(Limits) {
  FRun.Action = Action;
  FRun.Terms = std::move(Terms);
  FRun.Replacements = std::move(Replacements);
  FRun.StartMicros = std::chrono::duration_cast<std::chrono::microseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
  try {
    MakeDirectories(RunsDir);
    // Two runs started in the same microsecond get a suffix that keeps the names in order.
    const std::string Base = RunIdFor(FRun.StartMicros);
    for (int k = 0;; ++k) {
      FRun.Id = k == 0 ? Base : Base + "-" + std::to_string(k);
      FRun.Dir = RunsDir + "/" + FRun.Id;
      if (mkdir(FRun.Dir.c_str(), 0700) == 0) break;
      if (errno != EEXIST || k > 1000)
        throw std::runtime_error(FRun.Dir + ": " + SystemErrorText(errno));
    }
    try {
      FManifest = TAppendFile(FRun.Dir + "/" + ManifestName);
      FManifest.Append(RunHeaderLine(FRun), true);
      FOriginals = TAppendFile(FRun.Dir + "/" + OriginalsName);
      SyncDirectory(FRun.Dir);
      SyncDirectory(RunsDir);
    } catch (...) {
      std::error_code Ec;
      fs::remove_all(FRun.Dir, Ec);
      throw;
    }
  } catch (const std::exception& E) {
    FFinished = true;
    throw std::runtime_error("Cannot keep the originals for undo in " + RunsDir + " (" + E.what() +
                             "), no file was changed");
  }
}

TJournalWriter::~TJournalWriter() {
  Finish();
}

bool TJournalWriter::BeforeSave(const std::string& Path, std::string_view OldBytes,
                                std::string_view NewBytes, unsigned Mode) {
  TJournalFile F;
  F.N = ++FNext;
  F.Path = Path;
  F.Mode = Mode & 07777;
  F.Size = int64_t(OldBytes.size());
  F.Hash = ContentHash(OldBytes);
  F.NewHash = ContentHash(NewBytes);
  // The record: its header line, then the bytes, then a LF; Offset is where the record starts.
  F.Offset = int64_t(FOriginals.Size());
  const std::string Line = FileLine(F);
  FOriginals.Append({Line, "\n", OldBytes, "\n"}, true);
  FPending = F.N;
  ++FFiles;
  try {
    FManifest.Append(Line, false);
  } catch (const std::exception&) {
    // The originals file alone is enough to undo the file; the manifest line helps listing.
  }
  return true;
}

void TJournalWriter::AfterSave(const std::string&, std::string_view) {
  try {
    if (FPending > 0) FManifest.Append(SavedLine(FPending), false);
  } catch (const std::exception&) {
    // The new content's hash was recorded before the write; this line only confirms it.
  }
  FPending = 0;
}

void TJournalWriter::Finish() noexcept {
  if (FFinished) return;
  FFinished = true;
  try {
    FManifest = TAppendFile();
    FOriginals = TAppendFile();
    std::error_code Ec;
    if (FFiles == 0) fs::remove_all(FRun.Dir, Ec);
    PruneRuns(FRunsDir, FLimits, FFiles == 0 ? std::string() : FRun.Id);
  } catch (const std::exception&) {
    // Pruning is housekeeping: a run left over is pruned by the next one.
  }
}

std::vector<std::string> JournalRunIds(const std::string& RunsDir) {
  std::vector<std::string> Ids;
  std::error_code Ec;
  for (const auto& E : fs::directory_iterator(RunsDir, Ec)) {
    const std::string Name = E.path().filename().string();
    std::error_code DirEc;
    if (!Name.empty() && Name[0] != '.' && E.is_directory(DirEc)) Ids.push_back(Name);
  }
  std::sort(Ids.begin(), Ids.end());
  return Ids;
}

void PruneRuns(const std::string& RunsDir, const TJournalLimits& Limits,
               const std::string& KeepId) {
  const std::vector<std::string> Ids = JournalRunIds(RunsDir);
  int Kept = 0;
  int64_t Bytes = 0;
  bool Dropping = false;
  // Newest first: once one run does not fit, it and every older one go.
  for (auto It = Ids.rbegin(); It != Ids.rend(); ++It) {
    const std::string Dir = RunsDir + "/" + *It;
    const int64_t Size = RunBytes(Dir);
    if (*It == KeepId || (!Dropping && Kept < Limits.MaxRuns && Bytes + Size <= Limits.MaxBytes)) {
      ++Kept;
      Bytes += Size;
      continue;
    }
    Dropping = true;
    std::error_code Ec;
    fs::remove_all(Dir, Ec);
  }
}

std::vector<TOriginalRecord> ReadOriginalRecords(const std::string& RunDir) {
  std::vector<TOriginalRecord> Records;
  std::ifstream In(RunDir + "/" + OriginalsName, std::ios::binary);
  if (!In) return Records;
  In.seekg(0, std::ios::end);
  const int64_t Total = int64_t(In.tellg());
  In.seekg(0);
  std::string Header;
  while (true) {
    const int64_t Start = int64_t(In.tellg());
    if (Start < 0 || Start >= Total || !std::getline(In, Header) || In.eof()) break;
    TOriginalRecord R;
    // A header that does not read leaves no way to find the records after it.
    if (!ParseFileLine(Header, R.File) || R.File.Offset != Start) break;
    R.Offset = int64_t(In.tellg());
    R.Whole = R.Offset + R.File.Size + 1 <= Total;
    if (R.Whole) {
      In.seekg(R.File.Size, std::ios::cur);
      R.Whole = In.get() == '\n';
    }
    Records.push_back(R);
    if (!R.Whole) break;
  }
  return Records;
}

bool ReadOriginal(const std::string& RunDir, const TOriginalRecord& Record, std::string& Bytes) {
  Bytes.clear();
  if (!Record.Whole) return false;
  std::ifstream In(RunDir + "/" + OriginalsName, std::ios::binary);
  In.seekg(Record.Offset);
  Bytes.resize(size_t(Record.File.Size));
  if (!In.read(Bytes.data(), std::streamsize(Bytes.size()))) return false;
  return ContentHash(Bytes) == Record.File.Hash;
}
