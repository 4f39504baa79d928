// The action pages over a temporary tree with the real core: search with its statistics and line
// entries, replace with the overwrite question, the term files, the checks, adding a unit,
// running a script, the input messages and Stop in the middle of an action.
#include <sys/stat.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>
#include <sstream>

#include "WindowFixture.h"
#include "support/TempTree.h"
#include "uFL_CheckListBox.h"
#include "uFL_ResultTreeModel.h"

class ActionPagesTest : public QObject {
  Q_OBJECT

 private:
  template <class T>
  static T* Find(QObject* W, const char* Name) {
    return TWindowFixture::Find<T>(W, Name);
  }
  static void Click(TMain& W, const char* Button) { Find<QPushButton>(&W, Button)->click(); }
  static void Type(TMain& W, const char* Box, const std::string& Text) {
    Find<TRecentComboBox>(&W, Box)->SetText(Text);
  }
  // Entering a box as the user does: it empties the box's list.
  static void Enter(TMain& W, const char* Box) {
    QFocusEvent In(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(Find<TRecentComboBox>(&W, Box), &In);
  }

  // Every node's text, one tab per level, as the full results layout has it.
  static QStringList Tree(TMain& W) {
    std::ostringstream Out;
    W.ResultTree().WriteText(Out, false, "\n");
    return QString::fromStdString(Out.str()).split('\n', Qt::SkipEmptyParts);
  }
  static QStringList Statistics(TMain& W) {
    QStringList S;
    for (const auto& Line : W.ResultTree().Top(0)->Children.at(0)->Children)
      S << QString::fromStdString(Line->Text);
    return S;
  }

  struct TSet {
    TTempTree T;
    TWindowFixture F;
    std::unique_ptr<TMain> W;
  };
  static std::unique_ptr<TSet> WindowWithSet(
      const std::vector<std::pair<std::string, std::string>>& Files, const char* Mask) {
    auto S = std::make_unique<TSet>();
    for (const auto& [Name, Bytes] : Files) S->T.File(Name, Bytes);
    S->F.StoreCurrentVersion();
    S->W = S->F.NewWindow();
    TWindowFixture::AddFiles(*S->W, S->T.Dir(), Mask);
    return S;
  }

 private slots:
  void searchShowsTheStatisticsAndTheMatchedLines() {
    auto S = WindowWithSet({{"a.txt", "begin\nnothing\n  begin end\n"},
                            {"b.txt", "none here\n"},
                            {"c.txt", "BEGIN\n"}},
                           "*.txt");
    Type(*S->W, "cbSearch", "begin");
    Click(*S->W, "btnSearch");

    QCOMPARE(S->F.Dialogs.Texts("Warning"),
             std::vector<QString>{
                 "This is a Test version! [0.25 Alpha] Make sure you have backups of your files "
                 "and check performed actions for correctness. The author does not accept any "
                 "liability for damage from using this program. Continue?"});
    QVERIFY(S->F.Dialogs.Errors().empty());
    QCOMPARE(Find<QTabWidget>(S->W.get(), "pcMain")->currentWidget()->objectName(), "tsResults");
    const QStringList Nodes = Tree(*S->W);
    QCOMPARE(Nodes.at(0), "Results for Search");
    QCOMPARE(Statistics(*S->W).mid(1),
             (QStringList{"3 files were done", "2 files have results",
                          "3 occurences of [begin] were found", "0 files were saved"}));
    QVERIFY(Statistics(*S->W).at(0).startsWith("Action took "));
    const QString A = QString::fromStdString(S->T.Path("a.txt"));
    const int At = Nodes.indexOf(A);
    QVERIFY(At > 0);
    QCOMPARE(Nodes.mid(At, 4),
             (QStringList{A, "\tSearch", "\t\t[Line    1] begin", "\t\t[Line    3]   begin end"}));
    QVERIFY(Nodes.contains(QString::fromStdString(S->T.Path("c.txt"))));
    QVERIFY(!Nodes.contains(QString::fromStdString(S->T.Path("b.txt"))));
    // The header and its statistics are expanded, the file nodes are not.
    auto* View = Find<QTreeView>(S->W.get(), "tvResults");
    QVERIFY(View->isExpanded(View->model()->index(0, 0)));
    QVERIFY(!View->isExpanded(View->model()->index(1, 0)));
    QVERIFY(Find<QLabel>(S->W.get(), "lblStatus")->text().endsWith("There are results."));
  }

  // Bringing the results page forward happens before the busy state begins; a click already
  // waiting then must not start a second action inside the first.
  void aQueuedClickCannotStartASecondActionWhileTheFirstBegins() {
    auto S = WindowWithSet({{"a.txt", "begin\n"}}, "*.txt");
    Type(*S->W, "cbSearch", "begin");
    auto* Search = Find<QPushButton>(S->W.get(), "btnSearch");
    QMetaObject::invokeMethod(Search, "click", Qt::QueuedConnection);
    Search->click();
    QCOMPARE(S->F.Dialogs.Texts("Warning").size(), size_t(1));
    QCOMPARE(Statistics(*S->W).mid(1, 1), QStringList{"1 file was done"});
  }

  void searchingAgainUsesTheSameTermUntilTheBoxIsEntered() {
    auto S = WindowWithSet({{"a.txt", "alpha beta\n"}}, "*.txt");
    Type(*S->W, "cbSearch", "alpha");
    Click(*S->W, "btnSearch");
    Type(*S->W, "cbSearch", "beta");  // not entered: the list still holds alpha
    Click(*S->W, "btnSearch");
    QVERIFY(Statistics(*S->W).contains("1 occurence of [alpha] was found"));
    Enter(*S->W, "cbSearch");
    Click(*S->W, "btnSearch");
    QVERIFY(Statistics(*S->W).contains("1 occurence of [beta] was found"));
  }

  // Only the user enters a box: by a click, Tab or a shortcut.
  void comingBackToTheWindowKeepsTheLoadedTerms() {
    auto S = WindowWithSet({{"three.lst", "a\nb\nc\n"}}, "*.txt");
    S->F.Dialogs.Files = {QString::fromStdString(S->T.Path("three.lst"))};
    Find<QToolButton>(S->W.get(), "spbMultiSearch")->click();
    auto* Search = Find<TRecentComboBox>(S->W.get(), "cbSearch");
    // Back from another program, and the focus the window moves itself on a page switch.
    for (Qt::FocusReason Reason : {Qt::ActiveWindowFocusReason, Qt::OtherFocusReason}) {
      QFocusEvent Back(QEvent::FocusIn, Reason);
      QApplication::sendEvent(Search, &Back);
    }
    QCOMPARE(S->W->SearchList.size(), size_t(3));
    QVERIFY(Search->IsGrey());
  }

  void inputChecksShowTheirMessage_data() {
    QTest::addColumn<QString>("Button");
    QTest::addColumn<QString>("Message");
    QTest::newRow("search") << "btnSearch"
                            << "Please enter Search Text";
    QTest::newRow("replace") << "btnReplace"
                             << "Please enter Search Text";
    QTest::newRow("run") << "btnRunWith"
                         << "Enter program to run the file with";
    QTest::newRow("unit") << "btnAddUnit"
                          << "Please enter Unit name";
    QTest::newRow("delphi") << "btnDelphiCheck"
                            << "Select one or more Checks";
    QTest::newRow("oracle") << "btnOracleCheck"
                            << "Select one or more Checks";
  }
  void inputChecksShowTheirMessage() {
    QFETCH(QString, Button);
    QFETCH(QString, Message);
    auto S = WindowWithSet({{"a.txt", "x\n"}}, "*.txt");
    S->W->findChild<QPushButton*>(Button)->click();
    QCOMPARE(S->F.Dialogs.Informations(), std::vector<QString>{Message});
    QVERIFY(S->F.Dialogs.Texts("Warning").empty());
    QVERIFY(S->W->ResultTree().Empty());
  }

  void replaceNeedsAReplacementAndAnEmptySetIsRefused() {
    auto S = WindowWithSet({}, "*.txt");
    Type(*S->W, "cbSearch", "a");
    Click(*S->W, "btnReplace");
    Type(*S->W, "cbReplace", "b");
    Click(*S->W, "btnReplace");
    QCOMPARE(S->F.Dialogs.Informations(),
             (std::vector<QString>{"Please enter Replacement Text",
                                   "No files in list, select some files to perform action on"}));
  }

  void replaceAsksPerChangedFileAndSavesOnlyTheYes() {
    auto S = WindowWithSet({{"a.txt", "old one\r\n"}, {"b.txt", "old two\r\n"}}, "*.txt");
    Type(*S->W, "cbSearch", "old");
    Type(*S->W, "cbReplace", "new");
    S->F.Dialogs.Answers = {true, true, false};  // the warning, then a.txt yes, b.txt no
    Click(*S->W, "btnReplace");

    QCOMPARE(
        S->F.Dialogs.Texts("Confirm"),
        (std::vector<QString>{
            QString::fromStdString("Overwrite " + S->T.Path("a.txt") + " with changed version?"),
            QString::fromStdString("Overwrite " + S->T.Path("b.txt") + " with changed version?")}));
    QCOMPARE(S->T.Read("a.txt"), std::string("new one\r\n"));
    QCOMPARE(S->T.Read("b.txt"), std::string("old two\r\n"));
    QVERIFY(Statistics(*S->W).contains("2 occurences of [old] were replaced"));
    QVERIFY(Statistics(*S->W).contains("1 file was saved"));
    QVERIFY(Tree(*S->W).contains("\t\tUser selected not to Overwrite this file"));
    QCOMPARE(S->F.Slept, 1000);  // a saved file re-reads the list after the pause
  }

  void replaceWithoutConfirmationSavesEveryChangedFile() {
    auto S = WindowWithSet({{"a.txt", "x\n"}, {"b.txt", "x x\n"}}, "*.txt");
    Find<QCheckBox>(S->W.get(), "cbRPOverwrite")->setChecked(false);
    Type(*S->W, "cbSearch", "x");
    Type(*S->W, "cbReplace", "y");
    Click(*S->W, "btnReplace");
    QVERIFY(S->F.Dialogs.Texts("Confirm").empty());
    QCOMPARE(S->T.Read("b.txt"), std::string("y y\n"));
  }

  void termFilesFillTheBoxOrGreyIt() {
    auto S = WindowWithSet({{"a.txt", "alpha beta gamma\n"},
                            {"one.lst", "alpha\n"},
                            {"three.lst", "alpha\nbeta\ngamma\n"},
                            {"holes.lst", "alpha\n\nbeta\n"},
                            {"two.lst", "A\nB\n"}},
                           "*.txt");
    auto* Search = Find<TRecentComboBox>(S->W.get(), "cbSearch");
    auto* Summary = Find<QStatusBar>(S->W.get(), "sbSearchReplace");
    auto Load = [&](const char* Button, const char* File) {
      S->F.Dialogs.Files = {QString::fromStdString(S->T.Path(File))};
      Find<QToolButton>(S->W.get(), Button)->click();
    };

    Load("spbMultiSearch", "one.lst");
    QCOMPARE(Search->currentText(), "alpha");
    QVERIFY(!Search->IsGrey());
    QCOMPARE(S->F.Dialogs.Shown.back().Text, "Textfile with SearchData");

    Load("spbMultiSearch", "three.lst");
    QCOMPARE(Search->currentText(), "");
    QVERIFY(Search->IsGrey());
    QCOMPARE(Summary->currentMessage(), "Searching for 3 texts");

    // Three terms and two replacements do not pair.
    Load("spbMultiReplace", "two.lst");
    QCOMPARE(S->F.Dialogs.Informations().back(),
             "SearchList and Replacelist have a different number of items, Replacelist has been "
             "rejected");
    QVERIFY(S->W->ReplaceList.empty());
    QVERIFY(!Find<TRecentComboBox>(S->W.get(), "cbReplace")->IsGrey());

    Load("spbMultiSearch", "holes.lst");
    QCOMPARE(S->F.Dialogs.Errors(),
             std::vector<QString>{"Textfile contained empty lines, file rejected"});
    QVERIFY(S->W->SearchList.empty());

    Load("spbMultiSearch", "three.lst");
    Type(*S->W, "cbReplace", "X");
    Click(*S->W, "btnReplace");
    QCOMPARE(S->F.Dialogs.Informations().back(), "Incorrect input, cannot Replace");

    Enter(*S->W, "cbSearch");
    QVERIFY(!Search->IsGrey());
    QVERIFY(S->W->SearchList.empty());
  }

  void typedTermWithAReplacementFileIsRejected() {
    auto S = WindowWithSet({{"one.lst", "x\n"}}, "*.txt");
    Type(*S->W, "cbSearch", "typed");
    S->F.Dialogs.Files = {QString::fromStdString(S->T.Path("one.lst"))};
    Find<QToolButton>(S->W.get(), "spbMultiReplace")->click();
    QCOMPARE(S->F.Dialogs.Informations(),
             std::vector<QString>{"SearchList and Replacelist have a different number of items, "
                                  "Replacelist has been rejected"});
  }

  void delphiChecksReportOnTheUnits() {
    auto S = WindowWithSet(
        {{"u.pas",
          "unit u;\ninterface\nimplementation\nprocedure P;\nbegin\n  X := 1;\nend;\nend.\n"}},
        "*.pas");
    Find<TCheckListBox>(S->W.get(), "clbDelphiChecks")->SetChecked(2, true);
    Click(*S->W, "btnDelphiCheck");
    QCOMPARE(S->W->ChosenChecks, CheckBit(coNoTryExcept));
    QCOMPARE(Tree(*S->W).at(0), "Results for Checks");
    QVERIFY(Tree(*S->W).contains("\t\tNo Try..Except construction found"));
  }

  void oracleCheckReportsCursorsWithoutClose() {
    auto S =
        WindowWithSet({{"p.sql",
                        "CREATE OR REPLACE PROCEDURE p IS\n  CURSOR c1 IS SELECT 1 FROM dual;\n"
                        "BEGIN\n  OPEN c1;\n  FETCH c1 INTO x;\nEND;\n/\n"}},
                      "*.sql");
    Find<TCheckListBox>(S->W.get(), "clbOracleChecks")->SetChecked(0, true);
    Click(*S->W, "btnOracleCheck");
    QCOMPARE(S->W->ChosenChecks, CheckBit(coOpenFetchClose));
    const QStringList Nodes = Tree(*S->W);
    QVERIFY2(std::any_of(Nodes.begin(), Nodes.end(),
                         [](const QString& N) {
                           return N.contains("Open=Fetch=Close does not match for");
                         }),
             qPrintable(Nodes.join('|')));
  }

  void addUnitChangesTheSecondUsesClause() {
    auto S = WindowWithSet({{"u.pas",
                             "unit u;\r\ninterface\r\nuses A;\r\nimplementation\r\nuses B;\r\n"
                             "end.\r\n"}},
                           "*.pas");
    Find<QCheckBox>(S->W.get(), "cbAUOverwrite")->setChecked(false);
    Type(*S->W, "cbUnit", "Added");
    Click(*S->W, "btnAddUnit");
    QVERIFY(S->F.Dialogs.Errors().empty());
    QCOMPARE(Tree(*S->W).at(0), "Results for AddUnit");
    QCOMPARE(S->T.Read("u.pas"),
             std::string("unit u;\r\ninterface\r\nuses A;\r\nimplementation\r\nuses Added, B;\r\n"
                         "end.\r\n"));
    QVERIFY(Statistics(*S->W).contains("1 file was saved"));
  }

  void runWithAScriptRunsItOncePerFile() {
    auto S = WindowWithSet({{"a.txt", "1"}, {"b.txt", "2"}, {"fail.txt", "3"}}, "*.txt");
    const std::string Script = S->T.File("mark.sh",
                                         "#!/bin/sh\n"
                                         "touch \"$1.done\"\n"
                                         "case \"$1\" in *fail*) exit 3;; esac\n");
    chmod(Script.c_str(), 0755);
    Type(*S->W, "cbRunWith", Script);
    Type(*S->W, "cbParams", "!P!N");
    Find<QCheckBox>(S->W.get(), "cbShowOutput")->setChecked(false);
    Click(*S->W, "btnRunWith");
    QVERIFY(S->F.Dialogs.Errors().empty());
    for (const char* F : {"a.txt.done", "b.txt.done", "fail.txt.done"})
      QVERIFY2(::access(S->T.Path(F).c_str(), F_OK) == 0, F);
    QVERIFY(Statistics(*S->W).contains(
        "1 files had non-zero exitcodes, 2 completed with zero exitcode"));
    QCOMPARE(S->F.Slept, 1000);
  }

  void regexErrorEndsTheActionAndIsShown() {
    auto S = WindowWithSet({{"a.txt", "x\n"}, {"b.txt", "y\n"}}, "*.txt");
    Find<QCheckBox>(S->W.get(), "cbRegExp")->setChecked(true);
    Type(*S->W, "cbSearch", "(unclosed");
    Click(*S->W, "btnSearch");
    QCOMPARE(S->F.Dialogs.Errors().size(), size_t(1));
    QCOMPARE(S->W->BusyMode(), bmIdle);
    QVERIFY(Find<QWidget>(S->W.get(), "tsAction")->isEnabled());
    QCOMPARE(Tree(*S->W).at(0), "Results for Search");
    QVERIFY(Statistics(*S->W).contains("0 files were done"));
  }

  // The user presses Stop while the first file's results come in: that file is finished, the
  // others are skipped, and the commands that rebuild the file list wait for the end.
  void stopFinishesTheCurrentFileAndSkipsTheRest() {
    auto S = WindowWithSet({{"1.txt", "hit\n"},
                            {"2.txt", "hit\n"},
                            {"3.txt", "hit\n"},
                            {"4.txt", "hit\n"},
                            {"5.txt", "hit\n"}},
                           "*.txt");
    auto* Stop = Find<QToolButton>(S->W.get(), "spbBusy");
    auto* Model = Find<QTreeView>(S->W.get(), "tvResults")->model();
    bool RebuildersDisabled = false, Pressed = false;
    // The first file's node reaches the view when the window takes input after that file; the
    // user's click comes in at that moment.
    connect(Model, &QAbstractItemModel::rowsInserted, this,
            [&](const QModelIndex& Parent, int, int Last) {
              if (Parent.isValid() || Last < 1 || Pressed) return;
              Pressed = true;
              RebuildersDisabled = !Find<QPushButton>(S->W.get(), "btnResToSet")->isEnabled() &&
                                   !S->W->findChild<QAction*>("miResultRemoveOthers")->isEnabled();
              Stop->click();
            });
    Type(*S->W, "cbSearch", "hit");
    Click(*S->W, "btnSearch");
    QVERIFY(RebuildersDisabled);
    QVERIFY(Statistics(*S->W).contains("1 file was done"));
    QCOMPARE(Statistics(*S->W).last(), "Action was interrupted by User");
    QCOMPARE(S->W->ResultTree().TopCount(), 2);
    QVERIFY(Find<QPushButton>(S->W.get(), "btnResToSet")->isEnabled());
  }

  void actionStoresTheSettingsWithTheNewRecentEntry() {
    auto S = WindowWithSet({{"a.txt", "x\n"}}, "*.txt");
    Type(*S->W, "cbSearch", "fresh");
    Click(*S->W, "btnSearch");
    QCOMPARE(S->F.Raw()->value("cbSearch_mru").toString(), "fresh\r\n");
    QCOMPARE(Find<TRecentComboBox>(S->W.get(), "cbSearch")->count(), 1);
  }
};

QTEST_MAIN(ActionPagesTest)
#include "ActionPagesTest.moc"
