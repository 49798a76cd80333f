// The window-modal sheets on a window: the device selector and the progress sheet.

#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "GuiTesting.h"
#include "app/Devices/DeviceSelectorViewController.h"
#include "app/PresetManager/ProgressViewController.h"

using app::DeviceSelectorViewController;
using app::ProgressViewController;
using Rows = std::vector<std::size_t>;

class SheetsGuiTest : public QObject {
  Q_OBJECT

 private:
  QMainWindow window_;
  std::vector<Rows> handed_;
  std::vector<QString> events_;

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

  std::unique_ptr<ProgressViewController> makeSheet(int maxValue) {
    auto sheet = std::make_unique<ProgressViewController>();
    sheet->sheet().title = "Deleting Presets";
    sheet->sheet().subtitle = "from Stage Left";
    sheet->sheet().finishedHandler = [this] { events_.push_back("finished"); };
    sheet->sheet().cancelHandler = [this] { events_.push_back("cancel"); };
    sheet->present(&window_);
    sheet->sheet().setMaxValue(maxValue);
    return sheet;
  }

  static QString text(ProgressViewController& sheet, const char* name) {
    return sheet.findChild<QLabel*>(name)->text();
  }

 private Q_SLOTS:
  void init() {
    handed_.clear();
    events_.clear();
    window_.resize(600, 400);
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

  void showsTheOutletsWindowModal() {
    auto sheet = makeSheet(3);
    QTRY_VERIFY(sheet->isVisible());
    QCOMPARE(sheet->windowModality(), Qt::WindowModal);
    QCOMPARE(sheet->parentWidget(), &window_);
    QCOMPARE(text(*sheet, "titelLabel"), QString("Deleting Presets"));
    QCOMPARE(text(*sheet, "subtitleLabel"), QString("from Stage Left"));
    QVERIFY(sheet->findChild<QPushButton*>("cancelButton") != nullptr);
    auto* bar = sheet->findChild<QProgressBar*>("progressIndicator");
    QCOMPARE(bar->maximum(), 3);
    sheet->sheet().setStatus("Deleting 1/3: Rehearsal");
    sheet->sheet().setValue(1);
    QCOMPARE(bar->value(), 1);
    QCOMPARE(text(*sheet, "statusLabel"), QString("Deleting 1/3: Rehearsal"));
    app::testing::saveScreenshot(*sheet, "progress-sheet");
  }

  void anUnknownCountGivesABusyBar() {
    auto sheet = makeSheet(0);
    auto* bar = sheet->findChild<QProgressBar*>("progressIndicator");
    QCOMPARE(std::make_pair(bar->minimum(), bar->maximum()), std::make_pair(0, 0));
  }

  // The window follows the sheet's own closes and presents (their handlers: ProgressSheetTest).
  void theWindowFollowsTheSheet() {
    auto sheet = makeSheet(2);
    sheet->sheet().setStatus("Copying 1/2");
    sheet->sheet().setValue(1);
    QVERIFY(sheet->isVisible());
    sheet->sheet().title = "Importing Presets";
    sheet->present(&window_);  // presented again while shown: refilled
    QCOMPARE(text(*sheet, "titelLabel"), QString("Importing Presets"));
    QCOMPARE(text(*sheet, "statusLabel"), QString());
    sheet->sheet().setMaxValue(2);
    sheet->sheet().setValue(2);
    QTRY_VERIFY(!sheet->isVisible());
    sheet->present(&window_);
    QTRY_VERIFY(sheet->isVisible());
    sheet->sheet().closeByOwner();
    QTRY_VERIFY(!sheet->isVisible());
    QCOMPARE(events_, std::vector<QString>{"finished"});
  }
};

QTEST_MAIN(SheetsGuiTest)
#include "SheetsGuiTest.moc"
