// The single-instance guard: a second copy is refused with its message while the first runs, and
// the lock of a copy that crashed does not block the next start.
#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "FakeDialogs.h"
#include "uFL_CheckOtherInstances.h"

namespace {
// The other copy, started as this test program with a role: "hold" takes the lock and waits for
// a line on stdin; "crash" takes it and dies without releasing it; "probe" reports its answer.
int ChildMain(const char* Role, const QString& Dir) {
  TFakeDialogs Dialogs;
  auto Guard = CheckOtherInstances(Dir, Dialogs);
  if (std::strcmp(Role, "crash") == 0) std::_Exit(3);
  if (std::strcmp(Role, "hold") == 0) {
    std::puts(Guard ? "locked" : "refused");
    std::fflush(stdout);
    std::getchar();
    return 0;
  }
  if (!Guard) {
    std::puts(qPrintable(Dialogs.Informations().at(0)));
    return 1;
  }
  return 0;
}
}  // namespace

class InstanceGuardTest : public QObject {
  Q_OBJECT

 private:
  static QProcess* Start(const char* Role, const QString& Dir, QObject* Parent) {
    auto* P = new QProcess(Parent);
    P->start(QCoreApplication::applicationFilePath(), {"--child", Role, Dir});
    return P;
  }

 private slots:
  void secondCopyIsRefusedWhileTheFirstRuns() {
    QTemporaryDir Dir;
    QObject Owner;
    QProcess* First = Start("hold", Dir.path(), &Owner);
    QVERIFY(First->waitForReadyRead(30000));
    QCOMPARE(First->readLine().trimmed(), QByteArray("locked"));

    QProcess* Second = Start("probe", Dir.path(), &Owner);
    QVERIFY(Second->waitForFinished(30000));
    QCOMPARE(Second->exitCode(), 1);
    QCOMPARE(QString::fromUtf8(Second->readAllStandardOutput().trimmed()),
             "Ferrolin is already running and will not start up. If this message seems erroneous "
             "try rebooting.");

    // In this process too, while the first copy runs.
    TFakeDialogs Dialogs;
    QVERIFY(!CheckOtherInstances(Dir.path(), Dialogs));

    First->write("\n");
    QVERIFY(First->waitForFinished(30000));
    QCOMPARE(First->exitCode(), 0);
    QVERIFY(CheckOtherInstances(Dir.path(), Dialogs) != nullptr);
  }

  void lockOfACrashedCopyIsTakenOver() {
    QTemporaryDir Dir;
    QObject Owner;
    QProcess* Crashed = Start("crash", Dir.path(), &Owner);
    QVERIFY(Crashed->waitForFinished(30000));
    QCOMPARE(Crashed->exitCode(), 3);
    QVERIFY(QFile::exists(Dir.filePath("Ferrolin.lock")));

    TFakeDialogs Dialogs;
    auto Guard = CheckOtherInstances(Dir.path(), Dialogs);
    QVERIFY(Guard != nullptr);
    QVERIFY(Dialogs.Shown.empty());
  }

  void lockThatCannotBeMadeLetsTheProgramRun() {
    TFakeDialogs Dialogs;
    QVERIFY(CheckOtherInstances("/proc/no-such-place", Dialogs) != nullptr);
    QVERIFY(Dialogs.Shown.empty());
  }
};

int main(int argc, char* argv[]) {
  if (argc == 4 && std::strcmp(argv[1], "--child") == 0) {
    QCoreApplication App(argc, argv);
    return ChildMain(argv[2], QString::fromLocal8Bit(argv[3]));
  }
  QApplication App(argc, argv);
  InstanceGuardTest Test;
  return QTest::qExec(&Test, argc, argv);
}

#include "InstanceGuardTest.moc"
