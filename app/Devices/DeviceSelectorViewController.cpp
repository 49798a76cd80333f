#include "app/Devices/DeviceSelectorViewController.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace app {

DeviceSelectorViewController::DeviceSelectorViewController(QWidget* parent)
    : QDialog(parent),
      descriptionTextField_(new QLabel(this)),
      tableView_(new QTableWidget(0, 1, this)),
      selectButton_(new QPushButton(tr("Select"), this)),
      cancelButton_(new QPushButton(tr("Cancel"), this)) {
  setWindowModality(Qt::WindowModal);
  descriptionTextField_->setObjectName("descriptionTextField");
  descriptionTextField_->setWordWrap(true);
  tableView_->setObjectName("tableView");
  tableView_->setHorizontalHeaderLabels({tr("Device")});
  tableView_->horizontalHeader()->setStretchLastSection(true);
  tableView_->horizontalHeader()->hide();
  tableView_->verticalHeader()->hide();
  tableView_->setSelectionBehavior(QAbstractItemView::SelectRows);
  tableView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  tableView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tableView_->setShowGrid(false);
  selectButton_->setObjectName("selectButton");
  selectButton_->setDefault(true);
  cancelButton_->setObjectName("cancelButton");
  cancelButton_->setAutoDefault(false);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(descriptionTextField_);
  layout->addWidget(tableView_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cancelButton_);
  buttons->addWidget(selectButton_);
  layout->addLayout(buttons);
  resize(360, 300);

  connect(selectButton_, &QPushButton::clicked, this, [this] { selectPressed(); });
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void DeviceSelectorViewController::setRows(std::vector<std::string> titles) {
  selection_.setRows(std::move(titles));
  checkboxes_.clear();
  tableView_->clearContents();
  tableView_->setRowCount(static_cast<int>(selection_.size()));
  for (std::size_t row = 0; row < selection_.size(); ++row) {
    // The check box is a cell widget: clicking it leaves the table's selection as it is.
    auto* checkbox = new QCheckBox(QString::fromStdString(selection_.title(row)));
    checkbox->setObjectName("checkbox");
    checkbox->setChecked(selection_.isTicked(row));
    connect(checkbox, &QCheckBox::toggled, this, [this, row](bool on) { checkboxToggled(row, on); });
    tableView_->setCellWidget(static_cast<int>(row), 0, checkbox);
    checkboxes_.push_back(checkbox);
  }
}

void DeviceSelectorViewController::setDescriptionText(const std::string& text) {
  descriptionTextField_->setText(QString::fromStdString(text));
}

void DeviceSelectorViewController::present(QWidget* window) {
  if (window != nullptr && parentWidget() != window) setParent(window, windowFlags());
  open();
}

void DeviceSelectorViewController::checkboxToggled(std::size_t row, bool ticked) {
  std::vector<std::size_t> selected;
  for (const auto& index : tableView_->selectionModel()->selectedRows())
    selected.push_back(static_cast<std::size_t>(index.row()));
  for (auto changed : selection_.setTicked(row, ticked, selected)) {
    QSignalBlocker blocker(checkboxes_[changed]);
    checkboxes_[changed]->setChecked(ticked);
  }
}

void DeviceSelectorViewController::selectPressed() {
  if (auto handler = selectHandler) handler(selection_.tickedRows());
}

}  // namespace app
