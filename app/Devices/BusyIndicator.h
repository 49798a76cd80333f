#pragma once
// A small spinning indicator, one line of text high, for work of unknown length (a settings
// pane's apply). It turns only while shown. GUI thread.

#include <QBasicTimer>
#include <QWidget>

namespace app {

class BusyIndicator : public QWidget {
 public:
  explicit BusyIndicator(QWidget* parent = nullptr);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  QBasicTimer timer_;
  int step_ = 0;
};

}  // namespace app
