// The action driver: DoFiles, DoFile and ShowStatistics.
#include "shell/uFL_ActionDriver.h"

#include <algorithm>
#include <exception>

#include "fileset/uFL_FileList.h"
#include "fileset/uFL_FileSelection.h"
#include "shell/uFL_FilePipeline.h"
#include "shell/uFL_PreparedFile.h"
#include "support/uFL_Log.h"
#include "support/uFL_ResultTree.h"
#include "support/uFL_Utils.h"
#include "support/uFL_Version.h"

const char* ActionHeaderText(TActionKind Action) {
  switch (Action) {
    case TActionKind::acChecks:
      return "Results for Checks";
    case TActionKind::acSearch:
      return "Results for Search";
    case TActionKind::acReplace:
      return "Results for Replace";
    case TActionKind::acRunWith:
      return "Results for RunWith";
    case TActionKind::acAddUnit:
      return "Results for AddUnit";
  }
  return "";
}

TObservedAction ObservedActionOf(const TActionParams& Params, const std::string& StartDir) {
  TObservedAction A;
  A.Action = Params.Action;
  A.PreviewOnly = Params.PreviewOnly;
  A.Terms = Params.Action == TActionKind::acAddUnit ? std::vector<std::string>{Params.UnitName}
                                                    : Params.SearchList;
  A.Replacements = Params.ReplaceList;
  A.StartDir = StartDir;
  return A;
}

std::string ActionWarningText() {
  return std::string("This is a Test version! [") + FerrolinVersion +
         "] Make sure you have backups of your files and check performed actions for correctness."
         " The author does not accept any liability for damage from using this program. Continue?";
}

TActionDriver::TActionDriver(TFileList& Files, TResultTree& Tree, TTraceLog& Trace,
                             IActionHost& Host)
    : FFiles(Files), FTree(Tree), FTrace(Trace), FHost(Host) {}

void TActionDriver::DoFiles(const TActionParams& Params) {
  if (FHost.BusyMode() != bmIdle) return;
  if (FFiles.Empty()) {
    FHost.ShowInformation(NoFilesText);
    return;
  }
  if (!FHost.ConfirmAction(ActionWarningText())) return;
  FObserver = ObserveSaves ? ObserveSaves(Params) : nullptr;

  // Every action starts with a fresh TDelphiFile; the first file of another kind replaces it.
  KeptFile = CreateFile(TFileKind::fkDelphi, &FTree);
  KeptFileKind = TFileKind::fkDelphi;
  FilesDone = BinarySkipped = FilesSaved = NonZeroExitCodes = FilesWithResults = 0;
  RefreshNeeded = false;
  // The file operations of this action trace into this host's log, and nowhere once it ends.
  const TTraceBinding BindTrace(FTrace);
  FTrace.Lines().Clear();
  SearchCounters.assign(Params.SearchList.size(), 0);
  FHost.ShowResultsPage();
  FHost.EnterBusyState(true, bmAction);
  const TClock::time_point StartTime = Now();
  FTree.Clear();
  FTree.Add(nullptr, ActionHeaderText(Params.Action));

  try {
    RunFiles(Params);
  } catch (...) {
    // The clean-up runs before the error goes on; an error of the clean-up itself gives way to it.
    try {
      FinishAction(Params, StartTime);
    } catch (...) {
    }
    throw;
  }
  FinishAction(Params, StartTime);
}

void TActionDriver::FinishAction(const TActionParams& Params, TClock::time_point StartTime) {
  CurrentFile.clear();
  FHost.LeaveBusyState();
  const TClock::time_point EndTime = Now();
  ShowStatistics(Params, EndTime - StartTime);
  if (FObserver) FObserver->Finish();
  FObserver.reset();
  if (KeptFile) KeptFile->SaveObserver = nullptr;
  if (RefreshNeeded) TFileSelection(FFiles, FHost).RefreshFileList(true);
  FHost.SaveSettings();
}

void TActionDriver::RunFiles(const TActionParams& Params) {
  // A program run per file stays on this thread, one after the other, as it always did.
  // Small files go many at a time, as long as together they hold no more than a few MiB.
  TFilePipeline<TPreparedFile> Pipeline(
      Params.Action == TActionKind::acRunWith ? 1 : Params.Threads, {uint64_t(4) << 20, 32});
  const bool Buffered = Pipeline.Threads() > 1;
  // This thread outlives the action: the directory it keeps open for reading goes with it.
  struct TForget {
    ~TForget() { ForgetReadDirectory(); }
  } Forget;
  Pipeline.Run(
      FFiles.Count(), [&](int I, TPreparedFile& F) { return StartFile(Params, I, Buffered, F); },
      [&](TPreparedFile& F) {
        // A worker's file operations trace into the file's own buffer; on this thread they trace
        // straight into the action's trace.
        if (!F.Buffered) return PrepareFileOperations(Params, F);
        const TTraceBinding BindTrace(F.Trace);
        PrepareFileOperations(Params, F);
      },
      [&](int, TPreparedFile& F) {
        DoFile(Params, F);
        ++FilesDone;
        return !FHost.StopRequested();
      },
      // A file's bytes, and for an empty or unlisted size what its object and results take.
      [](const TPreparedFile& F) { return std::max<uint64_t>(uint64_t(F.FileRec.Size), 4096); });
}

