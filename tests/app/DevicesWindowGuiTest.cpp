#include <QAction>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include "DevicesTesting.h"
#include "GuiTesting.h"
#include "ScriptedDialogs.h"
#include "app/AppDelegate.h"
#include "app/Devices/DevicesList.h"
#include "app/Devices/DevicesViewController.h"
#include "app/Devices/DevicesWindowController.h"
#include "app/Devices/NetworkSettingsViewController.h"
#include "app/PresetManager/PresetManagerSourcesViewController.h"
#include "app/PresetManager/PresetManagerWindow.h"
#include "app/PresetManager/PresetManagerWindowController.h"
#include "app/PresetManager/SourcesModel.h"
#include "tests/support/UdpReceiver.h"

using app::ClientPtr;
using app::DeviceManager;
using app::DevicesWindowController;
using app::testing::DeviceConfig;
using app::testing::named;
using app::testing::SimulatedDevices;
using Clock = testsupport::DeviceSimulator::Clock;

Q_DECLARE_METATYPE(std::vector<std::size_t>)

namespace {

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
