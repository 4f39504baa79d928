// TMain: the main window, host of the action driver and of the file-list operations.
#pragma once

#include <QWidget>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fileset/uFL_FileList.h"
#include "fileset/uFL_FileSelection.h"
#include "shell/uFL_ActionDriver.h"
#include "shell/uFL_StatusLine.h"
#include "support/uFL_CompMemory.h"
#include "support/uFL_Log.h"
#include "support/uFL_ResultTree.h"

class IDialogs;
class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QToolButton;
class QTreeView;
class TBusyIndicator;
class TCheckListBox;
class TFileListModel;
class TNavigationBar;
class TRecentComboBox;
class TResultTreeModel;
class TTraceModel;

class TMain : public QWidget, public IActionHost {
  Q_OBJECT
 public:
  explicit TMain(IDialogs& Dialogs, QWidget* Parent = nullptr);
  ~TMain() override;

  // The busy state, the status line and the driver's host.
  void EnterBusyState(bool ShowStop, TBusyMode Mode) override;
  void LeaveBusyState() override;
  void UpdateStatusLine(bool RecountReadOnly) override;
  bool StopRequested() const override { return FStopRequested; }
  TBusyMode BusyMode() const override { return FBusyMode; }
  void Pause(int Milliseconds) override;
  bool ConfirmAction(const std::string& Warning) override;
  void ShowInformation(const std::string& Text) override;
  bool ConfirmOverwrite(const std::string& Question) override;
  void ShowResultsPage() override;
  void SaveSettings() override;

  void ShowPage(QWidget* MainPage, QWidget* ActionPage);
  void LoadSettings();

  TFileList& FileList() { return FFileList; }
  TResultTree& ResultTree() { return FResultTree; }
  TTraceLines& TraceLines() { return FTraceLines; }
  TTraceLog& TraceLog() { return FTraceLog; }
  TActionDriver& Driver() { return *FDriver; }
  bool SettingsErased() const { return FSettingsErased; }
  int LastFound() const { return FLastFound; }

  // The pause before the file list is re-read after an action (a seam for tests).
  std::function<void(int Milliseconds)> Sleep;
  // Opens a file with its associated program (a seam for tests).
  std::function<void(const std::string& Path)> OpenWithShell;
  // Starts the editor command's program with its arguments, without waiting (a seam for tests).
  std::function<void(const std::vector<std::string>& Words)> StartEditor;

  // The terms and replacements of the next search or replace, and the chosen checks.
  std::vector<std::string> SearchList, ReplaceList;
  TCheckOptions ChosenChecks = 0;

 protected:
  void closeEvent(QCloseEvent* Event) override;

 private:
  // The status line's text and progress without taking input: page switches refresh it, and a
  // switch made by the program (the driver bringing the results page forward before the busy
  // state begins) must not let a queued click start a second operation.
  void RefreshStatusLine(bool RecountReadOnly);

  // Runs a handler; an error that escapes it is shown in an error box and the window goes on.
  template <class F>
  void Guard(F&& Fn) {
    try {
      Fn();
    } catch (const std::exception& E) {
      ShowError(E.what());
    }
  }
  // A slot that runs Method under Guard, whatever arguments the signal carries.
  template <class M>
  auto Handler(M Method) {
    return [this, Method](auto&&...) { Guard([&] { (this->*Method)(); }); };
  }
  void ShowError(const char* Message);

