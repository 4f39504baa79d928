// The Tracing page: the list over the trace lines, Search and Next with the last line found, and
// the "Tracing" box switching tracing and its navigation button.
#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "WindowFixture.h"
#include "support/uFL_Log.h"
#include "uFL_TraceModel.h"

class TracingPageTest : public QObject {
  Q_OBJECT

 private:
  struct TPage {
    TWindowFixture F;
    std::unique_ptr<TMain> W;
    QListView* List;
    QLineEdit* Text;
    QPushButton* Search;
    QPushButton* Next;
  };

  // A window with tracing on and the lines of three files in the trace.
  static std::unique_ptr<TPage> PageWithTrace() {
    auto P = std::make_unique<TPage>();
    P->F.StoreCurrentVersion();
    P->F.Raw()->setValue("cbTrace_state", 1);
    P->W = P->F.NewWindow();
    P->W->TraceLog().Init(true);
    P->W->TraceLog().AddTrace("/src/alpha.pas", "Loaded 10 lines");
    P->W->TraceLog().AddTrace("/src/alpha.pas", "Found 2 occurences of Begin");
    P->W->TraceLog().AddTrace("/src/beta.pas", "Loaded 3 lines");
    P->W->TraceLog().AddTrace("/src/gamma.txt", "Found 1 occurences of BEGIN");
    P->W->TraceLog().AddTrace("/src/gamma.txt", "Saved");
    QCoreApplication::processEvents();  // the view learns of the lines
    P->List = TWindowFixture::Find<QListView>(P->W.get(), "lbTrace");
    P->Text = TWindowFixture::Find<QLineEdit>(P->W.get(), "edtSearch");
    P->Search = TWindowFixture::Find<QPushButton>(P->W.get(), "btnTraceSearch");
    P->Next = TWindowFixture::Find<QPushButton>(P->W.get(), "btnTraceNext");
    return P;
  }

  static int Selected(QListView* L) {
    return L->currentIndex().isValid() ? L->currentIndex().row() : -1;
  }

 private slots:
  void listShowsTheTraceLinesInColumns() {
    auto P = PageWithTrace();
    QCOMPARE(P->List->model()->rowCount(), 5);
    QCOMPARE(P->List->model()->index(0, 0).data().toString(),
             "alpha.pas.....................Loaded 10 lines");
    QCOMPARE(P->List->model()->index(1, 0).data().toString(),
             QString(30, ' ') + "Found 2 occurences of Begin");
  }

  void searchFindsFromTheTopAndNextGoesOnAfterTheLastFind_data() {
    QTest::addColumn<QString>("Text");
    QTest::addColumn<QStringList>("Clicks");
    QTest::addColumn<QList<int>>("Selections");
    QTest::newRow("search, then next")
        << "begin" << QStringList{"Search", "Next", "Next"} << QList<int>{1, 3, 3};
    QTest::newRow("case does not matter")
        << "LOADED" << QStringList{"Search", "Next", "Next"} << QList<int>{0, 2, 2};
    QTest::newRow("next before any search starts at the second line")
        << "loaded" << QStringList{"Next"} << QList<int>{2};
    QTest::newRow("search again restarts")
        << "saved" << QStringList{"Search", "Search"} << QList<int>{4, 4};
    QTest::newRow("nothing found selects nothing")
        << "missing" << QStringList{"Search", "Next"} << QList<int>{-1, -1};
    QTest::newRow("empty text finds nothing") << "" << QStringList{"Search"} << QList<int>{-1};
  }
  void searchFindsFromTheTopAndNextGoesOnAfterTheLastFind() {
    QFETCH(QString, Text);
    QFETCH(QStringList, Clicks);
    QFETCH(QList<int>, Selections);
    auto P = PageWithTrace();
    P->Text->setText(Text);
    for (int i = 0; i < Clicks.size(); ++i) {
      (Clicks[i] == "Search" ? P->Search : P->Next)->click();
      QCOMPARE(Selected(P->List), Selections[i]);
    }
  }

  void lastFoundSurvivesTheTraceBeingEmptied() {
    auto P = PageWithTrace();
    P->Text->setText("occurences");
    P->Search->click();
    P->Next->click();
    QCOMPARE(P->W->LastFound(), 3);
    P->W->TraceLines().Clear();
    P->W->TraceLog().AddTrace("/x/a", "one occurences");
    P->W->TraceLog().AddTrace("/x/a", "two occurences");
    P->Next->click();
    QCOMPARE(P->W->LastFound(), 3);
    QCOMPARE(Selected(P->List), -1);
  }

  void tracingBoxSwitchesTracingAndTheTraceButton() {
    auto P = PageWithTrace();
    auto* Box = TWindowFixture::Find<QCheckBox>(P->W.get(), "cbTrace");
    auto* Button = TWindowFixture::Find<QToolButton>(P->W.get(), "spbTrace");
    QVERIFY(Box->isChecked());
    Box->click();
    QVERIFY(Button->isHidden());
    QVERIFY(!Button->isEnabled());
    P->W->TraceLog().AddTrace("/src/delta.pas", "not written");
    QCOMPARE(P->W->TraceLines().Count(), 5);
    Box->click();
    // The block of delta began while tracing was off, so its next line has no name column.
    P->W->TraceLog().AddTrace("/src/delta.pas", "continued");
    P->W->TraceLog().AddTrace("/src/epsilon.pas", "written with its name");
    QCOMPARE(P->W->TraceLines().Count(), 7);
    QCOMPARE(QString::fromStdString(P->W->TraceLines()[5]), QString(30, ' ') + "continued");
    QCOMPARE(QString::fromStdString(P->W->TraceLines()[6]),
             "epsilon.pas...................written with its name");
    QVERIFY(!Button->isHidden());
  }

  void traceModelKeepsItsContractThroughAppendsFiltersAndClears() {
    TTraceLines Lines;
    TTraceModel Model(Lines);
    QAbstractItemModelTester Tester(&Model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    TTraceLog Log(Lines, true);
    QSignalSpy Inserted(&Model, &QAbstractItemModel::rowsInserted);
    for (int i = 0; i < 20; ++i) Log.AddTrace("/f" + std::to_string(i % 3), "line");
    QCOMPARE(Model.rowCount(), 0);
    QCoreApplication::processEvents();  // the queued flush: one insertion for all twenty
    QCOMPARE(Model.rowCount(), 20);
    QCOMPARE(Inserted.count(), 1);
    Log.AddTrace("/f9", "one more");
    Model.Flush();
    QCOMPARE(Model.rowCount(), 21);
    Log.KeepTraceOfFile("/f1");
    QCOMPARE(Model.rowCount(), 7);
    Log.AddTrace("/f1", "pending");
    Lines.Clear();  // a reset drops what was still to be announced
    Lines.Clear();
    QCOMPARE(Model.rowCount(), 0);
  }
};

QTEST_MAIN(TracingPageTest)
#include "TracingPageTest.moc"
