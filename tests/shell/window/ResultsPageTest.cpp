// The results page after a real search: saving both layouts, Select Files, the context menu's
// removals with the header kept first, Edit, and the expand button's alternating caption.
#include <QAbstractItemModelTester>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include "WindowFixture.h"
#include "support/TempTree.h"
#include "support/uFL_Log.h"
#include "uFL_ResultTreeModel.h"

class ResultsPageTest : public QObject {
  Q_OBJECT

 private:
  template <class T>
  static T* Find(QObject* W, const char* Name) {
    return TWindowFixture::Find<T>(W, Name);
  }

  struct TSearched {
    TTempTree T;
    TWindowFixture F;
    std::unique_ptr<TMain> W;
    QTreeView* View;
    QString Path(const char* Rel) const { return QString::fromStdString(T.Path(Rel)); }
  };

  // Five files of which 2.txt and 4.txt hold the term; tracing on.
  static std::unique_ptr<TSearched> Searched() {
    auto S = std::make_unique<TSearched>();
    for (const char* N : {"1.txt", "3.txt", "5.txt"}) S->T.File(N, "nothing\n");
    S->T.File("2.txt", "needle\n");
    S->T.File("4.txt", "a\nneedle needle\n");
    S->F.StoreCurrentVersion();
    S->F.Raw()->setValue("cbTrace_state", 1);
    S->W = S->F.NewWindow();
    S->W->show();
    TWindowFixture::AddFiles(*S->W, S->T.Dir(), "*.txt");
    Find<TRecentComboBox>(S->W.get(), "cbSearch")->SetText("needle");
    Find<QPushButton>(S->W.get(), "btnSearch")->click();
    S->View = Find<QTreeView>(S->W.get(), "tvResults");
    return S;
  }

  static QStringList TopNodes(TMain& W) {
    QStringList L;
    for (const auto& N : W.ResultTree().TopNodes()) L << QString::fromStdString(N->Text);
    return L;
  }
  static QStringList Listed(TMain& W) {
    QStringList L;
    for (const std::string& P : W.FileList().Paths()) L << QString::fromStdString(P);
    return L;
  }
  static void Select(TSearched& S, const QModelIndex& Index) { S.View->setCurrentIndex(Index); }
  static QModelIndex At(TSearched& S, int Top, int Child = -1) {
    const QModelIndex T = S.View->model()->index(Top, 0);
    return Child < 0 ? T : S.View->model()->index(Child, 0, T);
  }
  static void Menu(TMain& W, const char* Item) { W.findChild<QAction*>(Item)->trigger(); }

 private slots:
  void savingFilenamesOnlyWritesTheFilePathsInProcessingOrder() {
    auto S = Searched();
    const QString Out = S->Path("names.txt");
    S->F.Dialogs.Answers = {true};
    S->F.Dialogs.Files = {Out};
    Find<QPushButton>(S->W.get(), "btnSave")->click();
    QCOMPARE(S->T.Read("names.txt"), S->T.Path("2.txt") + "\r\n" + S->T.Path("4.txt") + "\r\n");
    const auto& Boxes = S->F.Dialogs.Shown;
    QCOMPARE(Boxes[Boxes.size() - 2].Text, "Save Filenames only?");
    QCOMPARE(Boxes.back().Text, "Save Results to File");
    QCOMPARE(Boxes.back().Suffix, "TXT");
  }

  void savingTheWholeTreeWritesOneTabPerLevel() {
    auto S = Searched();
    S->F.Dialogs.Answers = {false};
    S->F.Dialogs.Files = {S->Path("tree.txt")};
    Find<QPushButton>(S->W.get(), "btnSave")->click();
    const QStringList Lines =
        QString::fromStdString(S->T.Read("tree.txt")).split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(Lines.at(0), "Results for Search");
    QCOMPARE(Lines.at(1), "\tStatistics");
    QVERIFY(Lines.at(2).startsWith("\t\tAction took "));
    const int At = Lines.indexOf(S->Path("4.txt"));
    QCOMPARE(Lines.mid(At),
             (QStringList{S->Path("4.txt"), "\tSearch", "\t\t[Line    2] needle needle"}));
  }

  void savingBeforeAnyActionWritesAnEmptyFile_data() {
    QTest::addColumn<bool>("FilenamesOnly");
    QTest::newRow("file names") << true;
    QTest::newRow("whole tree") << false;
  }
  void savingBeforeAnyActionWritesAnEmptyFile() {
    QFETCH(bool, FilenamesOnly);
    TTempTree T;
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    F.Dialogs.Answers = {FilenamesOnly};
    F.Dialogs.Files = {QString::fromStdString(T.Path("empty.txt"))};
    Find<QPushButton>(W.get(), "btnSave")->click();
    QCOMPARE(T.Read("empty.txt"), std::string());
  }

  void cancellingTheSaveDialogWritesNothing() {
    auto S = Searched();
    S->F.Dialogs.Answers = {true};
    Find<QPushButton>(S->W.get(), "btnSave")->click();
    QVERIFY(S->F.Dialogs.Errors().empty());
  }

  void selectFilesKeepsExactlyTheFilesWithResults() {
    auto S = Searched();
    QCOMPARE(S->W->FileList().Count(), 5);
    Find<QPushButton>(S->W.get(), "btnResToSet")->click();
    QCOMPARE(Listed(*S->W), (QStringList{S->Path("2.txt"), S->Path("4.txt")}));
    QCOMPARE(Find<QLabel>(S->W.get(), "lblStatus")->text(),
             "2 file(s) in file list There are results.");
  }