  void CreateControls();
  void CreateFrame();
  void CreateSelectPage();
  void CreateGenericPage();
  void CreateDelphiPage();
  void CreateOraclePage();
  void CreateResultsPage();
  void CreateTracePage();
  void CreateVariousPage();
  QAction* CreateAction(QObject* List, const char* Name, int Image);
  QPushButton* CreateButton(QWidget* Parent, const char* Name, bool Bold = false);
  QCheckBox* CreateCheckBox(QWidget* Parent, const char* Name, bool Checked);
  QLabel* CreateLabel(QWidget* Parent, const char* Name, QWidget* Buddy = nullptr);
  QToolButton* CreateSmallButton(QWidget* Parent, const char* Name, int Image);
  TRecentComboBox* CreateComboBox(QWidget* Parent, const char* Name);
  void FormCreate();
  void FormDestroy();
  void BuildMainBar();
  void BuildActionsBar();
  void BuildBar(TNavigationBar* Bar, bool ActionsBar);
  // Keeps the button of each shown page down.
  void MarkCurrentPages();
  void SetStopButtonState(bool Shown);
  void UpdateBusyControls();
  TSettingsRecords CollectSettings() const;
  void ApplySettings(const TSettingsRecords& Records);
  TActionParams ActionParams(TActionKind Action, TFileKind FileKind) const;
  void RunAction(TActionKind Action, TFileKind FileKind);
  TCollectParams CollectParams() const;
  TResultNode* SelectedFileNode() const;
  int SelectedFileRow() const;
  void FindInTrace(int StartIndex);

  // Navigation: one row per action of the two bars, in the order of their buttons.
  struct TNavEntry {
    const char* Name;  // the action; its caption is in the window's texts
    int Image;
    QAction* TMain::*Action;
    void (TMain::*Execute)();
    bool OnActionsBar;
    QWidget* TMain::*Page;  // the page the action shows; null for actBusy
  };
  static const TNavEntry NavEntries[];
  void actFileListExecute();
  void actActionExecute();
  void actResultsExecute();
  void actVariousExecute();
  void actTraceExecute();
  void actBusyExecute();
  void actGenericExecute();
  void actDelphiExecute();
  void actOracleExecute();
  void pcMainChange();
  // File selection page.
  void btnAddClick();
  void btnRemoveClick();
  void btnEmptyClick();
  void btnSaveFileListClick();
  void btnLoadFilesClick();
  void cbDirExit();
  void spbDirectoryClick();
  void cbMaskChange();
  void clbFileTypesClickCheck();
  void lbFilesMouseMove(const QPoint& Pos);
  void miEditInFilesClick();
  void miRemoveFileClick();
  void miRemoveOthersClick();
  // Action pages.
  void btnSearchClick();
  void btnReplaceClick();
  void spbMultiSearchClick();
  void spbMultiReplaceClick();
  void cbSearchEnter();
  void cbSearchExit();
  void cbReplaceEnter();
  void cbReplaceExit();
  void ShowSearchReplaceSummary();
  void btnRunWithClick();
  void spbRunWithClick();
  void btnAddUnitClick();
  void btnDelphiCheckClick();
  void btnOracleCheckClick();
  // Results page.
  void btnExpandClick();
  void btnSaveClick();
  void btnResToSetClick();
  void miEditInResultsClick();
  void RemovethisfilefromList1Click();
  void miResultRemoveOthersClick();
  void tvResultsDblClick();
  // Tracing and Miscellaneous pages.
  void btnTraceSearchClick();
  void btnTraceNextClick();
  void cbTraceClick();
  void btnCleanRegistryClick();
  void btnUndoLastClick();

  bool eventFilter(QObject* Watched, QEvent* Event) override;

  IDialogs& FDialogs;
  // Core data, and the models over them (no parent: they go before the data, the views after).
  TFileList FFileList;
  TResultTree FResultTree;
  TTraceLines FTraceLines;
  TTraceLog FTraceLog{FTraceLines};
  std::unique_ptr<TFileListModel> FFileModel;
  std::unique_ptr<TTraceModel> FTraceModel;
  std::unique_ptr<TResultTreeModel> FResultModel;
  TFileSelection FSelection;
  std::unique_ptr<TActionDriver> FDriver;
  // The outcome of every file of the last action, for saving its results as a SARIF log; the
  // record of an action asked for becomes the last one when the action starts.
  TRunRecord FPendingRun, FLastRun;
  std::vector<TFileOutcome> FLastOutcomes;
  void PrepareRunRecord(const TActionParams& Params);
  void SaveSarif(const std::string& FileName) const;
  // Opens the file of Node in the editor command at its line; false when no command is set.
  bool OpenInEditor(TResultNode* Node);
  TCompMemory FStore;

