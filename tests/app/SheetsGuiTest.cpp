// Alerts, and the window-modal sheets on a window: the device selector, the progress sheet and the
// network settings; and the tasks on the GUI thread that the windows' operations run as.

#include <atomic>
#include <functional>
#include <stdexcept>
#include <thread>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include "GuiTesting.h"
#include "ScriptedDialogs.h"
#include "app/Devices/DeviceSelectorViewController.h"
#include "app/Devices/NetworkSettingsViewController.h"
#include "app/Dialogs.h"
#include "app/GuiExecutor.h"
#include "app/MainTask.h"
#include "app/PresetManager/ProgressViewController.h"
#include "async/Cancellation.h"

using app::DeviceSelectorViewController;
using app::NetworkChange;
using app::NetworkSettingsViewController;
using app::ProgressViewController;
using Rows = std::vector<std::size_t>;
namespace asio = boost::asio;

Q_DECLARE_METATYPE(std::vector<std::string>)

// Runs `answer` on the message box once it is shown (from inside its own event loop).
static void whenAlertShows(std::function<void(QMessageBox&)> answer) {
  QTimer::singleShot(5, [answer] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return whenAlertShows(answer);
    answer(*box);
  });
}

static QAbstractButton* buttonTitled(QMessageBox& box, const QString& title) {
  for (auto* button : box.buttons())
    if (button->text() == title) return button;
  return nullptr;
}

class SheetsGuiTest : public QObject {
  Q_OBJECT

 private:
  QMainWindow window_;
  std::vector<Rows> handed_;
  std::vector<QString> events_;
  std::vector<NetworkChange> sent_;
  std::exception_ptr failure_;

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

  std::unique_ptr<NetworkSettingsViewController> makeNetworkSheet(const char* ip, const char* gateway) {
    auto sheet = std::make_unique<NetworkSettingsViewController>();
    using device::IPv4Address;
    sheet->setDevice("Network Settings for Stage Rack",
                     {*IPv4Address::fromString(ip), *IPv4Address::fromString("255.255.255.0"),
                      *IPv4Address::fromString(gateway)});
    sheet->send = [this](const NetworkChange& change, std::function<void(std::exception_ptr)> done) {
      sent_.push_back(change);
      // The command answers later, from the event loop.
      app::postToMain([done, failure = failure_] { done(failure); });
    };
    sheet->present(&window_);
    return sheet;
  }

  template <class W>
  static W* child(QWidget& sheet, const char* name) {
    return sheet.findChild<W*>(name);
  }

