#include "app/Devices/BusyIndicator.h"

#include <algorithm>

#include <QPainter>
#include <QTimerEvent>

namespace app {

namespace {
constexpr int kSpokes = 8;
constexpr int kStepMilliseconds = 100;
}  // namespace

BusyIndicator::BusyIndicator(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  setFixedSize(sizeHint());
}

QSize BusyIndicator::sizeHint() const {
  const int side = fontMetrics().height();
  return {side, side};
}

void BusyIndicator::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal side = std::min(width(), height());
  painter.translate(width() / 2.0, height() / 2.0);
  QPen pen(palette().color(QPalette::WindowText));
  pen.setWidthF(std::max(1.5, side / 8.0));
  pen.setCapStyle(Qt::RoundCap);
  for (int k = 0; k < kSpokes; ++k) {
    // The spoke at the current step is darkest; the ones behind it fade.
    const int age = (step_ - k + kSpokes) % kSpokes;
    QColor color = pen.color();
    color.setAlphaF(1.0 - 0.8 * age / (kSpokes - 1));
    pen.setColor(color);
    painter.setPen(pen);
    painter.save();
    painter.rotate(360.0 * k / kSpokes);
    painter.drawLine(QPointF(0, -side * 0.22), QPointF(0, -side * 0.42));
    painter.restore();
  }
}

void BusyIndicator::showEvent(QShowEvent*) { timer_.start(kStepMilliseconds, this); }

void BusyIndicator::hideEvent(QHideEvent*) { timer_.stop(); }

void BusyIndicator::timerEvent(QTimerEvent* event) {
  if (event->timerId() != timer_.timerId()) return QWidget::timerEvent(event);
  step_ = (step_ + 1) % kSpokes;
  update();
}

}  // namespace app
