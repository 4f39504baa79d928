// The busy animation: a magnifier circling over a page.
#include "uFL_BusyIndicator.h"

#include <QPainter>

#include <cmath>

TBusyIndicator::TBusyIndicator(QWidget* Parent) : QWidget(Parent) {
  setFixedSize(15, 16);
}

void TBusyIndicator::Start() {
  FRunning = true;
  show();
}

void TBusyIndicator::Stop() {
  FRunning = false;
  hide();
}

void TBusyIndicator::Step() {
  if (!FRunning) return;
  FFrame = (FFrame + 1) % 8;
  update();
}

void TBusyIndicator::paintEvent(QPaintEvent*) {
  QPainter P(this);
  P.setRenderHint(QPainter::Antialiasing);
  P.setPen(palette().color(QPalette::WindowText));
  P.setBrush(palette().color(QPalette::Base));
  P.drawRect(1, 1, 10, 13);
  const double Angle = FFrame * M_PI / 4;
  const QPointF Centre(6 + 2.5 * std::cos(Angle), 7.5 + 3 * std::sin(Angle));
  P.setBrush(Qt::NoBrush);
  P.drawEllipse(Centre, 3, 3);
  P.drawLine(Centre + QPointF(2.2, 2.2), Centre + QPointF(4.5, 4.5));
}