 private Q_SLOTS:
  void init() {
    handed_.clear();
    events_.clear();
    sent_.clear();
    failure_ = nullptr;
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

  void alertsAnswerWithTheButtonsPosition_data() {
    QTest::addColumn<std::vector<std::string>>("buttons");
    QTest::addColumn<QString>("press");  // a button title, or "Esc"
    QTest::addColumn<int>("answer");
    QTest::newRow("Yes") << std::vector<std::string>{"Yes", "No"} << "Yes" << 1000;
    QTest::newRow("Esc on Yes/No") << std::vector<std::string>{"Yes", "No"} << "Esc" << 1001;
    QTest::newRow("All") << std::vector<std::string>{"Yes", "No", "All"} << "All" << 1002;
    QTest::newRow("Esc on Yes/No/All") << std::vector<std::string>{"Yes", "No", "All"} << "Esc" << 1001;
    QTest::newRow("Esc on Load/Cancel") << std::vector<std::string>{"Load", "Cancel"} << "Esc" << 1001;
    QTest::newRow("Return on the default button") << std::vector<std::string>{} << "Return" << 1000;
  }

  void alertsAnswerWithTheButtonsPosition() {
    QFETCH(std::vector<std::string>, buttons);
    QFETCH(QString, press);
    QFETCH(int, answer);
    whenAlertShows([press](QMessageBox& box) {
      if (press == "Esc")
        QTest::keyClick(&box, Qt::Key_Escape);
      else if (press == "Return")
        QTest::keyClick(&box, Qt::Key_Return);
      else
        buttonTitled(box, press)->click();
    });
    app::Alert alert{"Overwrite Preset?", "Would you like to overwrite \"Show\"?",
                     app::AlertStyle::informational, buttons};
    QCOMPARE(app::dialogs().runModal(nullptr, alert), answer);
  }

  void sheetsAreWindowModalAndAnswerLater() {
    int answer = 0;
    app::dialogs().beginSheet(&window_, {"Warning!", "Are you sure?", app::AlertStyle::warning, {"Load", "Cancel"}},
                              [&answer](int response) { answer = response; });
    QMessageBox* box = nullptr;
    QTRY_VERIFY((box = window_.findChild<QMessageBox*>()) != nullptr && box->isVisible());
    QCOMPARE(box->windowModality(), Qt::WindowModal);
    QCOMPARE(answer, 0);
    buttonTitled(*box, "Load")->click();
    QTRY_COMPARE(answer, 1000);
  }

  // It sits on the window of the widget it is given, titled as the program.
  void theSharedErrorAlertShowsTheDescriptionOverItsWindow() {
    QWidget pane(&window_);
    QString message, informative, title;
    QMessageBox::Icon icon{};
    QWidget* parent = nullptr;
    whenAlertShows([&](QMessageBox& box) {
      message = box.text();
      informative = box.informativeText();
      icon = box.icon();
      title = box.windowTitle();
      parent = box.parentWidget();
      app::testing::saveScreenshot(box, "error-alert");
      box.buttons().front()->click();
    });
    app::showErrorAlert(&pane, std::make_exception_ptr(std::runtime_error("Device is offline")));
    QCOMPARE(message, QString("Error"));
    QCOMPARE(informative, QString("Device is offline"));
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(parent, &window_);
    QCOMPARE(title, QApplication::applicationDisplayName());
  }

  // Return with the automatic mode kept closes the sheet and sends nothing.
  void automaticModeDisablesTheFieldsTillFixedIsChosen() {
    app::testing::ScriptedDialogs dialogs;
    auto sheet = makeNetworkSheet("0.0.0.0", "0.0.0.0");
    QTRY_VERIFY(sheet->isVisible());
    QCOMPARE(sheet->size(), QSize(410, 248));
    QVERIFY(child<QPushButton>(*sheet, "applyButton")->isDefault());
    auto* mode = child<QComboBox>(*sheet, "modePopUpButton");
    auto* ip = child<QLineEdit>(*sheet, "ipTextField");
    QCOMPARE(mode->currentIndex(), 0);
    QCOMPARE(ip->text(), QString("0.0.0.0"));
    QCOMPARE(child<QLineEdit>(*sheet, "subnetTextField")->text(), QString("255.255.255.0"));
    QVERIFY(!ip->isEnabled());
    mode->setCurrentIndex(1);
    QVERIFY(ip->isEnabled() && child<QLineEdit>(*sheet, "gatewayTextField")->isEnabled());
    app::testing::saveScreenshot(*sheet, "network-settings");
    mode->setCurrentIndex(0);
    QTest::keyClick(sheet.get(), Qt::Key_Return);
    QTRY_VERIFY(!sheet->isVisible());
    QVERIFY(sent_.empty());
    QVERIFY(dialogs.alerts.empty());
  }

  void validationShowsOneAlertAndKeepsTheInput() {
    app::testing::ScriptedDialogs dialogs;
    auto sheet = makeNetworkSheet("192.168.1.20", "192.168.1.1");
    QTRY_VERIFY(sheet->isVisible());
    child<QLineEdit>(*sheet, "ipTextField")->setText("192.168.1.256");
    child<QLineEdit>(*sheet, "subnetTextField")->setText("255.255");
    QTest::mouseClick(child<QPushButton>(*sheet, "applyButton"), Qt::LeftButton);
    QCOMPARE(dialogs.informativeTexts(), std::vector<std::string>{"Invalid IP Address provided"});
    QCOMPARE(dialogs.alerts.front().messageText, std::string("Error"));
    QVERIFY(dialogs.alerts.front().style == app::AlertStyle::warning);
    QVERIFY(sheet->isVisible());
    QCOMPARE(child<QLineEdit>(*sheet, "ipTextField")->text(), QString("192.168.1.256"));
    // Esc after the edit closes without sending.
    QTest::keyClick(sheet.get(), Qt::Key_Escape);
    QTRY_VERIFY(!sheet->isVisible());
    QVERIFY(sent_.empty());
  }

  void aSentChangeClosesTheSheetAndAFailedOneShowsItsError() {
    app::testing::ScriptedDialogs dialogs;
    failure_ = std::make_exception_ptr(std::runtime_error("Device is offline"));
    auto sheet = makeNetworkSheet("192.168.1.20", "192.168.1.1");
    QTRY_VERIFY(sheet->isVisible());
    child<QComboBox>(*sheet, "modePopUpButton")->setCurrentIndex(0);
    QTest::mouseClick(child<QPushButton>(*sheet, "applyButton"), Qt::LeftButton);
    QTRY_COMPARE(dialogs.informativeTexts(), std::vector<std::string>{"Device is offline"});
    QVERIFY(sheet->isVisible());

    failure_ = nullptr;
    child<QComboBox>(*sheet, "modePopUpButton")->setCurrentIndex(1);
    child<QLineEdit>(*sheet, "ipTextField")->setText("127.0.0.2");
    child<QLineEdit>(*sheet, "gatewayTextField")->setText("0.0.0.0");
    QTest::mouseClick(child<QPushButton>(*sheet, "applyButton"), Qt::LeftButton);
    QTRY_VERIFY(!sheet->isVisible());
    QCOMPARE(sent_.size(), 2u);
    QVERIFY(sent_[0].kind == NetworkChange::Kind::automatic);
    QVERIFY(sent_[1].kind == NetworkChange::Kind::fixed);
    QCOMPARE(sent_[1].addressing.ip.description(), std::string("127.0.0.2"));
    QCOMPARE(dialogs.alerts.size(), 1u);
  }

  void anAnswerAfterTheSheetIsGoneTouchesNothing() {
    app::testing::ScriptedDialogs dialogs;
    failure_ = std::make_exception_ptr(std::runtime_error("late"));
    auto sheet = makeNetworkSheet("192.168.1.20", "192.168.1.1");
    child<QComboBox>(*sheet, "modePopUpButton")->setCurrentIndex(0);
    QTest::mouseClick(child<QPushButton>(*sheet, "applyButton"), Qt::LeftButton);
    sheet.reset();
    QTest::qWait(20);
    QVERIFY(dialogs.alerts.empty());
  }

  void continuationsOfAMainTaskRunOnTheGuiThread() {
    auto pooled = async::spawn([]() -> asio::awaitable<std::thread::id> {
      co_await async::sleep(std::chrono::milliseconds(5));
      co_return std::this_thread::get_id();
    });
    auto task = app::spawnOnMain([pooled]() -> asio::awaitable<std::vector<bool>> {
      std::vector<bool> onGui{app::isMainThread()};
      auto poolThread = co_await pooled.value();
      onGui.push_back(app::isMainThread() && poolThread != std::this_thread::get_id());
      co_await async::sleep(std::chrono::milliseconds(1));
      onGui.push_back(app::isMainThread());
      co_await app::onMain();
      onGui.push_back(app::isMainThread());
      co_return onGui;
    });
    QTRY_VERIFY(task.isFinished());
    // A finished task gives its value without blocking.
    QCOMPARE(task.get(), (std::vector<bool>{true, true, true, true}));
  }

  void runOnMainHandsWorkToTheGuiThreadFromThePool() {
    std::atomic<bool> ranOnGui{false};
    auto task = async::spawn([&ranOnGui]() -> asio::awaitable<int> {
      auto work = [&ranOnGui] {
        ranOnGui = app::isMainThread();
        return 42;
      };
      int value = co_await app::runOnMain(work);
      auto failing = []() -> int { throw std::runtime_error("widget gone"); };
      try {
        co_await app::runOnMain(failing);
      } catch (const std::runtime_error&) {
        value += 1;
      }
      bool refused = false;
      try {
        co_await app::onMain();
      } catch (const std::logic_error&) {
        refused = true;
      }
      co_return refused ? value : -1;
    });
    QTRY_VERIFY(task.isFinished());
    QCOMPARE(task.get(), 43);
    QVERIFY(ranOnGui.load());
  }

  void aTaskOutlivingItsWidgetTouchesNothing() {
    auto* label = new QLabel("before");
    QPointer<QLabel> guarded(label);
    auto task = app::spawnOnMain([guarded]() -> asio::awaitable<bool> {
      co_await async::sleep(std::chrono::milliseconds(20));
      if (!guarded) co_return false;
      guarded->setText("after");
      co_return true;
    });
    delete label;
    QTRY_VERIFY(task.isFinished());
    QCOMPARE(task.get(), false);
  }

  void cancellingAMainTaskEndsItsWait() {
    auto task = app::spawnOnMain([]() -> asio::awaitable<void> {
      co_await async::sleep(std::chrono::seconds(30));
    });
    QTest::qWait(10);
    task.cancel();
    QTRY_VERIFY(task.isFinished());
    QVERIFY_THROWS_EXCEPTION(async::CancellationError, task.get());
  }
};

QTEST_MAIN(SheetsGuiTest)
#include "SheetsGuiTest.moc"
