// The devices window against simulated devices, the program's start, and the controller and app
// settings panes: what each pane shows, which keys reach the devices, the mixed states, resets,
// failures and the buttons while applying.

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QtTest>

#include "GuiTesting.h"
#include "ScriptedDialogs.h"
#include "app/AppDelegate.h"
#include "app/Data/DeviceManager.h"
#include "app/Devices/AppSettingsViewController.h"
#include "app/Devices/ClientKind.h"
#include "app/Devices/DevicesList.h"
#include "app/Devices/DevicesViewController.h"
#include "app/Devices/DevicesWindowController.h"
#include "app/Devices/NetworkSettingsViewController.h"
#include "app/Devices/RotaverSettingsViewController.h"
#include "app/Devices/SelectionPanes.h"
#include "app/PresetManager/PresetManagerSourcesViewController.h"
#include "app/PresetManager/PresetManagerWindow.h"
#include "app/PresetManager/PresetManagerWindowController.h"
#include "app/PresetManager/SourcesModel.h"
#include "async/TaskHandle.h"
#include "device/Clients/AppClient.h"
#include "device/Clients/ProcessorClient.h"
#include "device/Clients/RotaverClient.h"
#include "osc/ThrowingContinuationError.h"
#include "platform/NotificationCenter.h"
#include "simulator/DeviceSimulator.h"
#include "tests/support/UdpReceiver.h"

// Devices for the window tests: simulated devices on this folder's own loopback addresses, device
// clients connected to them the way the device manager connects each kind, and the manager's
// notifications posted by hand. The GUI thread is never blocked: waits spin the event loop.
namespace app::testing {

using testsupport::DeviceConfig;

class SimulatedDevices {
 public:
  // `configs` get addresses 127.0.24.<firstHost + k> and system-chosen ports.
  explicit SimulatedDevices(std::vector<DeviceConfig> configs, int firstHost = 10) {
    for (std::size_t k = 0; k < configs.size(); ++k) {
      configs[k].address = "127.0.24." + std::to_string(firstHost + static_cast<int>(k));
      configs[k].discoveryPort = configs[k].companionPort = configs[k].controlPort = 0;
    }
    simulator = std::make_unique<testsupport::DeviceSimulator>(configs);
    simulator->start();
    for (std::size_t k = 0; k < configs.size(); ++k) clients.push_back(makeClient(k, configs[k]));
  }

  // Connects client k as the manager would; gives whether it came online.
  bool connect(std::size_t k) {
    auto client = clients.at(k);
    auto type = simulator->config(k).type;
    auto start = [client, type]() -> boost::asio::awaitable<void> {
      constexpr std::uint64_t timeout = 10'000'000'000;  // generous: sanitizer builds on busy machines
      if (auto processor = std::dynamic_pointer_cast<device::ProcessorClient>(client))
        co_await processor->startSession(type, device::ConnectionMode::Admin, timeout);
      else if (auto controller = std::dynamic_pointer_cast<device::RotaverClient>(client))
        co_await controller->connectSteps(timeout);
      else if (auto peer = std::dynamic_pointer_cast<device::AppClient>(client))
        co_await peer->connectSteps(timeout);
    };
    auto task = async::spawn(start);
    return QTest::qWaitFor([&task] { return task.isFinished(); }, 15000) && !task.core()->error() &&
           client->isOnline();
  }

  void post(const char* name, std::size_t k) {
    center.post(name, nullptr, {{DeviceManager::kClientKey, clients.at(k)}});
  }

  // The messages device k received at `address` since `since`.
  std::size_t received(std::size_t k, const std::string& address,
                       testsupport::DeviceSimulator::Clock::time_point since = {}) const {
    std::size_t count = 0;
    for (const auto& message : simulator->received(k, address))
      if (message.time >= since) ++count;
    return count;
  }

  // A manager that is never started: its list stays empty, the notifications come from the test.
  DeviceManager& manager() {
    if (!manager_) {
      DeviceManager::Configuration configuration;
      configuration.discoveryListenPort = 0;
      configuration.notificationCenter = &center;
      manager_ = std::make_unique<DeviceManager>(configuration);
    }
    return *manager_;
  }

  platform::NotificationCenter center;
  std::unique_ptr<testsupport::DeviceSimulator> simulator;
  std::vector<ClientPtr> clients;

