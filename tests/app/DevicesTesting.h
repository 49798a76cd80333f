#pragma once
// Devices for the window tests: simulated devices on this folder's own loopback addresses, device
// clients connected to them the way the device manager connects each kind, and the manager's
// notifications posted by hand. The GUI thread is never blocked: waits spin the event loop.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <QTest>

#include "app/Data/DeviceManager.h"
#include "app/Devices/ClientKind.h"
#include "async/TaskHandle.h"
#include "device/Clients/AppClient.h"
#include "device/Clients/ProcessorClient.h"
#include "device/Clients/RotaverClient.h"
#include "platform/NotificationCenter.h"
#include "simulator/DeviceSimulator.h"

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
