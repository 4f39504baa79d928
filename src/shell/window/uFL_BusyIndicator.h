// The small busy animation of the status panel. It moves one step per status refresh, the only
// moment the window paints during a long operation.
#pragma once

#include <QWidget>

class TBusyIndicator : public QWidget {
  Q_OBJECT
 public:
  explicit TBusyIndicator(QWidget* Parent = nullptr);

  void Start();
  void Stop();
  void Step();
  bool Running() const { return FRunning; }

 protected:
  void paintEvent(QPaintEvent* Event) override;

 private:
  bool FRunning = false;
  int FFrame = 0;
};
