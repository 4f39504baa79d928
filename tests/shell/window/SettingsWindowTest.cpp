// The window's settings: every stored control round-trips through a restart, the recent lists
// grow by the rule, another version is erased with its message, and Clear History.
#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include "WindowFixture.h"
#include "uFL_CheckListBox.h"
#include "uFL_RecentComboBox.h"

class SettingsWindowTest : public QObject {
  Q_OBJECT

 private:
  template <class T>
  static T* Find(QObject* W, const char* Name) {
    return TWindowFixture::Find<T>(W, Name);
  }
  static QStringList Items(TRecentComboBox* C) {
    QStringList L;
    for (int i = 0; i < C->count(); ++i) L << C->itemText(i);
    return L;
  }

 private slots:
  void firstStartShowsTheNewVersionMessageAndKeepsTheDefaults() {
    TWindowFixture F;
    auto W = F.NewWindow();
    QCOMPARE(
        F.Dialogs.Informations(),
        std::vector<QString>{"New version [0.25 Alpha] installed, old settings have been cleared"});
    QVERIFY(Find<QCheckBox>(W.get(), "cbSubdirs")->isChecked());
    QVERIFY(Find<QCheckBox>(W.get(), "cbRPOverwrite")->isChecked());
    QVERIFY(!Find<QCheckBox>(W.get(), "cbRegExp")->isChecked());
  }

  void everyStoredControlComesBackAfterARestart() {
    TWindowFixture F;
    {
      auto W = F.NewWindow();
      Find<QCheckBox>(W.get(), "cbSubdirs")->setChecked(false);
      Find<QCheckBox>(W.get(), "cbRegExp")->setChecked(true);
      Find<QCheckBox>(W.get(), "cbAUOverwrite")->setChecked(false);
      Find<QCheckBox>(W.get(), "cbTrace")->setChecked(true);
      Find<TRecentComboBox>(W.get(), "cbSearch")->SetText("needle");
      Find<TRecentComboBox>(W.get(), "cbDir")->SetText("/tmp/");
      Find<TRecentComboBox>(W.get(), "cbParams")->SetText("-x !P!N");
      Find<TCheckListBox>(W.get(), "clbFileTypes")->SetChecked(20, true);
      Find<TCheckListBox>(W.get(), "clbOracleChecks")->SetChecked(0, true);
      W->resize(900, 600);
    }  // the window stores its settings as it goes
    F.Dialogs.Shown.clear();
    auto W = F.NewWindow();
    QVERIFY(F.Dialogs.Shown.empty());
    QVERIFY(!Find<QCheckBox>(W.get(), "cbSubdirs")->isChecked());
    QVERIFY(Find<QCheckBox>(W.get(), "cbRegExp")->isChecked());
    QVERIFY(!Find<QCheckBox>(W.get(), "cbAUOverwrite")->isChecked());
    QVERIFY(Find<QCheckBox>(W.get(), "cbTrace")->isChecked());
    QVERIFY(!Find<QWidget>(W.get(), "spbTrace")->isHidden());
    QCOMPARE(Find<TRecentComboBox>(W.get(), "cbSearch")->currentText(), "needle");
    QCOMPARE(Items(Find<TRecentComboBox>(W.get(), "cbSearch")), QStringList{"needle"});
    QCOMPARE(Find<TRecentComboBox>(W.get(), "cbDir")->currentText(), "/tmp/");
    QCOMPARE(Find<TRecentComboBox>(W.get(), "cbParams")->currentText(), "-x !P!N");
    QVERIFY(Find<TCheckListBox>(W.get(), "clbFileTypes")->Checked(20));
    QVERIFY(!Find<TCheckListBox>(W.get(), "clbFileTypes")->Checked(0));
    QVERIFY(Find<TCheckListBox>(W.get(), "clbOracleChecks")->Checked(0));
    QCOMPARE(W->size(), QSize(900, 600));
    QCOMPARE(F.Raw()->value("Main_heigth").toInt(), 600);
  }

