#include <stdexcept>

#include <QComboBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QtTest>

#include "GuiTesting.h"
#include "ScriptedDialogs.h"
#include "app/Devices/NetworkSettingsViewController.h"
#include "app/GuiExecutor.h"

using app::NetworkChange;
using app::NetworkSettingsViewController;

class NetworkSettingsGuiTest : public QObject {
  Q_OBJECT

 private:
  QMainWindow window_;
  std::vector<NetworkChange> sent_;
  std::exception_ptr failure_;

  std::unique_ptr<NetworkSettingsViewController> makeSheet(const char* ip, const char* gateway) {
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
    sent_.clear();
    failure_ = nullptr;
    window_.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window_));
  }

  // Return with the automatic mode kept closes the sheet and sends nothing.
  void automaticModeDisablesTheFieldsTillFixedIsChosen() {
    app::testing::ScriptedDialogs dialogs;
    auto sheet = makeSheet("0.0.0.0", "0.0.0.0");
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
    auto sheet = makeSheet("192.168.1.20", "192.168.1.1");
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
    auto sheet = makeSheet("192.168.1.20", "192.168.1.1");
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
    auto sheet = makeSheet("192.168.1.20", "192.168.1.1");
    child<QComboBox>(*sheet, "modePopUpButton")->setCurrentIndex(0);
    QTest::mouseClick(child<QPushButton>(*sheet, "applyButton"), Qt::LeftButton);
    sheet.reset();
    QTest::qWait(20);
    QVERIFY(dialogs.alerts.empty());
  }
};

QTEST_MAIN(NetworkSettingsGuiTest)
#include "NetworkSettingsGuiTest.moc"
