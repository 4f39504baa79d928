// The busy state, the status line and the rest of the action driver's host.
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

#include "uFL_BusyIndicator.h"
#include "support/uFL_QtText.h"
#include "uFL_Dialogs.h"
#include "uFL_Main.h"
#include "uFL_ResultTreeModel.h"
#include "uFL_TraceModel.h"

void TMain::SetStopButtonState(bool Shown) {
  StopButton->setEnabled(Shown);
  StopButton->setVisible(Shown);
}

void TMain::UpdateBusyControls() {
  const bool Idle = FBusyMode == bmIdle;
  tsSelect->setEnabled(Idle);
  tsAction->setEnabled(Idle);
  // The results page stays usable, but not its commands that rebuild the file list under a
  // running operation.
  btnResToSet->setEnabled(Idle);
  miResultRemoveOthers->setEnabled(Idle);
}

void TMain::EnterBusyState(bool ShowStop, TBusyMode Mode) {
  FStopRequested = false;
  FBusyMode = Mode;
  SetStopButtonState(ShowStop);
  aniWait->Start();
  FProgress = {0, FFileList.Empty() ? 100 : FFileList.Count()};
  pbStatus->setRange(0, FProgress.Maximum);
  pbStatus->setValue(0);
  UpdateBusyControls();
  FResultModel->SetCoalescing(true);
  FTraceModel->SetCoalescing(true);
  FTraceLog.Init(cbTrace->isChecked());
}

void TMain::LeaveBusyState() {
  aniWait->Stop();
  SetStopButtonState(false);
  // An empty bar: a range of 0 to 0 would make Qt's bar show a busy pattern instead.
  FProgress = {0, 0};
  pbStatus->setRange(0, 1);
  pbStatus->setValue(0);
  FBusyMode = bmIdle;
  UpdateBusyControls();
  FResultModel->SetCoalescing(false);
  FResultModel->Flush();
  FTraceModel->SetCoalescing(false);
  FTraceModel->Flush();
  UpdateStatusLine(true);
  if (FCloseWhenIdle) {
    FCloseWhenIdle = false;
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
  }
}

void TMain::UpdateStatusLine(bool RecountReadOnly) {
  RefreshStatusLine(RecountReadOnly);
  // The one place where a long operation lets the window take input (Stop, navigation, the
  // results page) and repaint.
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TMain::RefreshStatusLine(bool RecountReadOnly) {
  if (RecountReadOnly) FReadOnlyCount = FFileList.ReadOnlyCount();
  TStatusFacts Facts;
  Facts.Mode = FBusyMode;
  Facts.Count = FFileList.Count();
  Facts.ReadOnlyCount = FReadOnlyCount;
  Facts.HasResults = !FResultTree.Empty();
  Facts.FilesDone = FDriver->FilesDone;
  Facts.CurrentFile = FDriver->CurrentFile;
  if (FBusyMode == bmFileList) {
    FProgress = StepCollectProgress(FProgress);
    pbStatus->setMaximum(FProgress.Maximum);
    pbStatus->setValue(FProgress.Position);
  } else if (FBusyMode == bmAction) {
    pbStatus->setValue(FDriver->FilesDone);
  }
  lblStatus->setText(Q(StatusLineText(Facts)));
  aniWait->Step();
}

void TMain::Pause(int Milliseconds) {
  Sleep(Milliseconds);
}

bool TMain::ConfirmAction(const std::string& Warning) {
  return FDialogs.Warning(Q(Warning));
}

void TMain::ShowInformation(const std::string& Text) {
  FDialogs.Information(Q(Text));
}

bool TMain::ConfirmOverwrite(const std::string& Question) {
  return FDialogs.Confirm(Q(Question));
}

void TMain::ShowResultsPage() {
  // The driver calls this as an action starts, once the warning was answered: from here on the
  // outcomes are the new action's.
  FLastRun = FPendingRun;
  FLastOutcomes.clear();
  ShowPage(tsResults, PCActions->currentWidget());
}
