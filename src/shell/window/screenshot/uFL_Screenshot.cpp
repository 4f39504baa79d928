// Makes pictures of every page of the window over a small demonstration file set, for the README.
// Usage: ferrolin-screenshot OUTDIR. Settings go to a temporary folder; the user's stay untouched.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeView>

#include <cstdio>

#include "uFL_CheckListBox.h"
#include "uFL_Dialogs.h"
#include "uFL_Main.h"
#include "uFL_RecentComboBox.h"

namespace {

// Answers every question with Yes and cancels every file dialog.
class TYesDialogs : public IDialogs {
 public:
  void Information(const QString&) override {}
  bool Warning(const QString&) override { return true; }
  bool Confirm(const QString&) override { return true; }
  void Error(const QString& Text) override { std::fprintf(stderr, "%s\n", qPrintable(Text)); }
  std::optional<QString> OpenFile(const QString&, const QString&) override { return {}; }
  std::optional<QString> SaveFile(const QString&, const QString&) override { return {}; }
  std::optional<QString> SelectDirectory(const QString&) override { return {}; }
};

void Write(const QString& Path, const char* Text) {
  QDir().mkpath(QFileInfo(Path).absolutePath());
  QFile F(Path);
  if (F.open(QIODevice::WriteOnly)) F.write(Text);
}

void MakeDemoSet(const QString& Root) {
  Write(Root + "/src/Main.pas",
        "unit Main;\r\ninterface\r\nuses Classes, SysUtils;\r\nimplementation\r\nuses Forms;\r\n"
        "procedure Run;\r\nvar L: TStringList;\r\nbegin\r\n  L := TStringList.Create;\r\n"
        "  L.Add('begin');\r\nend;\r\nend.\r\n");
  Write(Root + "/src/Utils.pas",
        "unit Utils;\r\ninterface\r\nimplementation\r\nuses SysUtils;\r\nfunction Twice(N: "
        "Integer): Integer;\r\nbegin\r\n  Result := N * 2;\r\nend;\r\nend.\r\n");
  Write(Root + "/src/forms/About.pas",
        "unit About;\r\ninterface\r\nimplementation\r\nuses Forms;\r\nend.\r\n");
  Write(Root + "/sql/orders.sql",
        "CREATE OR REPLACE PROCEDURE p IS\n  CURSOR c IS SELECT 1 FROM dual;\nBEGIN\n  OPEN c;\n"
        "  FETCH c INTO x;\nEND;\n");
  Write(Root + "/README.txt", "Demonstration files for the screenshots.\n");
}

bool Grab(TMain& Main, const QString& File) {
  QCoreApplication::processEvents();
  return Main.grab().save(File);
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication App(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: ferrolin-screenshot OUTDIR\n");
    return 2;
  }
  const QString Out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(Out);
  QTemporaryDir Settings;
  // A fixed place, so that the pictures show the same paths every time they are made.
  QDir Demo(QDir::tempPath() + "/ferrolin-demo");
  Demo.removeRecursively();
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Settings.path());
  QSettings("Vendalor", "Ferrolin").setValue("FL_Version", "0.25 Alpha");
  QSettings("Vendalor", "Ferrolin").setValue("cbTrace_state", 1);
  MakeDemoSet(Demo.path());

  TYesDialogs Dialogs;
  TMain Main(Dialogs);
  Main.Sleep = [](int) {};
  Main.show();
  auto* Dir = Main.findChild<TRecentComboBox*>("cbDir");
  Dir->SetText((Demo.path() + "/").toStdString());
  auto* Types = Main.findChild<TCheckListBox*>("clbFileTypes");
  Types->SetChecked(20, true);  // *.pas
  Types->SetChecked(26, true);  // *.sql
  Types->SetChecked(27, true);  // *.txt
  Main.findChild<QPushButton*>("btnAdd")->click();
  bool Ok = true;

  Main.findChild<QAction*>("actAction")->trigger();
  Main.findChild<TRecentComboBox*>("cbSearch")->SetText("begin");
  Main.findChild<TRecentComboBox*>("cbReplace")->SetText("BEGIN");
  Ok = Grab(Main, Out + "/screenshot-actions.png") && Ok;
  Main.findChild<QAction*>("actDelphi")->trigger();
  Main.findChild<TRecentComboBox*>("cbUnit")->SetText("Windows");
  Main.findChild<TCheckListBox*>("clbDelphiChecks")->SetChecked(0, true);
  Ok = Grab(Main, Out + "/screenshot-delphi.png") && Ok;
  Main.findChild<QAction*>("actOracle")->trigger();
  Ok = Grab(Main, Out + "/screenshot-oracle.png") && Ok;

  Main.findChild<QAction*>("actGeneric")->trigger();
  Main.findChild<QPushButton*>("btnSearch")->click();
  Main.findChild<QTreeView*>("tvResults")->expandAll();
  Ok = Grab(Main, Out + "/screenshot-results.png") && Ok;
  Main.findChild<QAction*>("actTrace")->trigger();
  Ok = Grab(Main, Out + "/screenshot-trace.png") && Ok;
  Main.findChild<QAction*>("actVarious")->trigger();
  Ok = Grab(Main, Out + "/screenshot-various.png") && Ok;
  Main.findChild<QAction*>("actFileList")->trigger();
  Ok = Grab(Main, Out + "/screenshot-files.png") && Ok;
  Demo.removeRecursively();
  return Ok ? 0 : 1;
}