  TBusyMode FBusyMode = bmIdle;
  bool FStopRequested = false;
  int FReadOnlyCount = 0;
  TProgress FProgress;
  int FLastFound = 0;
  int FLastHintIndex = -1;
  bool FAllFilesMode = false;
  bool FSettingsErased = false;
  bool FCloseWhenIdle = false;
  int FExpandTag = 0;  // 1: the next click of btnExpand expands everything

  // Frame.
  QObject* alMainBar = nullptr;
  QObject* alActionsBar = nullptr;
  QAction *actFileList = nullptr, *actAction = nullptr, *actResults = nullptr,
          *actVarious = nullptr, *actTrace = nullptr, *actBusy = nullptr, *actGeneric = nullptr,
          *actDelphi = nullptr, *actOracle = nullptr;
  TNavigationBar* pnlMainBar = nullptr;
  TNavigationBar* pnlActionsBar = nullptr;
  std::vector<std::pair<QToolButton*, QWidget*>> FPageButtons;  // a page's button and the page
  QToolButton* StopButton = nullptr;
  QToolButton* TraceButton = nullptr;
  QFrame* pnlWhatDoYouSee = nullptr;
  QLabel* lblWhatPage = nullptr;
  QTabWidget* pcMain = nullptr;
  QTabWidget* PCActions = nullptr;
  QWidget *tsSelect = nullptr, *tsAction = nullptr, *tsResults = nullptr, *tsTrace = nullptr,
          *tsVarious = nullptr;
  QWidget *tsGeneric = nullptr, *tsDelphi = nullptr, *tsOracle = nullptr;
  QFrame* Panel1 = nullptr;
  QLabel* lblStatus = nullptr;
  QProgressBar* pbStatus = nullptr;
  TBusyIndicator* aniWait = nullptr;
  // File selection page.
  TRecentComboBox* cbDir = nullptr;
  TRecentComboBox* cbMask = nullptr;
  QToolButton* spbDirectory = nullptr;
  QCheckBox* cbSubdirs = nullptr;
  TCheckListBox* clbFileTypes = nullptr;
  QListView* lbFiles = nullptr;
  QMenu* ppFiles = nullptr;
  QAction *miEditInFiles = nullptr, *miRemoveFile = nullptr, *miRemoveOthers = nullptr;
  // Action pages.
  TRecentComboBox *cbSearch = nullptr, *cbReplace = nullptr, *cbRunWith = nullptr,
                  *cbParams = nullptr, *cbUnit = nullptr;
  QCheckBox *cbCaseSensitive = nullptr, *cbRegExp = nullptr, *cbRPOverwrite = nullptr,
            *cbShowOutput = nullptr, *cbMultiThreaded = nullptr, *cbAUOverwrite = nullptr;
  QCheckBox *cbRPPreview = nullptr, *cbAUPreview = nullptr;
  QStatusBar* sbSearchReplace = nullptr;
  TCheckListBox *clbDelphiChecks = nullptr, *clbOracleChecks = nullptr;
  // Results page.
  QTreeView* tvResults = nullptr;
  QPushButton *btnExpand = nullptr, *btnResToSet = nullptr;
  QMenu* ppTree = nullptr;
  QAction *miEditInResults = nullptr, *RemovethisfilefromList1 = nullptr,
          *miResultRemoveOthers = nullptr;
  // Tracing and Miscellaneous pages.
  QListView* lbTrace = nullptr;
  QLineEdit* edtSearch = nullptr;
  QCheckBox* cbTrace = nullptr;
  QListWidget* lbAbout = nullptr;
  TRecentComboBox* cbEditor = nullptr;
};
