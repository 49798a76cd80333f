// The controller and app settings panes against simulated devices: what each pane shows, which
// keys reach the devices, the mixed states, resets, failures and the buttons while applying.

#include <algorithm>
#include <map>
#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QtTest>

#include "DevicesTesting.h"
#include "GuiTesting.h"
#include "ScriptedDialogs.h"
#include "app/Devices/AppSettingsViewController.h"
#include "app/Devices/SelectionPanes.h"
#include "app/Devices/RotaverSettingsViewController.h"
#include "osc/ThrowingContinuationError.h"

using namespace std::chrono_literals;
using app::SettingsPane;
using app::testing::DeviceConfig;

namespace {

constexpr std::uint64_t shortTimeout = 600'000'000;  // ns: long enough for a simulated device
constexpr const char* setPropertyAddress = "/VELTOapp/control/SetProperty";
const char* const controllerBoxes[] = {"autoUnmuteButton",       "relativeGroupMixingButton", "muteSoloControlButton",
                                       "exclusiveSoloButton",    "showDecibelsButton",        "groupBankAvailableButton",
                                       "groupBankLockButton",    "channelConfigButton",       "ambAuxMixControlButton",
                                       "configMenuButton",       "saveLoadMenuButton"};
const char* const appBoxes[] = {"demoModeButton", "relativeGroupMixingButton", "exclusiveSoloButton",
                                "panningModeButton", "muteSoloControlButton"};

DeviceConfig withSetting(DeviceConfig config, const std::string& key, const std::string& text) {
  for (auto& [k, v] : config.appSettings)
    if (k == key) v = text;
  return config;
}

}  // namespace

class SettingsPanesGuiTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<app::testing::SimulatedDevices> devices_;

  // Starts the devices and connects a client of their kind to each; waits for their status.
  void connectAll(std::vector<DeviceConfig> configs) {
    devices_ = std::make_unique<app::testing::SimulatedDevices>(std::move(configs), 50);
    for (std::size_t k = 0; k < devices_->clients.size(); ++k) {
      QVERIFY(devices_->connect(k));
      waitForStatus(k);
    }
  }

  // Waits until client k holds the device's current settings.
  void waitForStatus(std::size_t k) {
    const auto expected = devices_->simulator->config(k).appSettings;
    auto matches = [&] {
      const auto properties = devices_->clients[k]->status()->appSettings->properties;
      return std::all_of(expected.begin(), expected.end(), [&](const auto& pair) {
        auto found = properties.find(pair.first);
        return found != properties.end() && found->second == pair.second;
      });
    };
    QTRY_VERIFY_WITH_TIMEOUT(matches(), 5000);
  }

  // The settings device k was sent, key to text.
  std::map<std::string, std::string> keysSent(std::size_t k) const {
    std::map<std::string, std::string> keys;
    for (const auto& r : devices_->simulator->received(k, setPropertyAddress))
      keys[*r.message.string(0)] = *r.message.string(1);
    return keys;
  }
  std::vector<std::string> firstArguments(std::size_t k, std::string_view address) const {
    std::vector<std::string> texts;
    for (const auto& r : devices_->simulator->received(k, address)) texts.push_back(r.message.string(0).value_or("?"));
    return texts;
  }
  std::string setting(std::size_t k, const std::string& key) const {
    for (const auto& [name, text] : devices_->simulator->config(k).appSettings)
      if (name == key) return text;
    return "";
  }

  // The inspector makes this pane for the clients, at the settings panes' width.
  void madeByTheInspector(const QString& pane) {
    const auto made = app::SelectionPanes().make(devices_->clients);
    std::unique_ptr<QWidget> widget(made.widget);
    QCOMPARE(widget->objectName(), pane);
    QCOMPARE(made.minimumWidth, 250);
  }

  template <class W>
  static W* child(QWidget& pane, const char* name) {
    auto* widget = pane.findChild<W*>(name);
    if (widget == nullptr) qFatal("no child %s", name);
    return widget;
  }
  static void show(QWidget& pane) {
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
  }
  static bool idle(QWidget& pane) {
    return child<QPushButton>(pane, "applyButton")->isEnabled() && child<QPushButton>(pane, "resetButton")->isEnabled() &&
           child<QWidget>(pane, "progressIndicator")->isHidden();
  }
  static bool applying(QWidget& pane) {
    return !child<QPushButton>(pane, "applyButton")->isEnabled() &&
           !child<QPushButton>(pane, "resetButton")->isEnabled() &&
           !child<QWidget>(pane, "progressIndicator")->isHidden();
  }
  // Presses a button and waits for the apply to end.
  static void press(QWidget& pane, const char* button) {
    child<QPushButton>(pane, button)->click();
    QVERIFY(applying(pane));
    QTRY_VERIFY_WITH_TIMEOUT(idle(pane), 8000);
  }
  static Qt::CheckState state(QWidget& pane, const char* box) { return child<QCheckBox>(pane, box)->checkState(); }
  static std::vector<QString> mixedBoxes(QWidget& pane) {
    std::vector<QString> mixed;
    for (auto* box : pane.findChildren<QCheckBox*>())
      if (box->checkState() == Qt::PartiallyChecked) mixed.push_back(box->objectName());
    return mixed;
  }

 private Q_SLOTS:
  void cleanup() {
    if (!devices_) return;
    for (const auto& client : devices_->clients) {
      const auto queue = client->queue();
      client->disconnect();
      queue->sync([] {});
    }
    devices_.reset();
  }

  void oneControllerIsRenamedBeforeAllElevenOptionsAreSent() {
    app::testing::ScriptedDialogs dialogs;
    connectAll({DeviceConfig::controller(1, "")});
    madeByTheInspector("RotaverSettingsViewController");

    app::RotaverSettingsViewController pane(devices_->clients, shortTimeout);
    show(pane);
    auto* name = child<QLineEdit>(pane, "nameTextField");
    QVERIFY(name->isEnabled());
    QCOMPARE(name->text(), QString("Sim CTRL 1"));
    QVERIFY(mixedBoxes(pane).empty());
    QCOMPARE(state(pane, "exclusiveSoloButton"), Qt::Unchecked);
    QCOMPARE(state(pane, "groupBankLockButton"), Qt::Unchecked);
    QCOMPARE(state(pane, "saveLoadMenuButton"), Qt::Checked);
    app::testing::saveScreenshot(pane, "controller-settings");

    name->setText("Stage Left");
    std::map<std::string, std::string> flipped;
    for (const char* box : controllerBoxes) child<QCheckBox>(pane, box)->click();
    for (const auto& [key, text] : devices_->simulator->config(0).appSettings)
      if (key.starts_with("Rotv") && key != "RotvDisplayDim") flipped[key] = text == "1" ? "0" : "1";
    flipped["ExclusiveSolo"] = "1";
    devices_->simulator->clearReceived();
    press(pane, "applyButton");

    QCOMPARE(firstArguments(0, "/VELTOpelion/Hardware/UnitName"), std::vector<std::string>{"Stage Left"});
    QCOMPARE(keysSent(0).size(), std::size_t(11));
    QVERIFY(keysSent(0) == flipped);
    const auto rename = devices_->simulator->received(0, "/VELTOpelion/Hardware/UnitName").front().time;
    QVERIFY(rename <= devices_->simulator->received(0, setPropertyAddress).front().time);
    QVERIFY(dialogs.alerts.empty());
    // The finish shows what the device now holds.
    QCOMPARE(state(pane, "exclusiveSoloButton"), Qt::Checked);
    QCOMPARE(state(pane, "saveLoadMenuButton"), Qt::Unchecked);
  }

  void aFailedRenameEndsTheApplyWithoutSendingOrAlerting() {
    app::testing::ScriptedDialogs dialogs;
    connectAll({DeviceConfig::controller(2, "")});
    app::RotaverSettingsViewController pane(devices_->clients, shortTimeout);
    show(pane);
    child<QCheckBox>(pane, "autoUnmuteButton")->click();
    QCOMPARE(state(pane, "autoUnmuteButton"), Qt::Unchecked);
    devices_->clients[0]->disconnect();  // the rename cannot be sent now
    devices_->simulator->clearReceived();
    press(pane, "applyButton");
    for (const char* address : std::initializer_list<const char*>{"/VELTOpelion/Hardware/UnitName", setPropertyAddress, "/VELTOpelion/Hardware/StatusUpdate"})
      QVERIFY2(devices_->simulator->received(0, address).empty(), address);
    QVERIFY(dialogs.alerts.empty());
    QCOMPARE(state(pane, "autoUnmuteButton"), Qt::Checked);
  }

  void twoControllersDifferingInGroupLockLeaveItAndTheNameOut() {
    app::testing::ScriptedDialogs dialogs;
    connectAll({DeviceConfig::controller(3, ""),
                                       withSetting(DeviceConfig::controller(4, ""), "RotvGroupLock", "1")});
    app::RotaverSettingsViewController pane(devices_->clients, shortTimeout);
    show(pane);
    auto* name = child<QLineEdit>(pane, "nameTextField");
    QVERIFY(!name->isEnabled());
    QCOMPARE(name->text(), QString("Multiple Devices Selected"));
    QCOMPARE(mixedBoxes(pane), std::vector<QString>{"groupBankLockButton"});
    app::testing::saveScreenshot(pane, "controller-settings-mixed");

    for (const char* box : controllerBoxes)
      if (std::string_view(box) != "groupBankLockButton") child<QCheckBox>(pane, box)->click();
    devices_->simulator->clearReceived();
    press(pane, "applyButton");
    for (std::size_t k = 0; k < 2; ++k) {
      const auto keys = keysSent(k);
      QCOMPARE(keys.size(), std::size_t(10));
      QVERIFY(!keys.contains("RotvGroupLock"));
      QVERIFY(firstArguments(k, "/VELTOpelion/Hardware/UnitName").empty());
    }
    QVERIFY(dialogs.alerts.empty());
    QCOMPARE(mixedBoxes(pane), std::vector<QString>{"groupBankLockButton"});

    // A click leaves the mixed state and never comes back to it.
    auto* lock = child<QCheckBox>(pane, "groupBankLockButton");
    std::vector<Qt::CheckState> states;
    for (int k = 0; k < 3; ++k) {
      lock->click();
      states.push_back(lock->checkState());
    }
    QCOMPARE(states, (std::vector<Qt::CheckState>{Qt::Checked, Qt::Unchecked, Qt::Checked}));
  }

  void resetSendsTheResetColumnOfEachPane() {
    app::testing::ScriptedDialogs dialogs;
    connectAll({DeviceConfig::controller(5, "")});
    app::RotaverSettingsViewController controller(devices_->clients, shortTimeout);
    child<QLineEdit>(controller, "nameTextField")->setText("Drum Riser");
    child<QCheckBox>(controller, "groupBankLockButton")->click();  // on: the reset puts it back
    devices_->simulator->clearReceived();
    press(controller, "resetButton");
    QVERIFY((keysSent(0) == std::map<std::string, std::string>{{"ExclusiveSolo", "1"}}));
    QCOMPARE(firstArguments(0, "/VELTOpelion/Hardware/UnitName"), std::vector<std::string>{"Drum Riser"});
    QCOMPARE(state(controller, "exclusiveSoloButton"), Qt::Checked);
    QCOMPARE(state(controller, "groupBankLockButton"), Qt::Unchecked);
    cleanup();

    auto config = withSetting(DeviceConfig::app(6, ""), "ExclusiveSolo", "1");
    connectAll({withSetting(config, "ChannelGainStepdB", "2.0")});
    app::AppSettingsViewController app(devices_->clients, shortTimeout);
    devices_->simulator->clearReceived();
    press(app, "resetButton");
    QVERIFY((keysSent(0) == std::map<std::string, std::string>{{"ExclusiveSolo", "0"}, {"ChannelGainStepdB", "0.5"}}));
    QCOMPARE(child<QComboBox>(app, "channelGainStepsPopUpButton")->currentText(), QString("0.5"));
    QVERIFY(dialogs.alerts.empty());
  }

  void oneAppShowsItsStepsAndSendsEveryKeyWithItsName() {
    app::testing::ScriptedDialogs dialogs;
    auto config = withSetting(DeviceConfig::app(7, ""), "GroupGainStepdB", "1.0");
    connectAll({withSetting(config, "AppName", "Monitor A")});
    madeByTheInspector("AppSettingsViewController");

    app::AppSettingsViewController pane(devices_->clients, shortTimeout);
    show(pane);
    auto* name = child<QLineEdit>(pane, "nameTextField");
    auto* channel = child<QComboBox>(pane, "channelGainStepsPopUpButton");
    auto* group = child<QComboBox>(pane, "groupGainStepsPopUpButton");
    QVERIFY(name->isEnabled());
    QCOMPARE(name->text(), QString("Monitor A"));
    QCOMPARE(channel->count(), 14);
    QCOMPARE(channel->currentText(), QString("0.5"));
    QCOMPARE(group->currentText(), QString("1.0"));
    QVERIFY(mixedBoxes(pane).empty());
    app::testing::saveScreenshot(pane, "app-settings");

    name->setText("Monitor B");
    for (const char* box : appBoxes) child<QCheckBox>(pane, box)->click();
    channel->setCurrentText("1.5");
    group->setCurrentText("2.0");
    devices_->simulator->clearReceived();
    press(pane, "applyButton");
    const std::map<std::string, std::string> expected{
        {"DemoModeAvailable", "0"}, {"RelativeGroupMixing", "0"}, {"ExclusiveSolo", "1"},
        {"MonoStereo3DAvailable", "0"}, {"RotvMuteSoloAvailable", "0"}, {"ChannelGainStepdB", "1.5"},
        {"GroupGainStepdB", "2.0"}};
    QVERIFY(keysSent(0) == expected);
    QCOMPARE(firstArguments(0, "/VELTOpelion/Hardware/AppName"), std::vector<std::string>{"Monitor B"});
    QCOMPARE(setting(0, "AppName"), std::string("Monitor B"));
    QCOMPARE(channel->currentText(), QString("1.5"));
    QVERIFY(dialogs.alerts.empty());
  }

  void differentChannelStepsShowMultipleValuesTillTheAppsAgree() {
    app::testing::ScriptedDialogs dialogs;
    auto first = withSetting(DeviceConfig::app(8, ""), "GroupGainStepdB", "2.0");
    auto second = withSetting(withSetting(DeviceConfig::app(9, ""), "GroupGainStepdB", "2.0"),
                              "ChannelGainStepdB", "1.0");
    connectAll({first, second});
    app::AppSettingsViewController pane(devices_->clients, shortTimeout);
    show(pane);
    auto* channel = child<QComboBox>(pane, "channelGainStepsPopUpButton");
    auto* group = child<QComboBox>(pane, "groupGainStepsPopUpButton");
    auto showsMultipleValues = [channel] {
      auto* model = qobject_cast<QStandardItemModel*>(channel->model());
      return channel->count() == 15 && channel->currentIndex() == 14 && channel->currentText() == "Multiple Values" &&
             !model->item(14)->isEnabled();
    };
    QVERIFY(showsMultipleValues());
    QCOMPARE(group->currentText(), QString("2.0"));
    QVERIFY(!child<QLineEdit>(pane, "nameTextField")->isEnabled());
    app::testing::saveScreenshot(pane, "app-settings-mixed");

    group->setCurrentText("2.5");
    devices_->simulator->clearReceived();
    press(pane, "applyButton");
    for (std::size_t k = 0; k < 2; ++k) {
      QVERIFY((keysSent(k) == std::map<std::string, std::string>{{"GroupGainStepdB", "2.5"}}));
      QVERIFY(devices_->simulator->received(k, "/VELTOpelion/Hardware/AppName").empty());
    }
    QVERIFY(showsMultipleValues());  // still one such item

    devices_->simulator->update(1, [](DeviceConfig& c) {
      for (auto& [key, text] : c.appSettings)
        if (key == "ChannelGainStepdB") text = "0.5";
    });
    devices_->simulator->sendStatus(1);
    waitForStatus(1);
    press(pane, "applyButton");
    QCOMPARE(channel->count(), 14);
    QCOMPARE(channel->currentText(), QString("0.5"));
    QVERIFY(dialogs.alerts.empty());
  }

  void aDeviceThatDoesNotConfirmGivesOneAlertAndTheOthersAreUpdated() {
    app::testing::ScriptedDialogs dialogs;
    connectAll({DeviceConfig::controller(10, ""),
                                       DeviceConfig::controller(11, ""),
                                       DeviceConfig::controller(12, "")});
    devices_->simulator->update(1, [](DeviceConfig& c) { c.behaviour.silent = true; });
    app::RotaverSettingsViewController pane(devices_->clients, shortTimeout);
    show(pane);
    child<QCheckBox>(pane, "autoUnmuteButton")->click();
    child<QPushButton>(pane, "applyButton")->click();
    QVERIFY(applying(pane));
    QTest::qWait(50);
    app::testing::saveScreenshot(pane, "controller-settings-applying");
    QTRY_VERIFY_WITH_TIMEOUT(idle(pane), 8000);

    QCOMPARE(setting(0, "RotvAutoUnmute"), std::string("0"));
    QCOMPARE(setting(1, "RotvAutoUnmute"), std::string("1"));
    QCOMPARE(setting(2, "RotvAutoUnmute"), std::string("0"));
    QCOMPARE(keysSent(1).at("RotvAutoUnmute"), std::string("0"));  // sent, never confirmed
    QCOMPARE(dialogs.alerts.size(), std::size_t(1));
    QCOMPARE(dialogs.alerts[0].messageText, std::string("Error"));
    QCOMPARE(dialogs.alerts[0].informativeText,
             "Could not apply changes: " + std::string(osc::ThrowingContinuationError::timeout().what()));
    QVERIFY(dialogs.alerts[0].style == app::AlertStyle::warning);
    QCOMPARE(mixedBoxes(pane), std::vector<QString>{"autoUnmuteButton"});
  }

  void anApplyOutlivingItsPaneStillAlertsAndTouchesNothing() {
    app::testing::ScriptedDialogs dialogs;
    connectAll({DeviceConfig::controller(13, "")});
    devices_->simulator->update(0, [](DeviceConfig& c) { c.behaviour.silent = true; });
    auto pane = std::make_unique<app::RotaverSettingsViewController>(devices_->clients, shortTimeout);
    child<QCheckBox>(*pane, "showDecibelsButton")->click();
    child<QPushButton>(*pane, "applyButton")->click();
    pane.reset();
    QTRY_COMPARE_WITH_TIMEOUT(dialogs.alerts.size(), std::size_t(1), 8000);
    QTRY_COMPARE(keysSent(0).at("RotvShowDecibels"), std::string("0"));
  }
};

QTEST_MAIN(SettingsPanesGuiTest)
#include "SettingsPanesGuiTest.moc"
