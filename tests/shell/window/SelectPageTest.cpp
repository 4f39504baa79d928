// The file selection page over a temporary tree: building the set with a mask or with types, the
// file-type rules, removing, emptying, list files, the entry hint, the context menu and Stop.
#include <sys/stat.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "WindowFixture.h"
#include "support/TempTree.h"
#include "uFL_CheckListBox.h"

class SelectPageTest : public QObject {
  Q_OBJECT

 private:
  template <class T>
  static T* Find(QObject* W, const char* Name) {
    return TWindowFixture::Find<T>(W, Name);
  }

  // a.pas, b.dfm, c.txt at the top; sub/d.pas, sub/e.txt; notes.txt/f.pas (a directory whose
  // name matches *.txt); hidden .h.pas and .git/g.pas.
  static void MakeTree(const TTempTree& T) {
    T.File("a.pas", "unit a;");
    T.File("b.dfm", "object");
    T.File("c.txt", "text");
    T.File("sub/d.pas", "unit d;");
    T.File("sub/e.txt", "text");
    T.File("notes.txt/f.pas", "unit f;");
    T.File(".h.pas", "hidden");
    T.File(".git/g.pas", "hidden folder");
  }

  static QStringList Listed(TMain& W, const TTempTree& T) {
    QStringList L;
    for (const std::string& P : W.FileList().Paths())
      L << QString::fromStdString(P.substr(T.Dir().size()));
    return L;
  }