  void removeThisFileDropsItsBranchButNotItsEntry() {
    auto S = Searched();
    Select(*S, At(*S, 1, 0));  // the category node of 2.txt
    Menu(*S->W, "RemovethisfilefromList1");
    QCOMPARE(TopNodes(*S->W), (QStringList{"Results for Search", S->Path("4.txt")}));
    QCOMPARE(S->W->FileList().Count(), 5);
  }

  void removeOtherFilesKeepsOneFileInListResultsAndTrace() {
    auto S = Searched();
    Select(*S, At(*S, 2, 0));  // the category node of the second file
    Menu(*S->W, "miResultRemoveOthers");
    QCOMPARE(TopNodes(*S->W), (QStringList{"Results for Search", S->Path("4.txt")}));
    QCOMPARE(Listed(*S->W), QStringList{S->Path("4.txt")});
    QVERIFY(S->View->isExpanded(At(*S, 1)));
    QVERIFY(S->View->isExpanded(At(*S, 1, 0)));
    const TTraceLines& Trace = S->W->TraceLines();
    QVERIFY(Trace.Count() > 0);
    QVERIFY(QString::fromStdString(Trace[0]).startsWith("4.txt....."));
    for (int i = 1; i < Trace.Count(); ++i)
      QVERIFY(QString::fromStdString(Trace[i]).startsWith(QString(30, ' ')));
    QCOMPARE(S->W->findChild<QAction*>("miResultRemoveOthers")->text(),
             "Remove other files from List, Results && Trace");

    // The header stays first, so the page's other commands still skip it.
    Find<QPushButton>(S->W.get(), "btnResToSet")->click();
    QCOMPARE(Listed(*S->W), QStringList{S->Path("4.txt")});
  }

  void removeOthersForAFileNoLongerListedChangesNothing() {
    auto S = Searched();
    S->W->FileList().Remove(S->T.Path("4.txt"));
    Select(*S, At(*S, 2));
    Menu(*S->W, "miResultRemoveOthers");
    QCOMPARE(S->F.Dialogs.Errors(), std::vector<QString>{"List index out of bounds (-1)"});
    QCOMPARE(TopNodes(*S->W).size(), 3);
    QCOMPARE(S->W->FileList().Count(), 4);
  }

  void commandsOnTheHeaderOrWithoutSelectionDoNothing_data() {
    QTest::addColumn<QString>("Item");
    QTest::addColumn<bool>("OnHeader");
    for (const char* I : {"miEditInResults", "RemovethisfilefromList1", "miResultRemoveOthers"}) {
      QTest::newRow((std::string(I) + " header").c_str()) << I << true;
      QTest::newRow((std::string(I) + " nothing").c_str()) << I << false;
    }
  }
  void commandsOnTheHeaderOrWithoutSelectionDoNothing() {
    QFETCH(QString, Item);
    QFETCH(bool, OnHeader);
    auto S = Searched();
    if (OnHeader) Select(*S, At(*S, 0, 0));
    S->W->findChild<QAction*>(Item)->trigger();
    QCOMPARE(TopNodes(*S->W).size(), 3);
    QCOMPARE(S->W->FileList().Count(), 5);
    QVERIFY(S->F.Opened.empty());
    QVERIFY(S->F.Dialogs.Errors().empty());
  }

  void editOpensTheFileOfTheChosenNode() {
    auto S = Searched();
    Select(*S, At(*S, 2, 0));
    Menu(*S->W, "miEditInResults");
    QCOMPARE(S->F.Opened, std::vector<std::string>{S->T.Path("4.txt")});
  }

  void rightClickSelectsTheNodeBeforeTheMenu() {
    auto S = Searched();
    const QRect R = S->View->visualRect(At(*S, 2));
    QVERIFY(R.isValid());
    emit S->View->customContextMenuRequested(R.center());
    QCOMPARE(S->View->currentIndex(), At(*S, 2));
    auto* Menu = S->W->findChild<QMenu*>("ppTree");
    QVERIFY(Menu->isVisible());
    Menu->hide();
  }

  void expandButtonAlternatesItsCaption() {
    auto S = Searched();
    auto* Button = Find<QPushButton>(S->W.get(), "btnExpand");
    QCOMPARE(Button->text(), "Expand All");
    Button->click();
    QCOMPARE(Button->text(), "Collapse All");
    QVERIFY(S->View->isExpanded(At(*S, 2)));
    Button->click();
    QCOMPARE(Button->text(), "Expand All");
    QVERIFY(!S->View->isExpanded(At(*S, 0)));
    QVERIFY(!S->View->isExpanded(At(*S, 2)));
  }

  void treeModelKeepsItsContractThroughAnAction() {
    TTempTree T;
    for (int i = 0; i < 6; ++i) T.File("f" + std::to_string(i) + ".txt", "x\ny x\n");
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    QAbstractItemModelTester Tester(Find<QTreeView>(W.get(), "tvResults")->model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    TWindowFixture::AddFiles(*W, T.Dir(), "*.txt");
    Find<TRecentComboBox>(W.get(), "cbSearch")->SetText("x");
    Find<QPushButton>(W.get(), "btnSearch")->click();
    Find<QPushButton>(W.get(), "btnSearch")->click();
    QCOMPARE(W->ResultTree().TopCount(), 7);
  }
};

QTEST_MAIN(ResultsPageTest)
#include "ResultsPageTest.moc"