 private:
  ClientPtr makeClient(std::size_t k, const DeviceConfig& config) {
    device::VeltoClientOptions options;
    options.appPort = simulator->companionPort(k);
    const auto port = simulator->controlPort(k);
    const device::SoftwareVersion version(1, 0, 0);
    switch (config.type.value()) {
      case device::DeviceType::Value::rotaver:
        return device::VeltoClient::make<device::RotaverClient>(config.address, port, 0, std::nullopt, std::nullopt,
                                                               "Linux", version, options);
      case device::DeviceType::Value::app:
        return device::VeltoClient::make<device::AppClient>(config.address, port, 0, std::nullopt, std::nullopt,
                                                           "Linux", version, options);
      default:
        return device::VeltoClient::make<device::ProcessorClient>(config.address, port, 0, std::nullopt,
                                                                 std::nullopt, "Linux", version, nullptr, options);
    }
  }

  std::unique_ptr<DeviceManager> manager_;  // before the clients' simulator goes
};

inline DeviceConfig named(DeviceConfig config, std::string name) {
  config.name = std::move(name);
  return config;
}

}  // namespace app::testing


using namespace std::chrono_literals;
using app::ClientPtr;
using app::DeviceManager;
using app::DevicesWindowController;
using app::SettingsPane;
using namespace app::testing;
using Clock = testsupport::DeviceSimulator::Clock;

Q_DECLARE_METATYPE(std::vector<std::size_t>)

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

// Port numbers of this test only (ctest runs the tests side by side in one namespace).
constexpr std::uint16_t kDiscoveryPort = 19124;

// The program as main puts it together, with discovery on loopback and this test's ports.
struct Program {
  explicit Program(std::uint16_t discoveryListenPort) : manager(configuration(discoveryListenPort)), window(manager, center) {
    window.show();
  }

  DeviceManager::Configuration configuration(std::uint16_t discoveryListenPort) {
    DeviceManager::Configuration configuration;
    configuration.notificationCenter = &center;
    configuration.discoveryListenPort = discoveryListenPort;
    configuration.discovery.discoveryPort = kDiscoveryPort;
    configuration.discovery.period = std::chrono::milliseconds(200);
    const net::Interface loopback("lo", net::Interface::Family::ipv4, "127.0.0.1", "255.0.0.0", true, true, true,
                                  false, std::nullopt);
    configuration.discovery.interfaces = [loopback] { return std::vector<net::Interface>{loopback}; };
    configuration.firstClientListenPort = 0;
    return configuration;
  }

  platform::NotificationCenter center;
  DeviceManager manager;
  app::DevicesWindowController window;
  app::AppDelegate delegate{manager};
};

}  // namespace

class DevicesWindowGuiTest : public QObject {
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
  // Apply and Reset are disabled and the indicator shown exactly while applying.
  static bool showsApplying(QWidget& pane, bool applying) {
    return child<QPushButton>(pane, "applyButton")->isEnabled() != applying &&
           child<QPushButton>(pane, "resetButton")->isEnabled() != applying &&
           child<QWidget>(pane, "progressIndicator")->isHidden() != applying;
  }
  // Presses a button and waits for the apply to end.
  static void press(QWidget& pane, const char* button) {
    child<QPushButton>(pane, button)->click();
    QVERIFY(showsApplying(pane, true));
    QTRY_VERIFY_WITH_TIMEOUT(showsApplying(pane, false), 8000);
  }
  static Qt::CheckState state(QWidget& pane, const char* box) { return child<QCheckBox>(pane, box)->checkState(); }
  static std::vector<QString> mixedBoxes(QWidget& pane) {
    std::vector<QString> mixed;
    for (auto* box : pane.findChildren<QCheckBox*>())
      if (box->checkState() == Qt::PartiallyChecked) mixed.push_back(box->objectName());
    return mixed;
  }

  // The devices of most cases: an app, two processors and two controllers, all connected.
  static std::vector<DeviceConfig> mixedDevices() {
    return {named(DeviceConfig::app(1, ""), "Phone"),          named(DeviceConfig::processor(2, ""), "monitor"),
            named(DeviceConfig::controller(3, ""), "Drums"),   named(DeviceConfig::processor(4, ""), "Stage"),
            named(DeviceConfig::controller(5, ""), "Bass")};
  }

