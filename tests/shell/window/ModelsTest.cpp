// The models over the core's file list and results tree keep Qt's model contract through every
// change the core makes, and show the core's text.
#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include "fileset/uFL_FileList.h"
#include "support/uFL_ResultTree.h"
#include "uFL_FileListModel.h"
#include "uFL_ResultTreeModel.h"

class ModelsTest : public QObject {
  Q_OBJECT

 private:
  static constexpr auto Report = QAbstractItemModelTester::FailureReportingMode::QtTest;

  static QStringList Rows(const QAbstractItemModel& M, const QModelIndex& Parent = {}) {
    QStringList L;
    for (int i = 0; i < M.rowCount(Parent); ++i) L << M.index(i, 0, Parent).data().toString();
    return L;
  }

 private slots:
  void fileListModelFollowsTheSortedList() {
    TFileList List;
    TFileListModel Model(List);
    QAbstractItemModelTester Tester(&Model, Report);
    List.Add("/b.txt", {});
    List.Add("/A.txt", {});
    List.Add("/a.txt", {});
    QCOMPARE(Rows(Model), (QStringList{"/A.txt", "/a.txt", "/b.txt"}));
    List.Remove("/A.txt");
    QCOMPARE(Rows(Model), (QStringList{"/a.txt", "/b.txt"}));
    List.Clear();
    QCOMPARE(Model.rowCount(), 0);
  }

  // A walk adds inside one update block while the window repaints; the view must not read
  // entries that move under it.
  void fileListModelShowsNothingWhileAnUpdateRuns() {
    TFileList List;
    List.Add("/keep", {});
    TFileListModel Model(List);
    QAbstractItemModelTester Tester(&Model, Report);
    QSignalSpy Resets(&Model, &QAbstractItemModel::modelReset);
    List.BeginUpdate();
    QCOMPARE(Model.rowCount(), 0);
    for (int i = 0; i < 100; ++i) List.Add("/f" + std::to_string(i), {});
    QCOMPARE(Model.rowCount(), 0);
    QVERIFY(!Model.data(Model.index(0, 0), Qt::DisplayRole).isValid());
    List.EndUpdate();
    QCOMPARE(Model.rowCount(), 101);
    QCOMPARE(Resets.count(), 2);
  }

  void fileListModelShowsInvalidBytesAsReplacementCharacters() {
    TFileList List;
    List.Add("/x/caf\xe9.txt", {});
    TFileListModel Model(List);
    QCOMPARE(Model.index(0, 0).data().toString(), QString("/x/caf\uFFFD.txt"));
    QCOMPARE(List.Path(0), std::string("/x/caf\xe9.txt"));
  }

  void resultTreeModelFollowsInsertsRemovalsAndResets() {
    TResultTree Tree;
    TResultTreeModel Model(Tree);
    QAbstractItemModelTester Tester(&Model, Report);
    TResultNode* Header = Tree.Add(nullptr, "Results for Search");
    TResultNode* Stats = Tree.Add(Header, "Statistics");
    Tree.Add(Stats, "Action took 0 seconds");
    TResultNode* A = Tree.Add(nullptr, "/src/a.pas");
    TResultNode* Cat = Tree.Add(A, "Search");
    Tree.Add(Cat, "[Line    1] begin");
    Tree.Add(Cat, "[Line    2] end");
    TResultNode* B = Tree.Add(nullptr, "/src/b.pas");
    Tree.Add(Tree.Add(B, "Errors"), "Binary file, skipped");
    Tree.Add(nullptr, "/src/c.pas");
    Model.Flush();

    QCOMPARE(Rows(Model),
             (QStringList{"Results for Search", "/src/a.pas", "/src/b.pas", "/src/c.pas"}));
    const QModelIndex CatIndex = Model.index(0, 0, Model.index(1, 0));
    QCOMPARE(Rows(Model, CatIndex), (QStringList{"[Line    1] begin", "[Line    2] end"}));
    QCOMPARE(Model.parent(CatIndex), Model.index(1, 0));
    QCOMPARE(TResultTreeModel::NodeOf(CatIndex), Cat);

    Tree.DeleteTop(B);
    QCOMPARE(Rows(Model), (QStringList{"Results for Search", "/src/a.pas", "/src/c.pas"}));
    QCOMPARE(Model.index(2, 0).data().toString(), "/src/c.pas");

    QSignalSpy Expand(&Model, &TResultTreeModel::ExpandRequested);
    Tree.KeepOnlyBranch(Cat);
    QCOMPARE(Rows(Model), (QStringList{"Results for Search", "/src/a.pas"}));
    QCOMPARE(Expand.count(), 1);

    Tree.Clear();
    QCOMPARE(Model.rowCount(), 0);
  }

