#pragma once
// A table view whose context menu acts on the selection plus the right-clicked row, as the preset
// manager's lists want: a right-click leaves the selection alone and makes its row the clicked
// row, which stays readable while the menu is up and while its action runs, and is -1 otherwise.
// Before the menu shows, `menuWillOpen` runs (menu validation). GUI thread only.

#include <functional>
#include <vector>

#include <QTableView>

class QMenu;

namespace app {

class ClickedRowTableView : public QTableView {
  Q_OBJECT

 public:
  explicit ClickedRowTableView(QWidget* parent = nullptr);

  // The row of the open context menu, or -1.
  int clickedRow() const { return clickedRow_; }
  // Selected rows, ascending.
  std::vector<int> selectedRows() const;
  // The rows a command works on: selected rows plus the clicked row (TargetedRows.h).
  std::vector<int> targetedRows() const;

  void setContextMenu(QMenu* menu, std::function<void()> menuWillOpen);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  QMenu* menu_ = nullptr;
  std::function<void()> menuWillOpen_;
  int clickedRow_ = -1;
};

}  // namespace app