  // The window over `devices`, each connected and announced.
  static std::unique_ptr<DevicesWindowController> openWindow(SimulatedDevices& devices) {
    auto window = std::make_unique<DevicesWindowController>(devices.manager(), devices.center);
    for (std::size_t k = 0; k < devices.clients.size(); ++k) {
      if (!devices.connect(k)) qFatal("device %zu did not connect", k);
      devices.post(DeviceManager::kSourceAdded, k);
    }
    window->show();
    if (!QTest::qWaitFor([&] { return window->devicesViewController()->clients().size() == devices.clients.size(); }))
      qFatal("the list did not fill");
    return window;
  }

  static QStringList names(DevicesWindowController& window) {
    QStringList shown;
    for (const auto& client : window.devicesViewController()->clients())
      shown << QString::fromStdString(app::DevicesList::cellValue(*client, "name"));
    return shown;
  }

  // Selects exactly these devices in the table.
  static void select(DevicesWindowController& window, SimulatedDevices& devices, const std::vector<std::size_t>& which) {
    auto* view = window.devicesViewController();
    auto* selection = view->tableView()->selectionModel();
    selection->clearSelection();
    for (auto k : which) {
      const auto& listed = view->clients();
      for (std::size_t r = 0; r < listed.size(); ++r)
        if (listed[r] == devices.clients[k])
          selection->select(view->tableView()->model()->index(static_cast<int>(r), 0),
                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }

  static QAction* action(DevicesWindowController& window, const char* name) {
    return window.findChild<QAction*>(name);
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
    QVERIFY(showsApplying(pane, true));
    QTest::qWait(50);
    app::testing::saveScreenshot(pane, "controller-settings-applying");
    QTRY_VERIFY_WITH_TIMEOUT(showsApplying(pane, false), 8000);

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

  void theListKeepsItsOrderUnderNotifications() {
    SimulatedDevices devices(mixedDevices());
    auto window = openWindow(devices);
    // By type text, then by name; upper case before lower case.
    QCOMPARE(names(*window), (QStringList{"Phone", "Stage", "monitor", "Bass", "Drums"}));
    auto* table = window->devicesViewController()->tableView();
    QCOMPARE(table->model()->headerData(4, Qt::Horizontal, Qt::UserRole).toString(), QString("version"));
    QCOMPARE(table->model()->index(1, 4).data().toString(), QString("3.2.1"));
    QCOMPARE(app::DevicesList::cellValue(*devices.clients[0], "uid"), std::string());

    // Announced again, removed, removed again, unknown: each changes the list at most once.
    select(*window, devices, {1});
    QCOMPARE(window->inspector()->objectName(), QString("UnsupportedDeviceTypeViewController"));
    devices.post(DeviceManager::kSourceAdded, 3);
    devices.post(DeviceManager::kSourceRemoved, 1);
    devices.post(DeviceManager::kSourceRemoved, 1);
    devices.center.post(DeviceManager::kSourceRemoved, nullptr, {{"client", std::string("not a client")}});
    QTRY_COMPARE(names(*window), (QStringList{"Phone", "Stage", "Bass", "Drums"}));
    // The selected device went away: the inspector and the actions follow.
    QCOMPARE(window->inspector()->objectName(), QString("NoSelectionViewController"));
    QVERIFY(!action(*window, "rebootDevice")->isEnabled());
    devices.post(DeviceManager::kSourceAdded, 1);
    QTRY_COMPARE(names(*window), (QStringList{"Phone", "Stage", "monitor", "Bass", "Drums"}));

    // A client that never heard from its device has no name and no type: it sorts first.
    ClientPtr silent = device::VeltoClient::make<device::ProcessorClient>("127.0.24.99", 9, 0, std::nullopt,
                                                                          std::nullopt, "Linux", device::SoftwareVersion());
    devices.center.post(DeviceManager::kSourceAdded, nullptr, {{"client", silent}});
    QTRY_COMPARE(names(*window), (QStringList{"", "Phone", "Stage", "monitor", "Bass", "Drums"}));
    app::testing::saveScreenshot(*window, "devices-window");
  }

  void theInspectorAndTheActionsFollowTheSelection_data() {
    QTest::addColumn<std::vector<std::size_t>>("selected");
    QTest::addColumn<QString>("pane");
    QTest::addColumn<bool>("deviceActions");
    QTest::addColumn<bool>("dim");
    QTest::newRow("nothing") << std::vector<std::size_t>{} << "NoSelectionViewController" << false << false;
    QTest::newRow("one processor") << std::vector<std::size_t>{1} << "UnsupportedDeviceTypeViewController" << true
                                   << false;
    QTest::newRow("processor and controller")
        << std::vector<std::size_t>{1, 2} << "MismatchingDeviceTypeViewController" << true << true;
    QTest::newRow("two controllers") << std::vector<std::size_t>{2, 4} << "RotaverSettingsViewController" << true
                                     << true;
    QTest::newRow("an app") << std::vector<std::size_t>{0} << "AppSettingsViewController" << false << false;
    QTest::newRow("app and processor") << std::vector<std::size_t>{0, 1} << "MismatchingDeviceTypeViewController"
                                       << true << false;
  }

  void theInspectorAndTheActionsFollowTheSelection() {
    QFETCH(std::vector<std::size_t>, selected);
    QFETCH(QString, pane);
    QFETCH(bool, deviceActions);
    QFETCH(bool, dim);
    SimulatedDevices devices(mixedDevices());
    auto window = openWindow(devices);
    select(*window, devices, {3});  // something else first, so that each row shows a change
    select(*window, devices, selected);
    QCOMPARE(window->splitView()->count(), 2);
    QCOMPARE(window->inspector()->objectName(), pane);
    QVERIFY(window->inspector()->isVisible());
    for (auto* name : {"editNetworkSettings", "rebootDevice", "factoryReset"})
      QCOMPARE(action(*window, name)->isEnabled(), deviceActions);
    for (auto* name : {"rotvDimDisplay", "rotvUndimDisplay"}) QCOMPARE(action(*window, name)->isEnabled(), dim);
    app::testing::saveScreenshot(*window, QString("devices-") + QTest::currentDataTag());
  }

  void settingsPanesPlugInPerSelectionKind() {
    SimulatedDevices devices(mixedDevices());
    auto window = openWindow(devices);
    std::vector<ClientPtr> handed;
    window->inspectorPanes().setFactory(app::SelectionKind::controllers, [&handed](const std::vector<ClientPtr>& clients) {
      handed = clients;
      auto* pane = new QLabel("controllers");
      pane->setObjectName("RotaverSettingsViewController");
      return app::InspectorPane{pane, app::SelectionPanes::kSettingsPaneWidth};
    });
    select(*window, devices, {4, 2});
    QCOMPARE(window->inspector()->objectName(), QString("RotaverSettingsViewController"));
    QCOMPARE(window->inspector()->minimumWidth(), 250);
    QVERIFY(handed == (std::vector<ClientPtr>{devices.clients[4], devices.clients[2]}));  // list order
    select(*window, devices, {});
    QCOMPARE(window->inspector()->objectName(), QString("NoSelectionViewController"));
    QCOMPARE(window->splitView()->count(), 2);
  }

  void confirmationsNameTheEligibleDevicesAndNoSendsNothing_data() {
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<std::vector<std::size_t>>("selected");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("question");
    QTest::newRow("reboot one processor beside an app")
        << "rebootDevice" << std::vector<std::size_t>{0, 3} << "Reboot" << "Are you sure you want to reboot \"Stage\"?";
    QTest::newRow("reboot three") << "rebootDevice" << std::vector<std::size_t>{1, 2, 3} << "Reboot"
                                  << "Are you sure you want to reboot 3 devices?";
    QTest::newRow("reset one") << "factoryReset" << std::vector<std::size_t>{2} << "Factory Reset"
                               << "Are you sure you want to reset \"Drums\" to factory settings?";
    QTest::newRow("reset two") << "factoryReset" << std::vector<std::size_t>{2, 4} << "Factory Reset"
                               << "Are you sure you want to reset 2 devices to factory settings?";
  }

  void confirmationsNameTheEligibleDevicesAndNoSendsNothing() {
    QFETCH(QString, actionName);
    QFETCH(std::vector<std::size_t>, selected);
    QFETCH(QString, title);
    QFETCH(QString, question);
    SimulatedDevices devices(mixedDevices());
    auto window = openWindow(devices);
    app::testing::ScriptedDialogs dialogs;
    dialogs.answers = {app::alertSecondButtonReturn};  // "No"
    select(*window, devices, selected);
    action(*window, actionName.toUtf8().constData())->trigger();
    QCOMPARE(dialogs.alerts.size(), 1u);
    QCOMPARE(QString::fromStdString(dialogs.alerts[0].messageText), title);
    QCOMPARE(QString::fromStdString(dialogs.alerts[0].informativeText), question);
    QVERIFY(dialogs.alerts[0].buttons == (std::vector<std::string>{"Yes", "No"}));
    QVERIFY(dialogs.alerts[0].style == app::AlertStyle::informational);
    QTest::qWait(100);
    for (std::size_t k = 0; k < devices.clients.size(); ++k) {
      QCOMPARE(devices.received(k, "/VELTOpelion/Hardware/Restart"), 0u);
      QCOMPARE(devices.received(k, "/VELTOpelion/Hardware/FactoryReset"), 0u);
    }
  }

  void aFailedRebootIsReportedAndTheNextDeviceStillRebooted() {
    SimulatedDevices devices(mixedDevices());
    auto window = openWindow(devices);
    app::testing::ScriptedDialogs dialogs;
    select(*window, devices, {1, 2, 3});  // list order: Stage, monitor, Drums
    devices.clients[1]->disconnect();     // monitor, the second
    action(*window, "rebootDevice")->trigger();
    QTRY_COMPARE(dialogs.alerts.size(), 2u);
    QCOMPARE(dialogs.alerts[1].messageText, std::string("Error"));
    QCOMPARE(dialogs.alerts[1].informativeText, std::string("Could not reboot monitor"));
    QVERIFY(dialogs.windows == std::vector<QWidget*>(2, window.get()));  // the question and the alert
    QTRY_COMPARE(devices.received(2, "/VELTOpelion/Hardware/Restart"), 1u);
    QCOMPARE(devices.received(3, "/VELTOpelion/Hardware/Restart"), 1u);
    QCOMPARE(devices.received(1, "/VELTOpelion/Hardware/Restart"), 0u);

    select(*window, devices, {4});
    action(*window, "factoryReset")->trigger();
    QTRY_COMPARE(devices.received(4, "/VELTOpelion/Hardware/FactoryReset"), 1u);
    QCOMPARE(devices.simulator->received(4, "/VELTOpelion/Hardware/FactoryReset")[0].message.string(0),
             std::optional<std::string>("SIM-CTRL-5"));
  }

  void eachFailedCommandNamesItsDevice_data() {
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<std::vector<std::string>>("alerts");
    QTest::newRow("reboot") << "rebootDevice"
                            << std::vector<std::string>{"Could not reboot Stage", "Could not reboot monitor"};
    QTest::newRow("factory reset") << "factoryReset"
                                   << std::vector<std::string>{"Could not factory reset Stage",
                                                               "Could not factory reset monitor"};
  }

  void eachFailedCommandNamesItsDevice() {
    QFETCH(QString, actionName);
    QFETCH(std::vector<std::string>, alerts);
    SimulatedDevices devices(mixedDevices());
    auto window = openWindow(devices);
    app::testing::ScriptedDialogs dialogs;
    select(*window, devices, {1, 3});  // list order: Stage, monitor
    devices.clients[1]->disconnect();
    devices.clients[3]->disconnect();
    action(*window, actionName.toUtf8().constData())->trigger();
    QTRY_COMPARE(dialogs.alerts.size(), alerts.size() + 1);  // after the question
    const auto texts = dialogs.informativeTexts();
    QCOMPARE(std::vector<std::string>(texts.begin() + 1, texts.end()), alerts);
    for (std::size_t k = 1; k < dialogs.alerts.size(); ++k) {
      QCOMPARE(dialogs.alerts[k].messageText, std::string("Error"));
      QVERIFY(dialogs.alerts[k].style == app::AlertStyle::warning);
    }
  }

  void dimReachesOnlyControllersAndStopsAtTheFirstFailure() {
    SimulatedDevices devices(mixedDevices());
    auto window = openWindow(devices);
    app::testing::ScriptedDialogs dialogs;
    select(*window, devices, {3, 2});  // a processor and a controller
    action(*window, "rotvDimDisplay")->trigger();
    QTRY_COMPARE(devices.received(2, "/VELTOapp/control/SetProperty"), 1u);
    QCOMPARE(devices.received(3, "/VELTOapp/control/SetProperty"), 0u);
    QTest::qWait(50);
    QVERIFY(dialogs.alerts.empty());

    // Undim Bass and Drums (list order); Bass, the first, is offline.
    const auto since = Clock::now();
    select(*window, devices, {2, 4});
    devices.clients[4]->disconnect();
    // The list's context menu holds the same action.
    auto* undim = action(*window, "rotvUndimDisplay");
    QVERIFY(window->devicesViewController()->tableView()->actions().contains(undim));
    undim->trigger();
    QTRY_COMPARE(dialogs.alerts.size(), 1u);
    QCOMPARE(dialogs.alerts[0].messageText, std::string("Error"));
    QCOMPARE(dialogs.alerts[0].informativeText, std::string("The device is offline."));
    QCOMPARE(dialogs.windows[0], static_cast<QWidget*>(window.get()));
    QTest::qWait(100);
    QCOMPARE(devices.received(2, "/VELTOapp/control/SetProperty", since), 0u);
    QCOMPARE(devices.received(2, "/VELTOpelion/Hardware/StatusUpdate", since), 0u);
  }

  void aRenameThenAnInsertionKeepsTheSelectionOnItsDevices() {
    SimulatedDevices devices({named(DeviceConfig::controller(1, ""), "Alpha"), named(DeviceConfig::controller(2, ""), "Beta"),
                              named(DeviceConfig::controller(3, ""), "Gamma"), named(DeviceConfig::controller(4, ""), "Delta")});
    auto window = std::make_unique<DevicesWindowController>(devices.manager(), devices.center);
    for (std::size_t k = 0; k < 4; ++k) QVERIFY(devices.connect(k));
    for (std::size_t k = 0; k < 3; ++k) devices.post(DeviceManager::kSourceAdded, k);
    window->show();
    QTRY_COMPARE(names(*window), (QStringList{"Alpha", "Beta", "Gamma"}));
    select(*window, devices, {0});

    devices.simulator->update(0, [](DeviceConfig& config) { config.name = "Zulu"; });
    devices.simulator->sendUserInfos(0);
    QTRY_COMPARE(devices.clients[0]->deviceInfo()->name(), std::string("Zulu"));
    devices.post(DeviceManager::kSourceAdded, 3);
    QTRY_COMPARE(names(*window), (QStringList{"Beta", "Delta", "Gamma", "Zulu"}));
    QVERIFY(window->devicesViewController()->selectedClients() == std::vector<ClientPtr>{devices.clients[0]});

    app::testing::ScriptedDialogs dialogs;
    dialogs.answers = {app::alertSecondButtonReturn};
    action(*window, "rebootDevice")->trigger();
    QCOMPARE(dialogs.alerts.at(0).informativeText, std::string("Are you sure you want to reboot \"Zulu\"?"));
  }

  void theNetworkSheetWorksOnTheFirstEligibleDevice() {
    auto fixed = named(DeviceConfig::processor(2, ""), "Stage");
    fixed.fixedIP = "192.168.1.20";
    fixed.fixedGateway = "192.168.1.1";
    SimulatedDevices devices({named(DeviceConfig::app(1, ""), "Phone"), fixed, named(DeviceConfig::controller(3, ""), "Bass")});
    auto window = openWindow(devices);
    app::testing::ScriptedDialogs dialogs;
    select(*window, devices, {0, 2});  // app, then the controller: automatic
    action(*window, "editNetworkSettings")->trigger();
    auto* sheet = window->findChild<app::NetworkSettingsViewController*>();
    QTRY_VERIFY(sheet != nullptr && sheet->isVisible());
    QCOMPARE(sheet->findChild<QLabel*>("titleLabel")->text(), QString("Network Settings for Bass"));
    QTest::keyClick(sheet, Qt::Key_Return);  // automatic stays automatic
    QTRY_VERIFY(window->findChild<app::NetworkSettingsViewController*>() == nullptr);

    select(*window, devices, {1});
    action(*window, "editNetworkSettings")->trigger();
    sheet = window->findChild<app::NetworkSettingsViewController*>();
    QTRY_VERIFY(sheet != nullptr && sheet->isVisible());
    QCOMPARE(sheet->findChild<QComboBox*>("modePopUpButton")->currentIndex(), 1);
    sheet->findChild<QLineEdit*>("ipTextField")->setText("127.0.0.2");
    sheet->findChild<QLineEdit*>("gatewayTextField")->setText("0.0.0.0");
    QTest::mouseClick(sheet->findChild<QPushButton*>("applyButton"), Qt::LeftButton);
    QTRY_VERIFY(window->findChild<app::NetworkSettingsViewController*>() == nullptr);
    auto sent = devices.simulator->received(1, "/VELTOpelion/Hardware/FixedIP");
    QCOMPARE(sent.size(), 1u);
    QCOMPARE(sent[0].message.string(0), std::optional<std::string>("127.0.0.2"));
    QCOMPARE(sent[0].message.string(2), std::optional<std::string>("0.0.0.0"));
    QCOMPARE(devices.received(2, "/VELTOpelion/Hardware/FixedIP"), 0u);
    QVERIFY(dialogs.alerts.empty());
  }

  // The menu opens the one preset manager window over the window's manager; a second trigger
  // shows and raises the same window, also after it was closed (closing only hides it).
  void theMenuOpensOnePresetManagerWindow() {
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    SimulatedDevices devices({named(DeviceConfig::processor(1, ""), "Stage")}, 40);
    auto window = openWindow(devices);
    auto* open = action(*window, "showPresetManager");
    QVERIFY(open != nullptr && open->isEnabled());
    QCOMPARE(open->text(), QString("Preset Manager"));
    QVERIFY(app::PresetManagerWindow::instance() == nullptr);

    open->trigger();
    auto* presetManager = app::PresetManagerWindow::instance();
    QVERIFY(presetManager != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(presetManager));
    // It follows the devices window's manager: its notifications reach the sources list.
    devices.post(DeviceManager::kSourceAdded, 0);
    QTRY_COMPARE(presetManager->sourcesViewController().model().rowCount(), 1);

    presetManager->close();
    QVERIFY(!presetManager->isVisible());
    QVERIFY(app::PresetManagerWindow::instance() == presetManager);
    open->trigger();
    open->trigger();
    QCOMPARE(app::PresetManagerWindow::instance(), presetManager);
    QVERIFY(presetManager->isVisible());
    QCOMPARE(presetManager->sourcesViewController().model().rowCount(), 1);
    int shown = 0;
    for (auto* widget : QApplication::topLevelWidgets())
      if (qobject_cast<app::PresetManagerWindowController*>(widget) != nullptr) ++shown;
    QCOMPARE(shown, 1);

    app::PresetManagerWindow::destroy();
    QVERIFY(app::PresetManagerWindow::instance() == nullptr);
  }

  void aHeldDiscoveryPortGivesTheCriticalAlert() {
    // Another program holds the discovery listen port without sharing it.
    std::optional<testsupport::UdpReceiver> holder(std::in_place, "0.0.0.0", 6969);

    app::testing::ScriptedDialogs dialogs;
    Program program(6969);
    QVERIFY(!program.delegate.applicationDidFinishLaunching());
    QCOMPARE(dialogs.alerts.size(), 1u);
    QCOMPARE(dialogs.alerts[0].messageText, std::string("Could not start device discoverer"));
    QVERIFY(!dialogs.alerts[0].informativeText.empty());
    QVERIFY(dialogs.alerts[0].style == app::AlertStyle::critical);
    QTest::qWait(300);
    QVERIFY(program.window.devicesViewController()->clients().empty());
    program.delegate.applicationWillTerminate();
    holder.reset();
  }

  void aStartedProgramListsTheDevicesItFinds() {
    std::vector<DeviceConfig> configs{DeviceConfig::controller(1, "127.0.24.40"), DeviceConfig::processor(2, "127.0.24.41"),
                                      DeviceConfig::app(3, "127.0.24.42")};
    for (auto& config : configs) {
      config.discoveryPort = kDiscoveryPort;
      config.controlPort = config.companionPort = 0;
    }
    testsupport::DeviceSimulator simulator(configs, {.relayAddress = "127.0.0.1", .log = {}});
    simulator.start();

    app::testing::ScriptedDialogs dialogs;
    Program program(0);
    QVERIFY(program.delegate.applicationDidFinishLaunching());
    QTRY_COMPARE_WITH_TIMEOUT(program.window.devicesViewController()->clients().size(), 3u, 10000);
    QStringList types;
    for (const auto& client : program.window.devicesViewController()->clients())
      types << QString::fromStdString(app::DevicesList::cellValue(*client, "type"));
    QCOMPARE(types, (QStringList{"VELTO:app", "VELTO:pelion", "VELTO:rotaver"}));
    QVERIFY(dialogs.alerts.empty());

    program.delegate.applicationWillTerminate();
    for (const auto& client : program.manager.allClients()) QVERIFY(!client->oscServer()->isRunning());
  }
};

QTEST_MAIN(DevicesWindowGuiTest)
#include "DevicesWindowGuiTest.moc"
