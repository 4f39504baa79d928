// The file operations of one file before its save, on whatever thread prepares it.
#include "shell/uFL_PreparedFile.h"

#include "analysis/uFL_DelphiFile.h"
#include "shell/uFL_ActionDriver.h"

namespace {

void Operations(const TActionParams& Params, TPreparedFile& F) {
  TBaseFile& File = *F.File;
  if (F.ResetFirst) File.Reset();
  File.SetFileName(F.FileName);
  File.FileRec = F.FileRec;
  switch (Params.Action) {
    case TActionKind::acChecks:
      F.NotLoaded = !File.Load();
      File.Analyse(Params.ChosenChecks);
      break;
    case TActionKind::acSearch:
      F.NotLoaded = !File.Load();
      for (const std::string& Term : Params.SearchList)
        F.Counts.push_back(File.Search(Term, Params.UseRegExpr, Params.CaseSensitive));
      break;
    case TActionKind::acReplace:
      F.NotLoaded = !File.Load();
      for (size_t i = 0; i < Params.SearchList.size(); ++i) {
        // One replacement serves every term; otherwise term i takes replacement i (the input
        // checks allow no other pairing).
        const std::string& R = Params.ReplaceList.size() == 1  ? Params.ReplaceList[0]
                               : i < Params.ReplaceList.size() ? Params.ReplaceList[i]
                                                               : std::string();
        F.Counts.push_back(
            File.Replace(Params.SearchList[i], R, Params.UseRegExpr, Params.CaseSensitive));
      }
      break;
    case TActionKind::acRunWith:
      F.Ran = true;
      F.NonZeroExit = File.RunWith(*F.Runner, Params.RunWith, Params.Params, Params.Wait,
                                   Params.ShowOutput) != 0;
      break;
    case TActionKind::acAddUnit:
      F.NotLoaded = !File.Load();
      File.Analyse(0);
      // Only a Delphi unit has a uses clause to add to.
      if (auto* Unit = dynamic_cast<TDelphiFile*>(&File)) Unit->AddUnit(Params.UnitName);
      break;
  }
}

}  // namespace

void PrepareFileOperations(const TActionParams& Params, TPreparedFile& F) {
  try {
    Operations(Params, F);
  } catch (...) {
    F.Error = std::current_exception();
    return;
  }
  TBaseFile& File = *F.File;
  // SaveChanges does nothing to a file that is unchanged or not loaded: its results are final.
  if (F.Buffered && !(File.Changed && File.Loaded)) {
    TResultTree* Shared = File.ResultTree;
    // An object made without a tree writes no nodes, here as on the driver's thread.
    if (Shared) File.ResultTree = &F.Results;
    F.HasResults = File.WriteResults();
    F.ResultsWritten = true;
    File.ResultTree = Shared;
  }
}
