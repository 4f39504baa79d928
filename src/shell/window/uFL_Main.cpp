// The main window's creation, frame, navigation bars, page switching and destruction.
#include "uFL_Main.h"
#include "support/uFL_QtText.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMetaObject>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <chrono>
#include <thread>

#include "uFL_BusyIndicator.h"
#include "uFL_Dialogs.h"
#include "uFL_FileListModel.h"
#include "uFL_Images.h"
#include "uFL_MainTexts.h"
#include "uFL_NavigationBar.h"
#include "uFL_RecentComboBox.h"
#include "uFL_ResultTreeModel.h"
#include "uFL_TraceModel.h"
#include "support/uFL_Version.h"

namespace {

constexpr QColor Grey(128, 128, 128);

void Name(QWidget* W, const char* N) {
  W->setObjectName(Q(N));
  // Controls without a caption or a label are known to screen readers by their name.
  W->setAccessibleName(Q(N));
}
}  // namespace

TMain::TMain(IDialogs& Dialogs, QWidget* Parent)
    : QWidget(Parent), FDialogs(Dialogs), FSelection(FFileList, *this) {
  Sleep = [](int Ms) { std::this_thread::sleep_for(std::chrono::milliseconds(Ms)); };
  OpenWithShell = [](const std::string& Path) {
    // As the shell's open command: failure is silent.
    QDesktopServices::openUrl(QUrl::fromLocalFile(Q(Path)));
  };
  FDriver = std::make_unique<TActionDriver>(FFileList, FResultTree, FTraceLog, *this);
  // Every replace and unit insertion is journaled for undo, or only previewed.
  FDriver->ObserveSaves = [](const TActionParams& P) {
    return MakeActionObserver(ObservedActionOf(P, ""));
  };
  StartEditor = [](const std::vector<std::string>& Words) {
    // Like the shell's open command, an editor that cannot be started says nothing.
    QStringList Arguments;
    for (size_t i = 1; i < Words.size(); ++i) Arguments << Q(Words[i]);
    QProcess::startDetached(Q(Words[0]), Arguments);
  };
  FStore.ShowMessage = [this](const std::string& Text) { FDialogs.Information(Q(Text)); };
  CreateControls();
  FormCreate();
}

TMain::~TMain() {
  FormDestroy();
}

void TMain::ShowError(const char* Message) {
  FDialogs.Error(Q(Message));
}

QAction* TMain::CreateAction(QObject* List, const char* ActionName, int Image) {
  auto* A = new QAction(AllImages(Image), Q(ControlText(ActionName).Caption), List);
  A->setObjectName(Q(ActionName));
  return A;
}

QPushButton* TMain::CreateButton(QWidget* Parent, const char* N, bool Bold) {
  const TControlText T = ControlText(N);
  auto* B = new QPushButton(Q(T.Caption), Parent);
  B->setObjectName(Q(N));
  if (T.Hint) B->setToolTip(Q(T.Hint));
  if (Bold) {
    QFont F = B->font();
    F.setBold(true);
    B->setFont(F);
  }
  return B;
}

QCheckBox* TMain::CreateCheckBox(QWidget* Parent, const char* N, bool Checked) {
  const TControlText T = ControlText(N);
  auto* C = new QCheckBox(Q(T.Caption), Parent);
  C->setObjectName(Q(N));
  if (T.Hint) C->setToolTip(Q(T.Hint));
  C->setChecked(Checked);
  return C;
}

QLabel* TMain::CreateLabel(QWidget* Parent, const char* N, QWidget* Buddy) {
  auto* L = new QLabel(Q(ControlText(N).Caption), Parent);
  L->setObjectName(Q(N));
  // A labelled box is named by its label, through the buddy.
  if (Buddy) L->setBuddy(Buddy);
  return L;
}