  void ninthSearchTermPushesOutTheOldestAndSortsIn() {
    TWindowFixture F;
    F.StoreCurrentVersion();
    F.Raw()->setValue("cbSearch_mru", "b\r\nc\r\nd\r\ne\r\nf\r\ng\r\nh\r\nj\r\n");
    auto W = F.NewWindow();
    auto* Search = Find<TRecentComboBox>(W.get(), "cbSearch");
    QCOMPARE(Search->count(), 8);
    QCOMPARE(Search->maxVisibleItems(), 8);
    Search->SetText("i");
    W->SaveSettings();
    QCOMPARE(Items(Search), (QStringList{"c", "d", "e", "f", "g", "h", "i", "j"}));
    QCOMPARE(F.Raw()->value("cbSearch_mru").toString(), "c\r\nd\r\ne\r\nf\r\ng\r\nh\r\ni\r\nj\r\n");
    QCOMPARE(Search->currentText(), "i");

    // Used again in another case: nothing is added, only the current text is stored.
    Search->SetText("C");
    W->SaveSettings();
    QCOMPARE(Search->count(), 8);
    QCOMPARE(F.Raw()->value("cbSearch_current").toString(), "C");
  }

  void settingsOfAnotherVersionAreErased() {
    TWindowFixture F;
    F.Raw()->setValue("FL_Version", "0.24 Alpha");
    F.Raw()->setValue("cbRegExp_state", 1);
    auto W = F.NewWindow();
    QCOMPARE(
        F.Dialogs.Informations(),
        std::vector<QString>{"New version [0.25 Alpha] installed, old settings have been cleared"});
    QVERIFY(!Find<QCheckBox>(W.get(), "cbRegExp")->isChecked());
  }

  void clearHistoryAnsweredNoChangesNothing() {
    TWindowFixture F;
    F.StoreCurrentVersion();
    auto W = F.NewWindow();
    W->show();
    F.Dialogs.Answers = {false};
    Find<QPushButton>(W.get(), "btnCleanRegistry")->click();
    QCOMPARE(
        F.Dialogs.Texts("Warning"),
        std::vector<QString>{"This will erase all settings and exit ferrolin. Restart "
                             "Ferrolin and all settings will be the default again. Continue?"});
    QVERIFY(W->isVisible());
    QVERIFY(!W->SettingsErased());
    QVERIFY(F.Raw()->contains("FL_Version"));
  }

  void clearHistoryErasesEverythingAndClosesWithoutStoring() {
    TWindowFixture F;
    F.StoreCurrentVersion();
    F.Raw()->setValue("cbRegExp_state", 1);
    {
      auto W = F.NewWindow();
      W->show();
      F.Dialogs.Answers = {true};
      Find<QPushButton>(W.get(), "btnCleanRegistry")->click();
      QVERIFY(!W->isVisible());
      QVERIFY(W->SettingsErased());
      QVERIFY(F.Raw()->allKeys().isEmpty());
      W->SaveSettings();  // as an action still running would at its end
      QVERIFY(F.Raw()->allKeys().isEmpty());
    }
    QVERIFY2(F.Raw()->allKeys().isEmpty(), "the closing window stored nothing");
    F.Dialogs.Shown.clear();
    auto W = F.NewWindow();
    QCOMPARE(
        F.Dialogs.Informations(),
        std::vector<QString>{"New version [0.25 Alpha] installed, old settings have been cleared"});
  }

  void loadingTheMaskByProgramKeepsTheCheckedTypes() {
    TWindowFixture F;
    F.StoreCurrentVersion();
    F.Raw()->setValue("cbMask_current", "*.pas");
    F.Raw()->setValue("clbFileTypes_items", "");
    F.Raw()->setValue("clbFileTypes_checked", QByteArray("\x00\x00\x10\x00", 4));
    F.Raw()->setValue("clbFileTypes_binarysize", 4);
    auto W = F.NewWindow();
    QCOMPARE(Find<TRecentComboBox>(W.get(), "cbMask")->currentText(), "*.pas");
    QVERIFY(Find<TCheckListBox>(W.get(), "clbFileTypes")->Checked(20));
    QCOMPARE(Find<TCheckListBox>(W.get(), "clbFileTypes")->count(), 28);
  }
};

QTEST_MAIN(SettingsWindowTest)
#include "SettingsWindowTest.moc"
