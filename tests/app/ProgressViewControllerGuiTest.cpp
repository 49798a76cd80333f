#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include "GuiTesting.h"
#include "app/PresetManager/ProgressViewController.h"

using app::ProgressViewController;

class ProgressViewControllerGuiTest : public QObject {
  Q_OBJECT

 private:
  QMainWindow window_;
  std::vector<QString> events_;

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
    events_.clear();
    window_.resize(600, 400);
    window_.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window_));
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

QTEST_MAIN(ProgressViewControllerGuiTest)
#include "ProgressViewControllerGuiTest.moc"
