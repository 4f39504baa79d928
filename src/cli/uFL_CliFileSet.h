// The file set of a ferrolin-cli call, built as "Add Files" or "Load-From-File" builds it.
#pragma once

#include "cli/uFL_CliArgs.h"
#include "fileset/uFL_FileList.h"
#include "support/uFL_BusyHost.h"

// A host without a window: nothing to show, never stopped; the pause is real.
class TCliBusyHost : public IBusyHost {
 public:
  void EnterBusyState(bool, TBusyMode Mode) override { FMode = Mode; }
  void LeaveBusyState() override { FMode = bmIdle; }
  void UpdateStatusLine(bool) override {}
  bool StopRequested() const override { return false; }
  TBusyMode BusyMode() const override { return FMode; }
  void Pause(int Milliseconds) override;

 private:
  TBusyMode FMode = bmIdle;
};

// Fills List from --list, or from --dir with --mask or --type and --no-subdirs; writes --save-list.
// Throws std::runtime_error with the window's message ("No directory selected", "Directory does
// not exist", a file error) or ECliUsage for a type that is not one of the page's. Without
// Records, a walk reads only the paths (the files' records are read if they are ever wanted).
void BuildCliFileSet(const TCliArgs& Args, TFileList& List, IBusyHost& Host, bool Records = true);
