// A bar of large buttons made from actions, stacked from the top; some may sit at the bottom.
#pragma once

#include <QFrame>

#include <vector>

class QAction;
class QToolButton;

class TNavigationBar : public QFrame {
  Q_OBJECT
 public:
  static constexpr int ButtonHeight = 57;

  explicit TNavigationBar(QWidget* Parent = nullptr);

  // A button that takes the action's caption and image and runs it when clicked. Stacked buttons
  // keep their place when hidden; a bottom button sits 3 pixels above the bar's lower edge.
  QToolButton* AddButton(QAction* Action, bool AtBottom = false);

 protected:
  void resizeEvent(QResizeEvent* Event) override;

 private:
  void Place();

  struct TSlot {
    QToolButton* Button;
    int Top;  // -1: anchored at the bottom
  };
  std::vector<TSlot> FSlots;
  int FNextTop = 0;
};