QToolButton* TMain::CreateSmallButton(QWidget* Parent, const char* N, int Image) {
  auto* B = new QToolButton(Parent);
  Name(B, N);
  B->setIcon(AllImages(Image));
  if (const char* Hint = ControlText(N).Hint) B->setToolTip(Q(Hint));
  return B;
}

TRecentComboBox* TMain::CreateComboBox(QWidget* Parent, const char* N) {
  auto* C = new TRecentComboBox(Parent);
  C->setObjectName(Q(N));
  if (const char* Hint = ControlText(N).Hint) C->setToolTip(Q(Hint));
  C->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  return C;
}

void TMain::CreateControls() {
  // The settings are keyed by the name; screen readers know the window by its caption.
  setObjectName(Q(FormName));
  resize(800, 500);
  setMinimumSize(800, 500);
  if (const QScreen* Screen = QGuiApplication::primaryScreen())
    move(Screen->availableGeometry().center() - rect().center());
  CreateFrame();
  CreateSelectPage();
  CreateGenericPage();
  CreateDelphiPage();
  CreateOraclePage();
  CreateResultsPage();
  CreateTracePage();
  CreateVariousPage();
}

const TMain::TNavEntry TMain::NavEntries[] = {
    {"actFileList", 1, &TMain::actFileList, &TMain::actFileListExecute, false, &TMain::tsSelect},
    {"actAction", 0, &TMain::actAction, &TMain::actActionExecute, false, &TMain::tsAction},
    {"actResults", 2, &TMain::actResults, &TMain::actResultsExecute, false, &TMain::tsResults},
    {"actVarious", 4, &TMain::actVarious, &TMain::actVariousExecute, false, &TMain::tsVarious},
    {"actTrace", 3, &TMain::actTrace, &TMain::actTraceExecute, false, &TMain::tsTrace},
    {"actBusy", 5, &TMain::actBusy, &TMain::actBusyExecute, false, nullptr},
    {"actGeneric", 7, &TMain::actGeneric, &TMain::actGenericExecute, true, &TMain::tsGeneric},
    {"actDelphi", 6, &TMain::actDelphi, &TMain::actDelphiExecute, true, &TMain::tsDelphi},
    {"actOracle", 8, &TMain::actOracle, &TMain::actOracleExecute, true, &TMain::tsOracle},
};

