#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "GuiTesting.h"
#include "app/Devices/DeviceSelectorViewController.h"

using app::DeviceSelectorViewController;
using Rows = std::vector<std::size_t>;

class DeviceSelectorGuiTest : public QObject {
  Q_OBJECT

 private:
  QMainWindow window_;
  std::vector<Rows> handed_;

  std::unique_ptr<DeviceSelectorViewController> makeSelector(int rows) {
    auto selector = std::make_unique<DeviceSelectorViewController>();
    std::vector<std::string> titles;
    for (int i = 0; i < rows; ++i) titles.push_back("Monitor " + std::to_string(i) + "@127.0.0." + std::to_string(i + 2));
    selector->setRows(titles);
    selector->setDescriptionText("Select the devices to back up:");
    selector->selectHandler = [this](Rows rows) { handed_.push_back(rows); };
    selector->present(&window_);
    return selector;
  }

  static QCheckBox* box(DeviceSelectorViewController& selector, int row) {
    auto* table = selector.findChild<QTableWidget*>("tableView");
    return qobject_cast<QCheckBox*>(table->cellWidget(row, 0));
  }

  // Clicks the box itself (the cell is wider than the check box's hit area).
  static void clickBox(DeviceSelectorViewController& selector, int row) {
    auto* checkbox = box(selector, row);
    QTest::mouseClick(checkbox, Qt::LeftButton, {}, QPoint(8, checkbox->height() / 2));
  }

 private Q_SLOTS:
  void init() {
    handed_.clear();
    window_.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window_));
  }

  void unTickingOneOfASelectionUnTicksAllSelected() {
    auto selector = makeSelector(6);
    QTRY_VERIFY(selector->isVisible());
    QCOMPARE(selector->windowModality(), Qt::WindowModal);
    QCOMPARE(selector->findChild<QLabel*>("descriptionTextField")->text(),
             QString("Select the devices to back up:"));
    auto* table = selector->findChild<QTableWidget*>("tableView");
    auto* model = table->selectionModel();
    for (int row : {1, 3})
      model->select(table->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    app::testing::saveScreenshot(*selector, "device-selector");
    clickBox(*selector, 5);
    for (int row = 0; row < 6; ++row) QCOMPARE(box(*selector, row)->isChecked(), row % 2 == 0);
    QCOMPARE(table->selectionModel()->selectedRows().size(), 2);

    QTest::mouseClick(selector->findChild<QPushButton*>("selectButton"), Qt::LeftButton);
    QCOMPARE(handed_, std::vector<Rows>{(Rows{0, 2, 4})});
    QVERIFY(selector->isVisible());

    // With nothing ticked, Return (the default button, Select) hands an empty list.
    table->clearSelection();
    for (int row : {0, 2, 4}) clickBox(*selector, row);
    QTest::keyClick(selector.get(), Qt::Key_Return);
    QCOMPARE(handed_.back(), Rows{});
    QVERIFY(selector->isVisible());
  }

  void cancelAndEscapeCloseWithoutCallingTheHandler_data() { app::testing::addCancelRows(); }

  void cancelAndEscapeCloseWithoutCallingTheHandler() {
    QFETCH(bool, useEscape);
    auto selector = makeSelector(3);
    QTRY_VERIFY(selector->isVisible());
    app::testing::pressCancel(*selector, useEscape);
    QTRY_VERIFY(!selector->isVisible());
    QVERIFY(handed_.empty());
  }
};

QTEST_MAIN(DeviceSelectorGuiTest)
#include "DeviceSelectorGuiTest.moc"