  // Checks a type as a click on its box does.
  static void ClickType(TMain& W, int Index) {
    QListWidgetItem* Item = Find<TCheckListBox>(&W, "clbFileTypes")->item(Index);
    Item->setCheckState(Item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  }

 private slots:
  void addFilesBuildsTheSet_data() {
    QTest::addColumn<QString>("Mask");
    QTest::addColumn<QList<int>>("Types");
    QTest::addColumn<bool>("Subdirs");
    QTest::addColumn<QStringList>("Expected");
    QTest::newRow("mask with subdirectories")
        << "*.txt" << QList<int>{} << true << QStringList{"c.txt", "sub/e.txt"};
    QTest::newRow("mask wins over types")
        << "*.dfm" << QList<int>{20} << true << QStringList{"b.dfm"};
    QTest::newRow("two types, no subdirectories")
        << "" << QList<int>{8, 20} << false << QStringList{"a.pas", "b.dfm"};
    QTest::newRow("one type with subdirectories")
        << "" << QList<int>{20} << true << QStringList{"a.pas", "notes.txt/f.pas", "sub/d.pas"};
    QTest::newRow("all files") << "" << QList<int>{0} << true
                               << QStringList{"a.pas",           "b.dfm",     "c.txt",
                                              "notes.txt/f.pas", "sub/d.pas", "sub/e.txt"};
    QTest::newRow("nothing chosen") << "" << QList<int>{} << true << QStringList{};
  }
  void addFilesBuildsTheSet() {
    QFETCH(QString, Mask);
    QFETCH(QList<int>, Types);
    QFETCH(bool, Subdirs);
    QFETCH(QStringList, Expected);
    TTempTree T;
    MakeTree(T);
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    Find<QCheckBox>(W.get(), "cbSubdirs")->setChecked(Subdirs);
    for (int I : Types) Find<TCheckListBox>(W.get(), "clbFileTypes")->SetChecked(I, true);
    TWindowFixture::AddFiles(*W, T.Dir(), Mask.toStdString());
    QCOMPARE(Listed(*W, T), Expected);
    QCOMPARE(Find<QListView>(W.get(), "lbFiles")->model()->rowCount(), Expected.size());
    QCOMPARE(Find<QLabel>(W.get(), "lblStatus")->text(),
             QString("%1 file(s) in file list").arg(Expected.size()));
    QCOMPARE(W->BusyMode(), bmIdle);
  }

  void addingTwiceKeepsOneEntryAndRemoveTakesExactlyThoseOut() {
    TTempTree T, Other;
    MakeTree(T);
    Other.File("x.pas", "unit x;");
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    TWindowFixture::AddFiles(*W, T.Dir(), "*.pas");
    TWindowFixture::AddFiles(*W, T.Dir(), "*.pas");
    TWindowFixture::AddFiles(*W, Other.Dir(), "*.pas");
    QCOMPARE(W->FileList().Count(), 4);
    Find<QPushButton>(W.get(), "btnRemove")->click();  // the last directory and mask: Other's
    QCOMPARE(Listed(*W, T), (QStringList{"a.pas", "notes.txt/f.pas", "sub/d.pas"}));
    Find<QPushButton>(W.get(), "btnEmpty")->click();
    QCOMPARE(W->FileList().Count(), 0);
    QCOMPARE(Find<QLabel>(W.get(), "lblStatus")->text(), "0 file(s) in file list");
  }

  void addWithoutADirectorySaysSo() {
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    Find<QPushButton>(W.get(), "btnAdd")->click();
    QCOMPARE(F.Dialogs.Informations(), std::vector<QString>{"No directory selected"});
    QCOMPARE(W->FileList().Count(), 0);
  }

  void allFilesAndTheOtherTypesExcludeEachOtherAndEmptyTheMask() {
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    auto* Types = Find<TCheckListBox>(W.get(), "clbFileTypes");
    auto* Mask = Find<TRecentComboBox>(W.get(), "cbMask");
    Mask->SetText("*.pas");
    ClickType(*W, 20);
    ClickType(*W, 8);
    QCOMPARE(Mask->currentText(), "");
    ClickType(*W, 0);
    QVERIFY(Types->Checked(0));
    QVERIFY(!Types->Checked(8));
    QVERIFY(!Types->Checked(20));
    ClickType(*W, 27);
    QVERIFY(!Types->Checked(0));
    QVERIFY(Types->Checked(27));

    // Typing a mask unchecks every type; a mask set by the program does not.
    QTest::keyClicks(Mask->lineEdit(), "*.inc");
    QVERIFY(!Types->Checked(27));
    Types->SetChecked(5, true);
    Mask->SetText("*.sql");
    QVERIFY(Types->Checked(5));
  }

  void entryHintNamesTheFileItsSizeAndReadOnly() {
    TTempTree T;
    T.File("a.pas", std::string(812, 'x'));
    T.File("b.pas", "12345");
    T.File("c.pas", "1234567");
    chmod(T.Path("a.pas").c_str(), 0444);
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    W->show();
    TWindowFixture::AddFiles(*W, T.Dir(), "*.pas");
    QCOMPARE(Find<QLabel>(W.get(), "lblStatus")->text(),
             "3 file(s) in file list, of which 1 are readonly.");
    auto* List = Find<QListView>(W.get(), "lbFiles");
    auto MoveTo = [&](int Row) {
      const QPoint P = List->visualRect(List->model()->index(Row, 0)).center();
      QMouseEvent Move(QEvent::MouseMove, P, List->viewport()->mapToGlobal(P), Qt::NoButton,
                       Qt::NoButton, Qt::NoModifier);
      QApplication::sendEvent(List->viewport(), &Move);
    };
    MoveTo(0);
    QCOMPARE(List->toolTip(), "a.pas, 812 bytes, Readonly");
    MoveTo(1);
    QCOMPARE(List->toolTip(), "b.pas, 5 bytes");
    // Row 1 holds another file after the first one goes; its hint is made anew.
    List->setCurrentIndex(List->model()->index(0, 0));
    W->findChild<QAction*>("miRemoveFile")->trigger();
    MoveTo(1);
    QCOMPARE(List->toolTip(), "c.pas, 7 bytes");
    QCOMPARE(Find<QLabel>(W.get(), "lblStatus")->text(), "2 file(s) in file list");
  }

  void savedListLoadsBackWithFreshRecords() {
    TTempTree T;
    MakeTree(T);
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    TWindowFixture::AddFiles(*W, T.Dir(), "*.pas");
    const QString ListFile = QString::fromStdString(T.Path("set.fll"));
    F.Dialogs.Files = {ListFile};
    Find<QPushButton>(W.get(), "btnSaveFileList")->click();
    QCOMPARE(QString::fromStdString(T.Read("set.fll")),
             QString::fromStdString(T.Path("a.pas") + "\r\n" + T.Path("notes.txt/f.pas") + "\r\n" +
                                    T.Path("sub/d.pas") + "\r\n"));

    T.File("a.pas", "grown since the list was saved");
    Find<QPushButton>(W.get(), "btnEmpty")->click();
    F.Dialogs.Files = {ListFile};
    Find<QPushButton>(W.get(), "btnLoadFiles")->click();
    QCOMPARE(Listed(*W, T), (QStringList{"a.pas", "notes.txt/f.pas", "sub/d.pas"}));
    QCOMPARE(W->FileList().Rec(0).Size, 30);

    const auto& Boxes = F.Dialogs.Shown;
    QCOMPARE(Boxes[0].Text, "Save List of Selected Files");
    QCOMPARE(Boxes[0].Suffix, "FLL");
    QCOMPARE(Boxes[1].Text, "Load Filelist from File");
    QCOMPARE(Boxes[1].Suffix, "FLL");
  }

  void listFileLinesAreFileSpecifications() {
    TTempTree T;
    MakeTree(T);
    T.File("specs.fll",
           T.Dir() + "*.pas\r\n\r\n" + T.Path("missing.txt") + "\n" + T.Path("sub/e.txt") + "\r\n");
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    F.Dialogs.Files = {QString::fromStdString(T.Path("specs.fll"))};
    Find<QPushButton>(W.get(), "btnLoadFiles")->click();
    QCOMPARE(Listed(*W, T), (QStringList{"a.pas", "sub/e.txt"}));
  }

  void unreadableListFileShowsTheErrorAndLeavesTheListEmpty() {
    TTempTree T;
    MakeTree(T);
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    TWindowFixture::AddFiles(*W, T.Dir(), "*.pas");
    F.Dialogs.Files = {QString::fromStdString(T.Path("no-such.fll"))};
    Find<QPushButton>(W.get(), "btnLoadFiles")->click();
    QCOMPARE(F.Dialogs.Errors().size(), size_t(1));
    QVERIFY(F.Dialogs.Errors()[0].contains("no-such.fll"));
    QCOMPARE(W->FileList().Count(), 0);
    QCOMPARE(W->BusyMode(), bmIdle);
  }

  void contextMenuEditsRemovesAndKeepsTheSelectedEntry() {
    TTempTree T;
    MakeTree(T);
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    TWindowFixture::AddFiles(*W, T.Dir(), "*.pas");
    auto* List = Find<QListView>(W.get(), "lbFiles");

    // Nothing selected: nothing happens.
    W->findChild<QAction*>("miRemoveFile")->trigger();
    W->findChild<QAction*>("miRemoveOthers")->trigger();
    W->findChild<QAction*>("miEditInFiles")->trigger();
    QCOMPARE(W->FileList().Count(), 3);
    QVERIFY(F.Opened.empty());

    List->setCurrentIndex(List->model()->index(1, 0));
    W->findChild<QAction*>("miEditInFiles")->trigger();
    QCOMPARE(F.Opened, std::vector<std::string>{T.Path("notes.txt/f.pas")});
    W->findChild<QAction*>("miRemoveFile")->trigger();
    QCOMPARE(Listed(*W, T), (QStringList{"a.pas", "sub/d.pas"}));
    // Nothing stays selected: removing again does nothing until an entry is chosen.
    QVERIFY(!List->currentIndex().isValid());
    W->findChild<QAction*>("miRemoveFile")->trigger();
    QCOMPARE(Listed(*W, T), (QStringList{"a.pas", "sub/d.pas"}));
    List->setCurrentIndex(List->model()->index(1, 0));
    W->findChild<QAction*>("miRemoveOthers")->trigger();
    QCOMPARE(Listed(*W, T), QStringList{"sub/d.pas"});
    QCOMPARE(W->findChild<QAction*>("miRemoveOthers")->text(), "Remove other files from List");
  }

  void switchingToAnotherProgramDoesNotCheckTheDirectory() {
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    auto* Dir = Find<TRecentComboBox>(W.get(), "cbDir");
    Dir->SetText("/half/typed");
    QFocusEvent Away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(Dir, &Away);
    QVERIFY(F.Dialogs.Shown.empty());
    QCOMPARE(Dir->currentText(), "/half/typed");
  }

  void leavingTheDirectoryBoxEndsItWithASlashAndTheChooserFillsIt() {
    TTempTree T;
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    auto* Dir = Find<TRecentComboBox>(W.get(), "cbDir");
    Dir->SetText(" " + T.Dir().substr(0, T.Dir().size() - 1) + "\t");
    QFocusEvent Out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(Dir, &Out);
    QCOMPARE(Dir->currentText().toStdString(), T.Dir());
    QVERIFY(F.Dialogs.Errors().empty());

    F.Dialogs.Files = {QString::fromStdString(T.Path("chosen"))};
    Find<QToolButton>(W.get(), "spbDirectory")->click();
    QCOMPARE(Dir->currentText().toStdString(), T.Path("chosen"));
    QCOMPARE(F.Dialogs.Shown.back().Kind, "SelectDirectory");
    QCOMPARE(F.Dialogs.Shown.back().Text.toStdString(), T.Dir());
  }

  // Stop is taken at the first status refresh, after the first directory without
  // subdirectories; the files found so far stay.
  void stopEndsTheWalkAtTheNextDirectory() {
    TTempTree T;
    T.File("top.txt", "x");
    for (const char* D : {"d1", "d2", "d3", "d4"}) T.File(std::string(D) + "/f.txt", "x");
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    auto* Stop = Find<QToolButton>(W.get(), "spbBusy");
    Find<TRecentComboBox>(W.get(), "cbDir")->SetText(T.Dir());
    Find<TRecentComboBox>(W.get(), "cbMask")->SetText("*.txt");
    // The click waits in the queue until the walk lets the window take input.
    QMetaObject::invokeMethod(Stop, &QToolButton::click, Qt::QueuedConnection);
    Find<QPushButton>(W.get(), "btnAdd")->click();
    QVERIFY(W->StopRequested());
    QCOMPARE(W->FileList().Count(), 2);
    QVERIFY(W->FileList().Contains(T.Path("top.txt")));
  }
};

QTEST_MAIN(SelectPageTest)
#include "SelectPageTest.moc"
