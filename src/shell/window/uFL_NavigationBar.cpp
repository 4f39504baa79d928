// The navigation bars.
#include "uFL_NavigationBar.h"

#include <QAction>
#include <QToolButton>

TNavigationBar::TNavigationBar(QWidget* Parent) : QFrame(Parent) {
  setFrameShape(QFrame::Box);
  setFrameShadow(QFrame::Plain);
  setLineWidth(1);
}

QToolButton* TNavigationBar::AddButton(QAction* Action, bool AtBottom) {
  auto* Button = new QToolButton(this);
  Button->setText(Action->text());
  Button->setIcon(Action->icon());
  Button->setIconSize(QSize(24, 24));
  Button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  Button->setAutoRaise(false);
  Button->setCheckable(false);
  QFont Font = Button->font();
  Font.setBold(true);
  Font.setPixelSize(11);
  Button->setFont(Font);
  Button->setAccessibleName(Action->text());
  connect(Button, &QToolButton::clicked, Action, &QAction::trigger);
  if (AtBottom) {
    FSlots.push_back({Button, -1});
  } else {
    FSlots.push_back({Button, FNextTop});
    FNextTop += ButtonHeight + 1;
  }
  Place();
  return Button;
}

void TNavigationBar::resizeEvent(QResizeEvent* Event) {
  QFrame::resizeEvent(Event);
  Place();
}

void TNavigationBar::Place() {
  const QRect Client = contentsRect();
  for (const TSlot& S : FSlots) {
    const int Top = S.Top >= 0 ? Client.top() + S.Top : Client.bottom() + 1 - ButtonHeight - 3;
    S.Button->setGeometry(Client.left(), Top, Client.width(), ButtonHeight);
  }
}
