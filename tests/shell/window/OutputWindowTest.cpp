// The results page's SARIF save, equal to ferrolin-cli's log of the same run, and the editor
// command: "Edit" and a double click on a line entry, the file node at line 1, empty as before.
#include <QAction>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include "WindowFixture.h"
#include "support/CliCall.h"
#include "support/TempTree.h"
#include "uFL_ResultTreeModel.h"

class OutputWindowTest : public QObject {
  Q_OBJECT

  struct TSearched {
    TTempTree T;
    TWindowFixture F;
    std::unique_ptr<TMain> W;
    std::vector<std::vector<std::string>> Started;
    QTreeView* View = nullptr;
  };

  static std::unique_ptr<TSearched> Searched() {
    auto S = std::make_unique<TSearched>();
    S->T.File("a.pas", "unit a;\nbegin\n  x := 1;\nend.\n");
    S->T.File("sub/b c.pas", "begin\n");
    S->T.File("bin.pas", std::string("bin\0ary", 7));
    S->F.StoreCurrentVersion();
    S->W = S->F.NewWindow();
    S->W->StartEditor = [P = S.get()](const std::vector<std::string>& Words) {
      P->Started.push_back(Words);
    };
    TWindowFixture::AddFiles(*S->W, S->T.Dir(), "*.pas");
    TWindowFixture::Find<TRecentComboBox>(S->W.get(), "cbSearch")->SetText("begin");
    TWindowFixture::Find<QPushButton>(S->W.get(), "btnSearch")->click();
    S->View = TWindowFixture::Find<QTreeView>(S->W.get(), "tvResults");
    return S;
  }

  // The index of the node Path under the file node of File (a path of rows below it).
  static QModelIndex Node(TSearched& S, const std::string& File, std::vector<int> Rows) {
    QAbstractItemModel* M = S.View->model();
    for (int r = 0; r < M->rowCount(); ++r) {
      QModelIndex I = M->index(r, 0);
      if (I.data().toString().toStdString() != File) continue;
      for (int Row : Rows) I = M->index(Row, 0, I);
      return I;
    }
    return {};
  }

 private slots:
  void sarifSaveEqualsTheCliLog() {
    auto S = Searched();
    S->F.Dialogs.Answers = {true, false};  // Yes was the action's warning; No: not names only
    S->F.Dialogs.Files = {QString::fromStdString(S->T.Path("saved.sarif"))};
    TWindowFixture::Find<QPushButton>(S->W.get(), "btnSave")->click();
    const TCliCall Cli = CallCli(
        {"search", "--dir", S->T.Dir(), "--mask", "*.pas", "--term", "begin", "--format", "sarif"});
    QCOMPARE(Cli.Status, 0);
    const std::string Saved = S->T.Read("saved.sarif");
    QVERIFY(Saved.find("\"ruleId\": \"error\"") != std::string::npos);
    QCOMPARE(Saved, Cli.Out);
  }

  void editorCommandOpensTheLine() {
    auto S = Searched();
    const std::string A = S->T.Path("a.pas"), B = S->T.Path("sub/b c.pas");
    auto* Editor = TWindowFixture::Find<TRecentComboBox>(S->W.get(), "cbEditor");
    auto* Edit = TWindowFixture::Find<QAction>(S->W.get(), "miEditInResults");

    // Empty: the desktop's application, as before.
    S->View->setCurrentIndex(Node(*S, A, {0, 0}));
    Edit->trigger();
    QCOMPARE(S->F.Opened, std::vector<std::string>{A});

    Editor->SetText("ed +{line}:{col} {file}");
    Edit->trigger();
    S->View->setCurrentIndex(Node(*S, B, {0, 0}));
    emit S->View->doubleClicked(S->View->currentIndex());
    S->View->setCurrentIndex(Node(*S, B, {}));
    Edit->trigger();
    emit S->View->doubleClicked(
        S->View->currentIndex());  // a file node: no editor, the tree expands as ever
    QCOMPARE(S->Started, (std::vector<std::vector<std::string>>{
                             {"ed", "+2:1", A}, {"ed", "+1:1", B}, {"ed", "+1:1", B}}));
    QCOMPARE(S->F.Opened.size(), size_t(1));

    // Kept like the other boxes.
    S->W->SaveSettings();
    auto W2 = S->F.NewWindow();
    QCOMPARE(TWindowFixture::Find<TRecentComboBox>(W2.get(), "cbEditor")->Text(),
             std::string("ed +{line}:{col} {file}"));
  }
};

QTEST_MAIN(OutputWindowTest)
#include "OutputWindowTest.moc"
