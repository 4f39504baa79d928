// The action driver: one action over every file of the file list, counted, with its
// statistics under the header node of the results tree. No Qt: the window and the CLI are hosts.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "files/uFL_BaseFile.h"
#include "files/uFL_FileExecute.h"
#include "files/uFL_CheckTable.h"
#include "files/uFL_Types.h"
#include "journal/uFL_ActionObserver.h"
#include "output/uFL_FileOutcome.h"
#include "shell/uFL_FileFactory.h"
#include "support/uFL_BusyHost.h"

class TFileList;
struct TPreparedFile;
class TResultTree;
class TTraceLog;

// Inputs of one action, captured when it starts (the controls cannot change during it).
struct TActionParams {
  TActionKind Action = TActionKind::acSearch;
  TFileKind FileKind = TFileKind::fkText;
  std::vector<std::string> SearchList, ReplaceList;
  bool UseRegExpr = false, CaseSensitive = false;
  bool ReplaceConfirm = false;  // cbRPOverwrite
  std::string RunWith, Params;
  bool Wait = true;
  bool ShowOutput = false;
  TCheckOptions ChosenChecks = 0;
  std::string UnitName;
  bool AddUnitConfirm = false;  // cbAUOverwrite
  bool PreviewOnly = false;     // "Preview only, change no file": nothing is saved
  // Worker threads that read and search files ahead of the driver; 0: one per core; 1: none, every
  // file is worked on by the driver's thread. Results are the same for every number.
  unsigned Threads = 0;
};

class IActionHost : public IBusyHost {
 public:
  virtual bool ConfirmAction(const std::string& Warning) = 0;      // modal warning, Yes -> true
  virtual void ShowInformation(const std::string& Text) = 0;       // information box with OK
  virtual bool ConfirmOverwrite(const std::string& Question) = 0;  // "Overwrite X with ...?"
  virtual void ShowResultsPage() = 0;  // ShowPage(results, current action page)
  virtual void SaveSettings() = 0;
};

// What the watcher of an action's saves is told about it; StartDir names the files in a diff.
TObservedAction ObservedActionOf(const TActionParams& Params, const std::string& StartDir);

// The header node of each action kind, and the texts the driver shows.
const char* ActionHeaderText(TActionKind Action);
std::string ActionWarningText();  // ConfirmAction's text, with the version
inline constexpr const char* NoFilesText =
    "No files in list, select some files to perform action on";

class TActionDriver {
 public:
  using TClock = std::chrono::steady_clock;

  // The results of every action go to Tree, what the file operations did to Trace.
  TActionDriver(TFileList& Files, TResultTree& Tree, TTraceLog& Trace, IActionHost& Host);

  // Runs one action over the file list. An error that escapes a file operation ends the loop,
  // the clean-up runs (leave busy, statistics, refresh, settings), then the error is rethrown.
  void DoFiles(const TActionParams& Params);

  // Counters of the last action, read by the status line; they keep their values until the next.
  int32_t FilesDone = 0;
  int32_t FilesWithResults = 0;
  int32_t BinarySkipped = 0;
  int32_t FilesSaved = 0;
  int32_t NonZeroExitCodes = 0;
  bool RefreshNeeded = false;
  std::string CurrentFile;              // emptied when the action ends
  std::vector<int64_t> SearchCounters;  // one per SearchList entry

  // The file object kept between files and between actions; null until the first action.
  std::unique_ptr<TBaseFile> KeptFile;
  TFileKind KeptFileKind = TFileKind::fkDelphi;

  // The clock of the action's duration, the maker of file objects and what starts the programs
  // of the run action (seams for tests).
  std::function<TClock::time_point()> Now = [] { return TClock::now(); };
  std::function<std::unique_ptr<TBaseFile>(TFileKind, TResultTree*)> CreateFile = CreateFileObject;
  // Makes the watcher of an action's saves (the undo journal, a preview), asked once the action is
  // confirmed; an error it throws ends the action before anything changed. Unset: none.
  std::function<std::shared_ptr<IActionObserver>(const TActionParams&)> ObserveSaves;
  IProcessRunner* Runner = &SystemProcessRunner();
  // Told what each file came to, after its results were written, in file-list order on the
  // driver's thread; not called for a file whose operation ended the action by an error.
  std::function<void(const TFileOutcome&)> OnFileDone;

 private:
  void RunFiles(const TActionParams& Params);
  // The driver's part of one file: before it is prepared (which object, which path) and after
  // (counting, saving, results, the status line).
  bool StartFile(const TActionParams& Params, int I, bool Buffered, TPreparedFile& F);
  void DoFile(const TActionParams& Params, TPreparedFile& F);
  void ShowStatistics(const TActionParams& Params, TClock::duration Took);
  void FinishAction(const TActionParams& Params, TClock::time_point StartTime);

  TFileList& FFiles;
  TResultTree& FTree;
  TTraceLog& FTrace;
  IActionHost& FHost;
  std::shared_ptr<IActionObserver> FObserver;
};
