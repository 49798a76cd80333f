#include <QtTest>

#include "ScriptedDialogs.h"
#include "app/AppDelegate.h"
#include "app/Data/DeviceManager.h"
#include "app/Devices/DevicesList.h"
#include "app/Devices/DevicesViewController.h"
#include "app/Devices/DevicesWindowController.h"
#include "simulator/DeviceSimulator.h"
#include "tests/support/UdpReceiver.h"

using app::DeviceManager;
using testsupport::DeviceConfig;

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

class AppDelegateGuiTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
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

QTEST_MAIN(AppDelegateGuiTest)
#include "AppDelegateGuiTest.moc"