bool TActionDriver::StartFile(const TActionParams& Params, int I, bool Buffered, TPreparedFile& F) {
  if (FHost.StopRequested()) return false;
  // The list cannot shrink while an action runs (the window disables what would rebuild it);
  // should it all the same, the action ends where the list does.
  if (I >= FFiles.Count()) return false;
  // Copies: the host may change the list while it processes input after a file.
  F.FileName = FFiles.Path(I);
  F.Results.SetFolding(FTree.Folding());
  F.FileRec = FFiles.Rec(I);
  if (KeptFile && Params.FileKind == KeptFileKind) {
    F.File = std::move(KeptFile);
    F.ResetFirst = true;
  } else {
    KeptFile.reset();
    F.File = CreateFile(Params.FileKind, &FTree);
  }
  // Only an outcome hook reads the findings; without one a hit on every line of a big file would
  // keep each line twice more for nothing.
  F.File->CollectFindings = bool(OnFileDone);
  F.Buffered = Buffered;
  F.Runner = Runner;
  F.Trace = TTraceBuffer(FTrace.TracingIsOn());
  return true;
}

void TActionDriver::DoFile(const TActionParams& Params, TPreparedFile& F) {
  // However this file ends (also by an error), the object becomes the kept one.
  struct TKeep {
    TActionDriver& Driver;
    std::unique_ptr<TBaseFile>& File;
    TFileKind Kind;
    ~TKeep() {
      Driver.KeptFile = std::move(File);
      Driver.KeptFileKind = Kind;
    }
  } Keep{*this, F.File, Params.FileKind};
  TBaseFile& File = *F.File;

  CurrentFile = F.FileName;
  F.Trace.Replay(
      [this](const std::string& Name, const std::string& Text) { FTrace.AddTrace(Name, Text); });
  if (F.NotLoaded) ++BinarySkipped;
  for (size_t i = 0; i < F.Counts.size() && i < SearchCounters.size(); ++i)
    SearchCounters[i] += F.Counts[i];
  if (F.Ran) {
    if (F.NonZeroExit) ++NonZeroExitCodes;
    RefreshNeeded = true;
  }
  if (F.Error) std::rethrow_exception(F.Error);

  File.ConfirmOverwrite = [this](const std::string& Question) {
    return FHost.ConfirmOverwrite(Question);
  };
  File.SaveObserver = FObserver.get();
  bool NoConfirm = true;
  if (Params.Action == TActionKind::acReplace) NoConfirm = !Params.ReplaceConfirm;
  if (Params.Action == TActionKind::acAddUnit) NoConfirm = !Params.AddUnitConfirm;
  // A preview writes nothing, so there is nothing to confirm.
  const bool Saved = File.SaveChanges(NoConfirm || Params.PreviewOnly);
  if (Saved) {
    ++FilesSaved;
    RefreshNeeded = true;
  }
  bool HasResults;
  if (F.ResultsWritten) {
    FTree.TakeTopNodes(F.Results);
    HasResults = F.HasResults;
  } else {
    HasResults = File.WriteResults();
  }
  if (FObserver && FObserver->WriteResults(File)) HasResults = true;
  if (HasResults) ++FilesWithResults;
  if (OnFileDone) {
    // Term counts only where there are terms: search and replace.
    std::vector<int64_t> TermCounts;
    if (Params.Action == TActionKind::acSearch || Params.Action == TActionKind::acReplace)
      TermCounts = F.Counts;
    OnFileDone(FileOutcomeOf(File, std::move(TermCounts), Saved));
  }
  FHost.UpdateStatusLine(false);
}

void TActionDriver::ShowStatistics(const TActionParams& Params, TClock::duration Took) {
  if (FTree.Empty()) FTree.Add(nullptr, ActionHeaderText(Params.Action));
  TResultNode* Header = FTree.Top(0);
  TResultNode* Stats = FTree.Add(Header, "Statistics");
  auto Line = [&](std::string Text) { FTree.Add(Stats, std::move(Text)); };
  const TActionKind A = Params.Action;

  // Cut toward zero to whole seconds; a steady clock never makes this negative.
  Line("Action took " +
       std::to_string(std::chrono::duration_cast<std::chrono::seconds>(Took).count()) + " seconds");
  Line(Counted(FilesDone, " file was done", " files were done"));
  if (FilesWithResults > 0)
    Line(Counted(FilesWithResults, " file has results", " files have results"));
  if (BinarySkipped > 0)
    Line(Counted(BinarySkipped, " file was binary and therefore skipped.",
                 " files were binary and therefore skipped."));
  if (A == TActionKind::acSearch || A == TActionKind::acReplace) {
    const bool Search = A == TActionKind::acSearch;
    for (size_t i = 0; i < Params.SearchList.size(); ++i) {
      const int64_t C = i < SearchCounters.size() ? SearchCounters[i] : 0;
      const std::string& Term = Params.SearchList[i];
      if (C == 1)
        Line("1 occurence of [" + Term + (Search ? "] was found" : "] was replaced"));
      else
        Line(std::to_string(C) + " occurences of [" + Term +
             (Search ? "] were found" : "] were replaced"));
    }
  }
  if (A == TActionKind::acSearch || A == TActionKind::acReplace || A == TActionKind::acAddUnit ||
      FilesSaved > 0) {
    std::string Text = Counted(FilesSaved, " file was saved", " files were saved");
    if (const int ReadOnly = FFiles.ReadOnlyCount(); ReadOnly > 0)
      Text += " [" + std::to_string(ReadOnly) + " files are readonly]";
    Line(Text);
  }
  if (FObserver)
    for (std::string& Text : FObserver->StatisticsLines()) Line(std::move(Text));
  if (A == TActionKind::acRunWith || NonZeroExitCodes > 0)
    Line(std::to_string(NonZeroExitCodes) + " files had non-zero exitcodes, " +
         std::to_string(FFiles.Count() - NonZeroExitCodes) + " completed with zero exitcode");
  if (FHost.StopRequested()) Line("Action was interrupted by User");
  FTree.ExpandAll(Header);
}