void TMain::CreateFrame() {
  alMainBar = new QObject(this);
  alMainBar->setObjectName(QStringLiteral("alMainBar"));
  alActionsBar = new QObject(this);
  alActionsBar->setObjectName(QStringLiteral("alActionsBar"));
  for (const TNavEntry& E : NavEntries) {
    QAction* A = CreateAction(E.OnActionsBar ? alActionsBar : alMainBar, E.Name, E.Image);
    this->*E.Action = A;
    connect(A, &QAction::triggered, this, Handler(E.Execute));
  }

  auto* Outer = new QVBoxLayout(this);
  Outer->setContentsMargins(0, 0, 0, 0);
  Outer->setSpacing(0);
  auto* Body = new QHBoxLayout;
  Body->setSpacing(0);
  Outer->addLayout(Body, 1);

  pnlMainBar = new TNavigationBar(this);
  Name(pnlMainBar, "pnlMainBar");
  pnlMainBar->setFixedWidth(89);
  pnlMainBar->setAutoFillBackground(true);
  QPalette BarPalette = pnlMainBar->palette();
  BarPalette.setColor(QPalette::Window, Grey);
  pnlMainBar->setPalette(BarPalette);
  Body->addWidget(pnlMainBar);

  auto* Right = new QVBoxLayout;
  Right->setSpacing(0);
  Body->addLayout(Right, 1);

  pnlWhatDoYouSee = new QFrame(this);
  Name(pnlWhatDoYouSee, "pnlWhatDoYouSee");
  pnlWhatDoYouSee->setFixedHeight(25);
  pnlWhatDoYouSee->setFrameShape(QFrame::Box);
  pnlWhatDoYouSee->setAutoFillBackground(true);
  pnlWhatDoYouSee->setPalette(BarPalette);
  lblWhatPage = new QLabel(pnlWhatDoYouSee);
  lblWhatPage->setObjectName(QStringLiteral("lblWhatPage"));
  QFont HeaderFont = lblWhatPage->font();
  HeaderFont.setBold(true);
  HeaderFont.setPixelSize(16);
  lblWhatPage->setFont(HeaderFont);
  QPalette HeaderPalette = lblWhatPage->palette();
  HeaderPalette.setColor(QPalette::WindowText, Qt::white);
  lblWhatPage->setPalette(HeaderPalette);
  auto* HeaderLayout = new QHBoxLayout(pnlWhatDoYouSee);
  HeaderLayout->setContentsMargins(6, 0, 6, 0);
  HeaderLayout->addWidget(lblWhatPage);
  Right->addWidget(pnlWhatDoYouSee);

  pcMain = new QTabWidget(this);
  Name(pcMain, "pcMain");
  Right->addWidget(pcMain, 1);
  auto AddPage = [](QTabWidget* Control, const char* N) {
    auto* Page = new QWidget(Control);
    Name(Page, N);
    Control->addTab(Page, Q(ControlText(N).Caption));
    return Page;
  };
  tsSelect = AddPage(pcMain, "tsSelect");
  tsAction = AddPage(pcMain, "tsAction");
  tsResults = AddPage(pcMain, "tsResults");
  tsTrace = AddPage(pcMain, "tsTrace");
  tsVarious = AddPage(pcMain, "tsVarious");
  connect(pcMain, &QTabWidget::currentChanged, this, Handler(&TMain::pcMainChange));

  auto* ActionLayout = new QHBoxLayout(tsAction);
  ActionLayout->setContentsMargins(0, 0, 0, 0);
  ActionLayout->setSpacing(0);
  PCActions = new QTabWidget(tsAction);
  Name(PCActions, "PCActions");
  ActionLayout->addWidget(PCActions, 1);
  tsGeneric = AddPage(PCActions, "tsGeneric");
  tsDelphi = AddPage(PCActions, "tsDelphi");
  tsOracle = AddPage(PCActions, "tsOracle");
  pnlActionsBar = new TNavigationBar(tsAction);
  Name(pnlActionsBar, "pnlActionsBar");
  pnlActionsBar->setFixedWidth(86);
  pnlActionsBar->setAutoFillBackground(true);
  pnlActionsBar->setPalette(BarPalette);
  ActionLayout->addWidget(pnlActionsBar);

  Panel1 = new QFrame(this);
  Name(Panel1, "Panel1");
  Panel1->setFixedHeight(20);
  Panel1->setFrameShape(QFrame::Panel);
  Panel1->setFrameShadow(QFrame::Sunken);
  auto* Status = new QHBoxLayout(Panel1);
  Status->setContentsMargins(4, 1, 2, 1);
  Status->setSpacing(4);
  lblStatus = new QLabel(Q(ControlText("lblStatus").Caption), Panel1);
  lblStatus->setObjectName(QStringLiteral("lblStatus"));
  Status->addWidget(lblStatus, 1);
  aniWait = new TBusyIndicator(Panel1);
  Name(aniWait, "aniWait");
  aniWait->hide();
  Status->addWidget(aniWait);
  pbStatus = new QProgressBar(Panel1);
  Name(pbStatus, "pbStatus");
  pbStatus->setFixedWidth(142);
  pbStatus->setTextVisible(false);
  pbStatus->setRange(0, 100);
  pbStatus->setValue(0);
  Status->addWidget(pbStatus);
  Outer->addWidget(Panel1);
}

