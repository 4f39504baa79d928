// Building the file set from the command line.
#include "cli/uFL_CliFileSet.h"

#include <chrono>
#include <stdexcept>
#include <thread>

#include "fileset/uFL_FileSelection.h"
#include "fileset/uFL_FileTypes.h"
#include "shell/uFL_PageRules.h"

void TCliBusyHost::Pause(int Milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

void BuildCliFileSet(const TCliArgs& Args, TFileList& List, IBusyHost& Host, bool Records) {
  TFileSelection Selection(List, Host);
  if (Args.Has("list")) {
    if (Args.Has("dir") || Args.Has("mask") || Args.Has("type") || Args.Has("no-subdirs"))
      throw ECliUsage("--list does not go with --dir, --mask, --type or --no-subdirs");
    Selection.LoadFromFile(Args.Get("list"));
  } else {
    TCollectParams Params;
    if (Args.Has("dir")) Params.Dir = NormaliseStartDirectory(Args.Get("dir"));
    if (const char* Message = CheckStartDirectory(Params.Dir)) throw std::runtime_error(Message);
    Params.Mask = Args.Get("mask");
    Params.Subdirs = !Args.Has("no-subdirs");
    Params.ReadRecords = Records;
    // The types are scanned in the page's order whatever order they were given in.
    std::vector<bool> Checked(FileTypeMasks.size(), false);
    for (const std::string& Type : Args.All("type")) {
      int Index = FileTypeIndex(Type);
      if (Index < 0) throw ECliUsage("unknown file type '" + Type + "'");
      Checked[size_t(Index)] = true;
    }
    for (size_t i = 0; i < FileTypeMasks.size(); ++i)
      if (Checked[i]) Params.Types.emplace_back(FileTypeMasks[i]);
    Selection.CollectFiles(true, Params);
  }
  if (Args.Has("save-list")) Selection.SaveToFile(Args.Get("save-list"));
}
