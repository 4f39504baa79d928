// The window's frame: start-up state, navigation and header titles, busy state, status line,
// accessible names and the combo boxes' typing rules.
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "WindowFixture.h"
#include "uFL_BusyIndicator.h"
#include "uFL_RecentComboBox.h"

class MainFrameTest : public QObject {
  Q_OBJECT

 private:
  template <class T>
  static T* Find(QObject* W, const char* Name) {
    return TWindowFixture::Find<T>(W, Name);
  }
  static QString Header(TMain* W) { return Find<QLabel>(W, "lblWhatPage")->text(); }
  static QString Status(TMain* W) { return Find<QLabel>(W, "lblStatus")->text(); }

 private slots:
  void startsOnTheFileSelectionPageWithStopHidden() {
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();

    QCOMPARE(Find<QTabWidget>(W.get(), "pcMain")->currentWidget()->objectName(), "tsSelect");
    QCOMPARE(Find<QTabWidget>(W.get(), "PCActions")->currentWidget()->objectName(), "tsGeneric");
    QCOMPARE(Header(W.get()), "File Selection Page");
    QCOMPARE(W->windowTitle(), "Ferrolin 0.25 Alpha");
    QCOMPARE(Find<QListWidget>(W.get(), "lbAbout")->item(3)->text(), " Version 0.25 Alpha");
    QCOMPARE(Find<QPushButton>(W.get(), "btnExpand")->text(), "Expand All");
    QCOMPARE(Status(W.get()), "0 file(s) in file list");
    auto* Stop = Find<QToolButton>(W.get(), "spbBusy");
    QVERIFY(Stop->isHidden());
    QVERIFY(!Stop->isEnabled());
    QCOMPARE(Stop->text(), "Stop");
    QVERIFY(Find<QTabWidget>(W.get(), "pcMain")->tabBar()->isHidden());
    QVERIFY(Find<QTabWidget>(W.get(), "PCActions")->tabBar()->isHidden());
    QVERIFY(Find<TBusyIndicator>(W.get(), "aniWait")->isHidden());
    QCOMPARE(W->minimumSize(), QSize(800, 500));
    QVERIFY(F.Dialogs.Shown.empty());
  }

