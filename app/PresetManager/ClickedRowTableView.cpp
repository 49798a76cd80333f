#include "app/PresetManager/ClickedRowTableView.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

#include "app/PresetManager/TargetedRows.h"

namespace app {

ClickedRowTableView::ClickedRowTableView(QWidget* parent) : QTableView(parent) {
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setShowGrid(false);
  verticalHeader()->hide();
  horizontalHeader()->setStretchLastSection(true);
}

std::vector<int> ClickedRowTableView::selectedRows() const {
  std::vector<int> rows;
  if (selectionModel() == nullptr) return rows;
  for (const auto& index : selectionModel()->selectedRows()) rows.push_back(index.row());
  return app::targetedRows(std::move(rows), -1);
}

std::vector<int> ClickedRowTableView::targetedRows() const { return app::targetedRows(selectedRows(), clickedRow_); }

void ClickedRowTableView::setContextMenu(QMenu* menu, std::function<void()> menuWillOpen) {
  menu_ = menu;
  menuWillOpen_ = std::move(menuWillOpen);
  // The action of a menu item runs after the menu has hidden: forget the row only after it.
  connect(menu_, &QMenu::aboutToHide, this, [this] { QTimer::singleShot(0, this, [this] { clickedRow_ = -1; }); });
}

void ClickedRowTableView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    event->accept();  // the selection stays as it is
    return;
  }
  QTableView::mousePressEvent(event);
}

void ClickedRowTableView::contextMenuEvent(QContextMenuEvent* event) {
  if (menu_ == nullptr) return;
  clickedRow_ = event->reason() == QContextMenuEvent::Mouse ? rowAt(event->pos().y()) : -1;
  if (menuWillOpen_) menuWillOpen_();
  menu_->popup(event->globalPos());
}

}  // namespace app