  // A file's nodes reach the view as one insertion of the file, whatever lies below it; a file
  // the view knows gets its new children in one insertion too.
  void resultTreeModelAnnouncesNewNodesInBatches() {
    TResultTree Tree;
    TResultTreeModel Model(Tree);
    QAbstractItemModelTester Tester(&Model, Report);
    QSignalSpy Inserted(&Model, &QAbstractItemModel::rowsInserted);
    TResultNode* Header = Tree.Add(nullptr, "Results for Search");
    for (int f = 0; f < 3; ++f) {
      TResultNode* Cat = Tree.Add(Tree.Add(nullptr, "/f" + std::to_string(f)), "Search");
      for (int l = 0; l < 50; ++l) Tree.Add(Cat, "[Line " + std::to_string(l) + "]");
    }
    QCOMPARE(Model.rowCount(), 0);
    QVERIFY(!Model.index(0, 0).isValid());
    QCoreApplication::processEvents();  // the queued flush
    QCOMPARE(Inserted.count(), 1);
    QCOMPARE(Model.rowCount(), 4);
    QCOMPARE(Model.rowCount(Model.index(0, 0, Model.index(1, 0))), 50);

    Tree.Add(Tree.Add(Header, "Statistics"), "Action took 0 seconds");
    Tree.Add(Tree.Top(2)->Children[0].get(), "[Line 99]");
    QCOMPARE(Model.rowCount(Model.index(0, 0)), 0);
    Model.Flush();
    QCOMPARE(Inserted.count(), 3);
    QCOMPARE(Rows(Model, Model.index(0, 0)), QStringList{"Statistics"});
    QCOMPARE(Model.rowCount(Model.index(0, 0, Model.index(2, 0))), 51);
  }

  // Removing or pruning announces what is still pending first, so the views never see a count
  // that jumps.
  void resultTreeModelFlushesBeforeRemovals() {
    TResultTree Tree;
    TResultTreeModel Model(Tree);
    QAbstractItemModelTester Tester(&Model, Report);
    Tree.Add(nullptr, "Results for Search");
    TResultNode* A = Tree.Add(nullptr, "/a");
    Tree.Add(nullptr, "/b");
    Tree.DeleteTop(A);
    QCOMPARE(Rows(Model), (QStringList{"Results for Search", "/b"}));
  }

  void resultTreeModelAsksTheViewToExpandABranch() {
    TResultTree Tree;
    TResultTreeModel Model(Tree);
    TResultNode* Header = Tree.Add(nullptr, "Results for Checks");
    QSignalSpy Expand(&Model, &TResultTreeModel::ExpandRequested);
    Tree.ExpandAll(Header);
    QCOMPARE(Expand.count(), 1);
    QCOMPARE(Expand.at(0).at(0).value<QModelIndex>(), Model.index(0, 0));
  }

  void modelLetsGoOfTheTreeWhenItGoes() {
    TResultTree Tree;
    {
      TResultTreeModel Model(Tree);
      QVERIFY(Tree.Listener != nullptr);
    }
    QVERIFY(Tree.Listener == nullptr);
    Tree.Add(nullptr, "still works");
    QCOMPARE(Tree.TopCount(), 1);
  }
};

QTEST_MAIN(ModelsTest)
#include "ModelsTest.moc"