  void navigationButtonsStackInActionOrderAndStopSitsAtTheBottom() {
    TWindowFixture F;
    F.StoreCurrentVersion();
    F.Raw()->setValue("cbTrace_state", 1);
    auto W = F.NewWindow();
    W->show();
    auto* Bar = Find<QWidget>(W.get(), "pnlMainBar");
    QCOMPARE(Bar->width(), 89);
    int Top = -1;
    for (const char* N : {"spbFileList", "spbAction", "spbResults", "spbVarious", "spbTrace"}) {
      auto* B = Find<QToolButton>(W.get(), N);
      QCOMPARE(B->height(), 57);
      QCOMPARE(B->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
      QVERIFY2(B->y() > Top, N);
      Top = B->y();
    }
    QCOMPARE(Find<QToolButton>(W.get(), "spbAction")->y() -
                 Find<QToolButton>(W.get(), "spbFileList")->y(),
             58);
    auto* Stop = Find<QToolButton>(W.get(), "spbBusy");
    QCOMPARE(Stop->geometry().bottom(), Bar->contentsRect().bottom() - 3);
    QCOMPARE(Find<QToolButton>(W.get(), "spbGeneric")->text(), "Generic");
    QCOMPARE(Find<QWidget>(W.get(), "pnlActionsBar")->width(), 86);
  }

  void traceButtonFollowsTheStoredSetting_data() {
    QTest::addColumn<QVariant>("Stored");
    QTest::addColumn<bool>("Shown");
    QTest::newRow("on") << QVariant(1) << true;
    QTest::newRow("off") << QVariant(0) << false;
    QTest::newRow("nothing stored") << QVariant() << false;
  }
  void traceButtonFollowsTheStoredSetting() {
    QFETCH(QVariant, Stored);
    QFETCH(bool, Shown);
    TWindowFixture F;
    F.StoreCurrentVersion();
    if (Stored.isValid()) F.Raw()->setValue("cbTrace_state", Stored);
    auto W = F.NewWindow();
    auto* Trace = Find<QToolButton>(W.get(), "spbTrace");
    const int PlaceBefore = Trace->y();
    QCOMPARE(!Trace->isHidden(), Shown);
    QCOMPARE(Trace->isEnabled(), Shown);
    QCOMPARE(W->TraceLog().TracingIsOn(), Shown);

    // Turning tracing over shows or hides the button in the place it kept.
    Find<QCheckBox>(W.get(), "cbTrace")->click();
    QCOMPARE(!Trace->isHidden(), !Shown);
    QCOMPARE(Trace->y(), PlaceBefore);
    QCOMPARE(W->TraceLog().TracingIsOn(), !Shown);
  }

  void headerNamesThePageAndKeepsTheActionSubPage_data() {
    QTest::addColumn<QStringList>("Actions");
    QTest::addColumn<QString>("Title");
    QTest::newRow("actions") << QStringList{"actAction"} << "Action Pages - Generic Actions";
    QTest::newRow("delphi") << QStringList{"actDelphi"} << "Action Pages - Delphi Actions";
    QTest::newRow("oracle") << QStringList{"actOracle"} << "Action Pages - Oracle Actions";
    QTest::newRow("results") << QStringList{"actResults"} << "Results Page";
    QTest::newRow("trace") << QStringList{"actTrace"} << "Tracing Page";
    QTest::newRow("various") << QStringList{"actVarious"} << "Various Options & About Page";
    QTest::newRow("files") << QStringList{"actVarious", "actFileList"} << "File Selection Page";
    QTest::newRow("sub-page kept")
        << QStringList{"actOracle", "actResults", "actAction"} << "Action Pages - Oracle Actions";
    QTest::newRow("generic") << QStringList{"actDelphi", "actGeneric"}
                             << "Action Pages - Generic Actions";
  }
  void headerNamesThePageAndKeepsTheActionSubPage() {
    QFETCH(QStringList, Actions);
    QFETCH(QString, Title);
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    for (const QString& A : Actions) W->findChild<QAction*>(A)->trigger();
    QCOMPARE(Header(W.get()), Title);
  }

  void navigationButtonsRunTheirActions() {
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    // The buttons of the pages on show stay down, whoever changed the page.
    auto Down = [&](const char* N) { return Find<QToolButton>(W.get(), N)->isChecked(); };
    QVERIFY(Down("spbFileList") && Down("spbGeneric") && !Down("spbAction"));
    Find<QToolButton>(W.get(), "spbDelphi")->click();
    QCOMPARE(Header(W.get()), "Action Pages - Delphi Actions");
    QVERIFY(Down("spbAction") && Down("spbDelphi") && !Down("spbFileList") && !Down("spbGeneric"));
    Find<QToolButton>(W.get(), "spbDelphi")->click();
    QVERIFY(Down("spbDelphi"));
    Find<QToolButton>(W.get(), "spbResults")->click();
    QCOMPARE(Header(W.get()), "Results Page");
    QVERIFY(Down("spbResults") && !Down("spbAction"));
    W->findChild<QAction*>("actVarious")->trigger();
    QVERIFY(Down("spbVarious") && !Down("spbResults"));
    QVERIFY(!Find<QToolButton>(W.get(), "spbBusy")->isCheckable());
  }

  void busyStateDisablesThePagesThatStartOperations() {
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    W->FileList().Add("/x/a.txt", TSearchRec{0, 1, faArchive, "a.txt"});
    W->FileList().Add("/x/b.txt", TSearchRec{0, 1, faArchive | faReadOnly, "b.txt"});
    auto* Stop = Find<QToolButton>(W.get(), "spbBusy");
    auto* Progress = Find<QProgressBar>(W.get(), "pbStatus");

    W->EnterBusyState(true, bmAction);
    QCOMPARE(W->BusyMode(), bmAction);
    QVERIFY(!Stop->isHidden());
    QVERIFY(Stop->isEnabled());
    QVERIFY(!Find<QWidget>(W.get(), "tsSelect")->isEnabled());
    QVERIFY(!Find<QWidget>(W.get(), "tsAction")->isEnabled());
    QVERIFY(Find<QWidget>(W.get(), "tsResults")->isEnabled());
    QVERIFY(Find<QWidget>(W.get(), "tsTrace")->isEnabled());
    QVERIFY(Find<QWidget>(W.get(), "tsVarious")->isEnabled());
    QVERIFY(!Find<QPushButton>(W.get(), "btnResToSet")->isEnabled());
    QVERIFY(!W->findChild<QAction*>("miResultRemoveOthers")->isEnabled());
    QVERIFY(W->findChild<QAction*>("RemovethisfilefromList1")->isEnabled());
    QVERIFY(!Find<TBusyIndicator>(W.get(), "aniWait")->isHidden());
    QCOMPARE(Progress->maximum(), 2);

    Stop->click();
    QVERIFY(W->StopRequested());

    W->LeaveBusyState();
    QCOMPARE(W->BusyMode(), bmIdle);
    QVERIFY(Stop->isHidden());
    QVERIFY(!Stop->isEnabled());
    QVERIFY(Find<QWidget>(W.get(), "tsSelect")->isEnabled());
    QVERIFY(Find<QWidget>(W.get(), "tsAction")->isEnabled());
    QVERIFY(Find<QPushButton>(W.get(), "btnResToSet")->isEnabled());
    QVERIFY(Find<TBusyIndicator>(W.get(), "aniWait")->isHidden());
    QCOMPARE(Progress->value(), 0);
    QVERIFY2(W->StopRequested(), "Stop stays set until the next busy state");
    QCOMPARE(Status(W.get()), "2 file(s) in file list, of which 1 are readonly.");

    W->EnterBusyState(false, bmFileList);
    QVERIFY(!W->StopRequested());
    QVERIFY(Stop->isHidden());
    QVERIFY(!Find<QWidget>(W.get(), "tsSelect")->isEnabled());
    W->LeaveBusyState();
  }

  void emptyListGivesTheProgressBarAHundredSteps() {
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    W->EnterBusyState(true, bmFileList);
    auto* Progress = Find<QProgressBar>(W.get(), "pbStatus");
    QCOMPARE(Progress->maximum(), 100);
    W->UpdateStatusLine(false);
    QCOMPARE(Progress->value(), 1);
    QCOMPARE(Status(W.get()), "0 file(s) in file list");
    W->LeaveBusyState();
  }

  void smallProgressMaximumStaysFullWhileCollecting() {
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    for (const char* P : {"/a", "/b", "/c", "/d"}) W->FileList().Add(P, TSearchRec{});
    W->EnterBusyState(true, bmFileList);
    auto* Progress = Find<QProgressBar>(W.get(), "pbStatus");
    for (int i = 0; i < 6; ++i) W->UpdateStatusLine(false);
    QCOMPARE(Progress->maximum(), 4);
    QCOMPARE(Progress->value(), 4);
    W->LeaveBusyState();
  }

  void statusLineReadsTheListAndTheResults_data() {
    QTest::addColumn<int>("Mode");
    QTest::addColumn<bool>("Results");
    QTest::addColumn<QString>("Expected");
    QTest::newRow("idle") << int(bmIdle) << false
                          << "3 file(s) in file list, of which 2 are readonly.";
    QTest::newRow("idle with results")
        << int(bmIdle) << true
        << "3 file(s) in file list, of which 2 are readonly. There are results.";
    QTest::newRow("collecting") << int(bmFileList) << true << "3 file(s) in file list";
    QTest::newRow("action") << int(bmAction) << true << "0% done";
  }
  void statusLineReadsTheListAndTheResults() {
    QFETCH(int, Mode);
    QFETCH(bool, Results);
    QFETCH(QString, Expected);
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    W->FileList().Add("/a", TSearchRec{0, 0, faReadOnly, "a"});
    W->FileList().Add("/b", TSearchRec{0, 0, faReadOnly, "b"});
    W->FileList().Add("/c", TSearchRec{0, 0, faArchive, "c"});
    if (Results) W->ResultTree().Add(nullptr, "Results for Search");
    W->UpdateStatusLine(true);
    if (Mode != bmIdle) W->EnterBusyState(true, TBusyMode(Mode));
    W->UpdateStatusLine(false);
    QCOMPARE(Status(W.get()), Expected);
    if (Mode != bmIdle) W->LeaveBusyState();
  }

  void controlsAreNamedForScreenReaders_data() {
    QTest::addColumn<QString>("Control");
    QTest::addColumn<QString>("Name");
    QTest::newRow("dir") << "cbDir"
                         << "Starting Directory";
    QTest::newRow("mask") << "cbMask"
                          << "Filemask";
    QTest::newRow("search") << "cbSearch"
                            << "Search";
    QTest::newRow("replace") << "cbReplace"
                             << "Replace ";
    QTest::newRow("run with") << "cbRunWith"
                              << "Run with";
    QTest::newRow("params") << "cbParams"
                            << "Params";
    QTest::newRow("unit") << "cbUnit"
                          << "Unit";
    QTest::newRow("button") << "btnAdd"
                            << "Add Files";
    QTest::newRow("check box") << "cbSubdirs"
                               << "Include subdirectories?";
    QTest::newRow("tracing") << "cbTrace"
                             << "Tracing";
    QTest::newRow("file list") << "lbFiles"
                               << "lbFiles";
    QTest::newRow("tree") << "tvResults"
                          << "tvResults";
    QTest::newRow("trace list") << "lbTrace"
                                << "lbTrace";
    QTest::newRow("types") << "clbFileTypes"
                           << "clbFileTypes";
    QTest::newRow("small button") << "spbDirectory"
                                  << "spbDirectory";
    QTest::newRow("stop") << "spbBusy"
                          << "Stop";
    QTest::newRow("navigation") << "spbFileList"
                                << "Files";
    QTest::newRow("status") << "lblStatus"
                            << "0 file(s) in file list";
    QTest::newRow("header") << "lblWhatPage"
                            << "File Selection Page";
    QTest::newRow("caption with blank") << "btnRemove"
                                        << "Remove Files ";
    QTest::newRow("group") << "gbSearchReplace"
                           << "Search and Replace";
    QTest::newRow("window") << "Main"
                            << "Ferrolin 0.25 Alpha";
    QTest::newRow("file list menu") << "ppFiles"
                                    << "ppFiles";
    QTest::newRow("tree menu") << "ppTree"
                               << "ppTree";
  }
  void controlsAreNamedForScreenReaders() {
    QFETCH(QString, Control);
    QFETCH(QString, Name);
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    QWidget* C = W->objectName() == Control ? W.get() : W->findChild<QWidget*>(Control);
    QVERIFY(C);
    QAccessibleInterface* A = QAccessible::queryAccessibleInterface(C);
    QVERIFY(A);
    QCOMPARE(A->text(QAccessible::Name), Name);
  }

  // Qt's combo box would complete "T2" to a listed "t2" and insert the text on Return.
  void comboBoxKeepsTheTextAsTyped() {
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    auto* Mask = Find<TRecentComboBox>(W.get(), "cbMask");
    TComboBoxState S = Mask->State();
    S.Items = {{"t2", 0}, {"*.pas", 0}};
    S.Text = "";
    Mask->SetState(S);
    QVERIFY(Mask->completer() == nullptr);
    QCOMPARE(Mask->insertPolicy(), QComboBox::NoInsert);

    QTest::keyClicks(Mask->lineEdit(), "T2");
    QTest::keyClick(Mask->lineEdit(), Qt::Key_Return);
    QCOMPARE(Mask->currentText(), "T2");
    QCOMPARE(Mask->count(), 2);
  }

  void errorEscapingAHandlerIsShownAndTheWindowGoesOn() {
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    auto* Dir = Find<TRecentComboBox>(W.get(), "cbDir");
    Dir->SetText("  /no/such/directory/here  ");
    QFocusEvent Out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(Dir, &Out);
    QCOMPARE(F.Dialogs.Errors(), std::vector<QString>{"Directory does not exist"});
    QCOMPARE(Dir->currentText(), "/no/such/directory/here/");
    QCOMPARE(W->BusyMode(), bmIdle);
  }

  void closingDuringALongOperationStopsItFirst() {
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    W->show();
    W->EnterBusyState(true, bmAction);
    QVERIFY(!W->close());
    QVERIFY(W->StopRequested());
    QVERIFY(W->isVisible());
    W->LeaveBusyState();
    QCoreApplication::processEvents();  // the close waits in the queue
    QVERIFY(!W->isVisible());
  }
};

QTEST_MAIN(MainFrameTest)
#include "MainFrameTest.moc"
