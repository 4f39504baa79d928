// The window's preview check boxes and "Undo Last Replace": a preview saves nothing and lists the
// changed lines; the undo asks, restores, and shows what it could not restore.
#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include <sstream>

#include "WindowFixture.h"
#include "support/TempTree.h"

class PreviewUndoTest : public QObject {
  Q_OBJECT

 private:
  template <class T>
  static T* Find(QObject* W, const char* Name) {
    return TWindowFixture::Find<T>(W, Name);
  }
  static QStringList Tree(TMain& W) {
    std::ostringstream Out;
    W.ResultTree().WriteText(Out, false, "\n");
    return QString::fromStdString(Out.str()).split('\n', Qt::SkipEmptyParts);
  }
  static void Replace(TMain& W, const char* Term, const char* By) {
    Find<TRecentComboBox>(&W, "cbSearch")->SetText(Term);
    Find<TRecentComboBox>(&W, "cbReplace")->SetText(By);
    Find<QCheckBox>(&W, "cbRPOverwrite")->setChecked(false);
    Find<QPushButton>(&W, "btnReplace")->click();
  }

 private slots:
  void previewSavesNothingAndListsTheChangedLines() {
    TTempTree T;
    T.File("a.txt", "one\nold two\nthree old\n");
    T.File("b.txt", "nothing\n");
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    TWindowFixture::AddFiles(*W, T.Dir(), "*.txt");
    auto* Preview = Find<QCheckBox>(W.get(), "cbRPPreview");
    QCOMPARE(Preview->text(), "Preview only, change no file");
    QCOMPARE(Find<QCheckBox>(W.get(), "cbAUPreview")->text(), "Preview only, change no file");
    Preview->setChecked(true);
    Replace(*W, "old", "new");

    QVERIFY(F.Dialogs.Errors().empty());
    QCOMPARE(T.Read("a.txt"), "one\nold two\nthree old\n");
    const QStringList Nodes = Tree(*W);
    QVERIFY(Nodes.contains("\t\t0 files were saved"));
    QVERIFY(Nodes.contains("\t\t1 file would be changed"));
    const int At = Nodes.indexOf(QString::fromStdString(T.Path("a.txt")));
    QVERIFY(At > 0);
    QCOMPARE(Nodes.mid(At + 4, 3),
             (QStringList{"\tPreview", "\t\t[Line 2] new two", "\t\t[Line 3] three new"}));

    // The box keeps its state between runs, like the page's other boxes.
    W->SaveSettings();
    auto Again = F.NewWindow();
    QVERIFY(Find<QCheckBox>(Again.get(), "cbRPPreview")->isChecked());
  }

  void undoLastReplaceAsksRestoresAndNamesWhatItKept() {
    TTempTree T;
    T.File("a.txt", "old a\n");
    T.File("b.txt", "old b\n");
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    TWindowFixture::AddFiles(*W, T.Dir(), "*.txt");
    Replace(*W, "old", "new");
    QCOMPARE(T.Read("a.txt"), "new a\n");
    T.File("b.txt", "edited\n");

    F.Dialogs.Answers = {true};
    Find<QPushButton>(W.get(), "btnUndoLast")->click();
    const std::vector<QString> Asked = F.Dialogs.Texts("Confirm");
    QCOMPARE(Asked.size(), size_t(1));
    QVERIFY(Asked[0].startsWith("Restore 2 files changed by the replace of "));
    QVERIFY(Asked[0].endsWith("?"));
    QCOMPARE(T.Read("a.txt"), "old a\n");
    QCOMPARE(T.Read("b.txt"), "edited\n");
    const QStringList Nodes = Tree(*W);
    QCOMPARE(Nodes.at(0), "Results for Undo");
    QVERIFY(Nodes.contains("\t\t1 file was restored"));
    const int At = Nodes.indexOf(QString::fromStdString(T.Path("b.txt")));
    QVERIFY(At > 0);
    QCOMPARE(Nodes.at(At + 2), "\t\tchanged since the replace, not restored");

    // Answering No restores nothing.
    Replace(*W, "old", "new");
    F.Dialogs.Answers = {false};
    Find<QPushButton>(W.get(), "btnUndoLast")->click();
    QCOMPARE(T.Read("a.txt"), "new a\n");
  }
};

QTEST_MAIN(PreviewUndoTest)
#include "PreviewUndoTest.moc"