void TMain::FormCreate() {
  SearchList.clear();
  ReplaceList.clear();
  FLastHintIndex = -1;
  FLastFound = 0;
  FTraceLog.Init(cbTrace->isChecked());
  BuildMainBar();
  BuildActionsBar();
  btnExpand->click();
  LoadSettings();
  ShowPage(tsSelect, tsGeneric);
  setWindowTitle(QStringLiteral("Ferrolin ") + Q(FerrolinVersion));
  lbAbout->item(AboutVersionLine)->setText(QStringLiteral(" Version ") + Q(FerrolinVersion));
  UpdateStatusLine(true);
}

void TMain::FormDestroy() {
  SearchList.clear();
  ReplaceList.clear();
  SaveSettings();
  FFileList.Clear();
}

void TMain::BuildBar(TNavigationBar* Bar, bool ActionsBar) {
  QTabWidget* Pages = ActionsBar ? PCActions : pcMain;
  for (int i = 0; i < Pages->count(); ++i) Pages->setTabVisible(i, false);
  Pages->tabBar()->hide();
  for (const TNavEntry& E : NavEntries) {
    if (E.OnActionsBar != ActionsBar) continue;
    QAction* A = this->*E.Action;
    QToolButton* B = Bar->AddButton(A, !E.Page);
    B->setObjectName(QStringLiteral("spb") + A->objectName().mid(3));
    if (E.Page) {
      // The button of the page on show stays down.
      B->setCheckable(true);
      FPageButtons.emplace_back(B, this->*E.Page);
    }
  }
}

void TMain::MarkCurrentPages() {
  for (const auto& [Button, Page] : FPageButtons)
    Button->setChecked(Page == pcMain->currentWidget() || Page == PCActions->currentWidget());
}

void TMain::BuildMainBar() {
  BuildBar(pnlMainBar, false);
  StopButton = pnlMainBar->findChild<QToolButton*>(QStringLiteral("spbBusy"));
  StopButton->setText(Q(Msg::StopCaption));
  StopButton->setAccessibleName(Q(Msg::StopCaption));
  SetStopButtonState(false);
  LeaveBusyState();
  TraceButton = pnlMainBar->findChild<QToolButton*>(QStringLiteral("spbTrace"));
  TraceButton->setVisible(cbTrace->isChecked());
  TraceButton->setEnabled(cbTrace->isChecked());
}

void TMain::BuildActionsBar() {
  BuildBar(pnlActionsBar, true);
  PCActions->setCurrentWidget(tsGeneric);
}

void TMain::closeEvent(QCloseEvent* Event) {
  // Closing in the middle of a long operation stops it; the window closes once it has ended.
  if (FBusyMode != bmIdle) {
    FStopRequested = true;
    FCloseWhenIdle = true;
    Event->ignore();
    return;
  }
  QWidget::closeEvent(Event);
}

void TMain::ShowPage(QWidget* MainPage, QWidget* ActionPage) {
  pcMain->setCurrentWidget(MainPage);
  PCActions->setCurrentWidget(ActionPage);
  const auto Main = TMainPage(pcMain->currentIndex());
  const auto Action = TActionPage(PCActions->currentIndex());
  lblWhatPage->setText(Q(PageTitle(Main, Action)));
  MarkCurrentPages();
}

void TMain::actFileListExecute() {
  ShowPage(tsSelect, PCActions->currentWidget());
}
void TMain::actActionExecute() {
  ShowPage(tsAction, PCActions->currentWidget());
}
void TMain::actResultsExecute() {
  ShowPage(tsResults, PCActions->currentWidget());
}
void TMain::actVariousExecute() {
  ShowPage(tsVarious, PCActions->currentWidget());
}
void TMain::actTraceExecute() {
  ShowPage(tsTrace, PCActions->currentWidget());
}
void TMain::actBusyExecute() {
  FStopRequested = true;
}
void TMain::actGenericExecute() {
  ShowPage(tsAction, tsGeneric);
}
void TMain::actDelphiExecute() {
  ShowPage(tsAction, tsDelphi);
}
void TMain::actOracleExecute() {
  ShowPage(tsAction, tsOracle);
}
void TMain::pcMainChange() {
  RefreshStatusLine(false);
}
