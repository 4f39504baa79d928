// The action driver: DoFiles, DoFile and ShowStatistics.
#include "shell/uFL_ActionDriver.h"

#include <exception>

#include "analysis/uFL_DelphiFile.h"
#include "fileset/uFL_FileList.h"
#include "fileset/uFL_FileSelection.h"
#include "support/uFL_Log.h"
#include "support/uFL_ResultTree.h"
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
    const int Count = FFiles.Count();
    for (int i = 0; i < Count; ++i) {
      if (FHost.StopRequested()) continue;
      // The list cannot shrink while an action runs (the window disables what would rebuild it);
      // should it all the same, the loop ends where the list does.
      if (i >= FFiles.Count()) break;
      // Copies: the host may change the list while it processes input after the file.
      const std::string FileName = FFiles.Path(i);
      const TSearchRec FileRec = FFiles.Rec(i);
      DoFile(Params, FileName, FileRec);
      ++FilesDone;
    }
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
  if (RefreshNeeded) TFileSelection(FFiles, FHost).RefreshFileList(true);
  FHost.SaveSettings();
}

void TActionDriver::DoFile(const TActionParams& Params, const std::string& FileName,
                           const TSearchRec& FileRec) {
  std::unique_ptr<TBaseFile> File;
  if (KeptFile && Params.FileKind == KeptFileKind) {
    File = std::move(KeptFile);
    File->Reset();
  } else {
    KeptFile.reset();
    File = CreateFile(Params.FileKind, &FTree);
  }
  File->ConfirmOverwrite = [this](const std::string& Question) {
    return FHost.ConfirmOverwrite(Question);
  };
  // However this file ends (also by an error), the object becomes the kept one.
  struct TKeep {
    TActionDriver& Driver;
    std::unique_ptr<TBaseFile>& File;
    TFileKind Kind;
    ~TKeep() {
      Driver.KeptFile = std::move(File);
      Driver.KeptFileKind = Kind;
    }
  } Keep{*this, File, Params.FileKind};

  File->SetFileName(FileName);
  File->FileRec = FileRec;
  CurrentFile = FileName;
  bool NoConfirm = true;
  switch (Params.Action) {
    case TActionKind::acChecks:
      if (!File->Load()) ++BinarySkipped;
      File->Analyse(Params.ChosenChecks);
      break;
    case TActionKind::acSearch:
      if (!File->Load()) ++BinarySkipped;
      for (size_t i = 0; i < Params.SearchList.size(); ++i)
        SearchCounters[i] +=
            File->Search(Params.SearchList[i], Params.UseRegExpr, Params.CaseSensitive);
      break;
    case TActionKind::acReplace:
      if (!File->Load()) ++BinarySkipped;
      for (size_t i = 0; i < Params.SearchList.size(); ++i) {
        // One replacement serves every term; otherwise term i takes replacement i (the input
        // checks allow no other pairing).
        const std::string& R = Params.ReplaceList.size() == 1  ? Params.ReplaceList[0]
                               : i < Params.ReplaceList.size() ? Params.ReplaceList[i]
                                                               : std::string();
        SearchCounters[i] +=
            File->Replace(Params.SearchList[i], R, Params.UseRegExpr, Params.CaseSensitive);
      }
      NoConfirm = !Params.ReplaceConfirm;
      break;
    case TActionKind::acRunWith:
      if (File->RunWith(*Runner, Params.RunWith, Params.Params, Params.Wait, Params.ShowOutput) !=
          0)
        ++NonZeroExitCodes;
      RefreshNeeded = true;
      break;
    case TActionKind::acAddUnit:
      if (!File->Load()) ++BinarySkipped;
      File->Analyse(0);
      // Only a Delphi unit has a uses clause to add to.
      if (auto* Unit = dynamic_cast<TDelphiFile*>(File.get())) Unit->AddUnit(Params.UnitName);
      NoConfirm = !Params.AddUnitConfirm;
      break;
  }
  if (File->SaveChanges(NoConfirm)) {
    ++FilesSaved;
    RefreshNeeded = true;
  }
  if (File->WriteResults()) ++FilesWithResults;
  FHost.UpdateStatusLine(false);
}

namespace {
std::string Counted(int64_t N, const char* One, const char* Many) {
  return std::to_string(N) + (N == 1 ? One : Many);
}
}  // namespace

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
  if (A == TActionKind::acRunWith || NonZeroExitCodes > 0)
    Line(std::to_string(NonZeroExitCodes) + " files had non-zero exitcodes, " +
         std::to_string(FFiles.Count() - NonZeroExitCodes) + " completed with zero exitcode");
  if (FHost.StopRequested()) Line("Action was interrupted by User");
  FTree.ExpandAll(Header);
}
