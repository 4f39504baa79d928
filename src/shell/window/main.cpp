// The program: one copy per user, the main window, the event loop.
#include <QApplication>

#include "uFL_CheckOtherInstances.h"
#include "uFL_Dialogs.h"
#include "uFL_Main.h"
#include "uFL_MainTexts.h"

int main(int argc, char* argv[]) {
  QApplication App(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(Msg::ApplicationTitle));
  QApplication::setOrganizationName(QStringLiteral("Vendalor"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("ferrolin")));
  QApplication::setDesktopFileName(QStringLiteral("ferrolin"));
  TQtDialogs Dialogs;
  const auto Guard = CheckOtherInstances(DefaultLockDir(), Dialogs);
  if (!Guard) return 0;
  TMain Main(Dialogs);
  Dialogs.SetParent(&Main);
  Main.show();
  return App.exec();
}
