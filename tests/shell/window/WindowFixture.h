// Shared set-up of window tests: settings in a temporary folder, a window with fake dialogs.
#pragma once

#include <QObject>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "FakeDialogs.h"
#include "files/uFL_Types.h"
#include "support/uFL_Version.h"
#include "uFL_Main.h"
#include "uFL_RecentComboBox.h"

class TWindowFixture {
 public:
  TWindowFixture() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, Settings.path());
    // Replaces journal for undo beside the settings, never into the user's state folder.
    qputenv("XDG_STATE_HOME", (Settings.path() + "/state").toUtf8());
  }

  // Settings of the current version, so that a new window loads them without the version message.
  void StoreCurrentVersion() { Raw()->setValue("FL_Version", FerrolinVersion); }
  static std::unique_ptr<QSettings> Raw() {
    return std::make_unique<QSettings>("Vendalor", "Ferrolin");
  }

  std::unique_ptr<TMain> NewWindow() {
    auto W = std::make_unique<TMain>(Dialogs);
    W->Sleep = [this](int Ms) { Slept += Ms; };
    W->OpenWithShell = [this](const std::string& Path) { Opened.push_back(Path); };
    return W;
  }

  // Builds the file set of Dir with Mask as "Add Files" does, subdirectories included.
  static void AddFiles(TMain& W, const std::string& Dir, const std::string& Mask) {
    Find<TRecentComboBox>(&W, "cbDir")->SetText(Dir);
    Find<TRecentComboBox>(&W, "cbMask")->SetText(Mask);
    Find<QPushButton>(&W, "btnAdd")->click();
  }

  template <class T>
  static T* Find(QObject* Window, const char* Name) {
    T* W = Window->findChild<T*>(QString::fromUtf8(Name));
    if (!W) qFatal("no control %s", Name);
    return W;
  }

  QTemporaryDir Settings;
  TFakeDialogs Dialogs;
  int Slept = 0;
  std::vector<std::string> Opened;
};
