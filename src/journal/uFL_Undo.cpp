// Listing runs and undoing one.
#include "journal/uFL_Undo.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>
#include <stdexcept>

#include "files/uFL_FileSave.h"
#include "journal/uFL_ContentHash.h"
#include "support/uFL_ResultTree.h"
#include "support/uFL_Utils.h"

std::vector<TJournalRunInfo> ListJournalRuns(const std::string& RunsDir) {
  std::vector<TJournalRunInfo> Runs;
  const std::vector<std::string> Ids = JournalRunIds(RunsDir);
  for (auto It = Ids.rbegin(); It != Ids.rend(); ++It)
    Runs.push_back(ReadJournalRun(RunsDir + "/" + *It));
  return Runs;
}

int JournaledFileCount(const TJournalRunInfo& Run) {
  // The manifest's lines are not flushed one by one; after a power loss the originals file,
  // which is, may know more files.
  const int Records = int(ReadOriginalRecords(Run.Dir).size());
  return std::max(int(Run.Files.size()), Records);
}

std::string LastUndoableRun(const std::string& RunsDir) {
  for (const TJournalRunInfo& Run : ListJournalRuns(RunsDir))
    if (!Run.Undone && JournaledFileCount(Run) > 0) return Run.Id;
  return {};
}

std::string RunListLine(const TJournalRunInfo& Run) {
  std::string Terms;
  for (size_t i = 0; i < Run.Terms.size(); ++i) {
    if (i) Terms += ", ";
    Terms += "[" + Run.Terms[i] + "]";
    if (Run.Replacements.size() == 1 || i < Run.Replacements.size())
      Terms += " -> [" + Run.Replacements[Run.Replacements.size() == 1 ? 0 : i] + "]";
  }
  const int N = JournaledFileCount(Run);
  return Run.Id + "\t" + LocalTimeText(Run.StartMicros) + "\t" +
         (Run.Action.empty() ? "?" : Run.Action) + "\t" + Terms + "\t" +
         Counted(N, " file", " files") + (Run.Undone ? "\tundone" : "");
}

TUndoOutcome UndoJournalRun(const std::string& RunsDir, const std::string& Id,
                            const TJournalLimits& Limits) {
  const std::vector<std::string> Ids = JournalRunIds(RunsDir);
  if (Id.empty() || std::find(Ids.begin(), Ids.end(), Id) == Ids.end())
    throw std::runtime_error("No journaled run " + Id + " in " + RunsDir);
  const std::string RunDir = RunsDir + "/" + Id;
  const TJournalRunInfo Run = ReadJournalRun(RunDir);

  // The originals file proves what it holds; a file the manifest names beyond it is lost.
  std::map<int, TOriginalRecord> Records;
  for (TOriginalRecord& R : ReadOriginalRecords(RunDir)) Records[R.File.N] = std::move(R);
  std::map<int, const TJournalFile*> Listed;
  for (const TJournalFile& F : Run.Files) Listed[F.N] = &F;

  TUndoOutcome Outcome;
  Outcome.RunId = Id;
  TJournalWriter Journal(RunsDir, "undo", {Id}, {}, Limits);
  Outcome.UndoRunId = Journal.RunId();
  TAppendFile Manifest(RunDir + "/" + ManifestName);

  std::set<std::string> Touched;  // folders whose renames are flushed once, at the end
  std::vector<int> Numbers;
  for (const auto& [N, R] : Records) Numbers.push_back(N);
  for (const auto& [N, F] : Listed)
    if (!Records.count(N)) Numbers.push_back(N);
  // Newest first: a file the run wrote twice gets the content it had before the first write.
  std::sort(Numbers.rbegin(), Numbers.rend());
  for (int N : Numbers) {
    const auto Rec = Records.find(N);
    const std::string& Path = Rec != Records.end() ? Rec->second.File.Path : Listed[N]->Path;
    std::string Original;
    if (Rec == Records.end() || !ReadOriginal(RunDir, Rec->second, Original)) {
      Outcome.NotRestored.emplace_back(Path, NotRestoredDamaged);
      continue;
    }
    const TJournalFile& F = Rec->second.File;
    struct stat St;
    std::string Current;
    try {
      if (lstat(Path.c_str(), &St) != 0 || !S_ISREG(St.st_mode)) throw EFileError(Path);
      Current = ReadWholeFile(Path);
    } catch (const EFileError&) {
      Outcome.NotRestored.emplace_back(Path, NotRestoredGone);
      continue;
    }
    const std::string Hash = ContentHash(Current);
    if (Hash == F.Hash && Current.size() == Original.size()) {
      // Never replaced (the run ended before), or restored already.
      ++Outcome.Restored;
      continue;
    }
    if (Hash != F.NewHash) {
      Outcome.NotRestored.emplace_back(Path, NotRestoredChanged);
      continue;
    }
    try {
      // Saved as the replace saved it, through this run's journal: links, owner, group and
      // extended attributes stay, and a file with several links is restored in place.
      SaveFileContent(Path, Current, Original, &Journal);
      if ((St.st_mode & 07777) != F.Mode) chmod(Path.c_str(), mode_t(F.Mode));
      Touched.insert(ExtractFilePath(Path));
    } catch (const std::exception& Err) {
      Outcome.NotRestored.emplace_back(Path, std::string("not restored: ") + Err.what());
      continue;
    }
    ++Outcome.Restored;
    try {
      Manifest.Append(RestoredLine(N), false);
    } catch (const std::exception&) {
      // The file holds its original again, which the next undo sees by its hash.
    }
  }
  for (const std::string& Dir : Touched) {
    try {
      SyncDirectory(Dir.empty() ? "." : Dir);
    } catch (const std::exception&) {
      // The restores are done; only their surviving a power loss is less certain.
    }
  }
  Manifest.Append(UndoneLine(Outcome.UndoRunId), true);
  return Outcome;
}

void WriteUndoResults(TResultTree& Tree, const TUndoOutcome& Outcome, int64_t Seconds) {
  Tree.Clear();
  TResultNode* Header = Tree.Add(nullptr, "Results for Undo");
  TResultNode* Stats = Tree.Add(Header, "Statistics");
  Tree.Add(Stats, "Action took " + std::to_string(Seconds) + " seconds");
  const int R = Outcome.Restored, N = int(Outcome.NotRestored.size());
  Tree.Add(Stats, Counted(R, " file was restored", " files were restored"));
  if (N > 0) Tree.Add(Stats, Counted(N, " file was not restored", " files were not restored"));
  for (const auto& [Path, Reason] : Outcome.NotRestored) {
    TResultNode* File = Tree.Add(nullptr, Path);
    Tree.Add(Tree.Add(File, "Undo"), Reason);
  }
  Tree.ExpandAll(Header);
}
