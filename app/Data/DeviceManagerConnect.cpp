// DeviceManager: making clients and their first connection, run as operations of the serial
// connection queue.

#include <algorithm>
#include <random>

#include "app/Data/DeviceManagerCore.h"
#include "async/Cancellation.h"
#include "device/Clients/AppClient.h"
#include "device/Clients/ProcessorClient.h"
#include "device/Clients/RotaverClient.h"
#include "log/Tallylog.h"
#include "net/SocketError.h"

namespace app {

using tallylog::Tallylog;

namespace {

constexpr const char* kClientOS = "tbraxl";
// Listen ports tried for one connect when the server cannot bind.
constexpr int kListenPortAttempts = 8;

bool isBindFailure(const std::exception_ptr& failure) {
  if (!failure) return false;
  try {
    std::rethrow_exception(failure);
  } catch (const net::SocketError& error) {
    return error.errorCode() == net::SocketErrorCodes::errBindFailed;
  } catch (...) {
    return false;
  }
}

}  // namespace

DeviceManager::Client DeviceManager::Core::client(const Device& device, const std::optional<Endpoint>& endpoint,
                                                  std::uint16_t listenPort) const {
  const auto local = interfaces();
  std::optional<Endpoint> target;
  if (endpoint) {
    if (!isUsableEndpoint(endpoint->ip, local)) return nullptr;
    target = endpoint;
  } else {
    std::vector<Endpoint> candidates;
    std::copy_if(device.endpoints.begin(), device.endpoints.end(), std::back_inserter(candidates),
                 [&local](const Endpoint& e) { return isUsableEndpoint(e.ip, local); });
    if (candidates.empty()) {
      Tallylog::warning("no endpoint found that this computer is connected to", __FILE__, "client(for:endpoint:)",
                        __LINE__);
      return nullptr;
    }
    static thread_local std::mt19937 random{std::random_device{}()};
    target = candidates[std::uniform_int_distribution<std::size_t>(0, candidates.size() - 1)(random)];
  }
  const auto ip = target->ip.description();
  const device::SoftwareVersion version(5, 7, 13);
  try {
    switch (device.type.value()) {
      case device::DeviceType::Value::rotaver:
        return device::VeltoClient::make<device::RotaverClient>(ip, target->port, listenPort, std::nullopt,
                                                                std::nullopt, kClientOS, version, configuration.client);
      case device::DeviceType::Value::app:
        return device::VeltoClient::make<device::AppClient>(ip, target->port, listenPort, std::nullopt, std::nullopt,
                                                            kClientOS, version, configuration.client);
      default:
        return device::VeltoClient::make<device::ProcessorClient>(ip, target->port, listenPort, std::nullopt,
                                                                  std::nullopt, kClientOS, version, nullptr,
                                                                  configuration.client);
    }
  } catch (...) {
    return nullptr;
  }
}

boost::asio::awaitable<void> DeviceManager::Core::start(const Client& client, const Device& device,
                                                        std::chrono::nanoseconds timeout) {
  if (auto* processor = dynamic_cast<device::ProcessorClient*>(client.get())) {
    co_await processor->processorStartStep(device.type, device::ConnectionMode::Admin, nanoseconds(timeout));
  } else if (auto* controller = dynamic_cast<device::RotaverClient*>(client.get())) {
    co_await controller->connectSteps(nanoseconds(timeout));
  } else if (auto* app = dynamic_cast<device::AppClient*>(client.get())) {
    co_await app->connectSteps(nanoseconds(timeout));
  }
}

boost::asio::awaitable<void> DeviceManager::Core::connect(std::weak_ptr<Core> weak, Device device,
                                                          std::optional<Endpoint> endpoint) {
  auto core = weak.lock();
  if (!core) co_return;
  Client client;
  std::exception_ptr failure;
  for (int attempt = 1;; ++attempt) {
    std::uint16_t port = 0;
    {
      std::unique_lock lock(core->mutex);
      if (core->stopped) co_return;
      if (core->configuration.firstClientListenPort != 0) {
        port = core->clientListenPort == 65535 ? core->configuration.firstClientListenPort
                                               : static_cast<std::uint16_t>(core->clientListenPort + 1);
        core->clientListenPort = port;
      }
    }
    client = core->client(device, endpoint, port);
    if (!client) co_return;
    {
      std::unique_lock lock(core->mutex);
      core->connecting.push_back(client);
    }
    Tallylog::info("connecting to " + client->description(), __FILE__, "connect(to:endpoint:)", __LINE__);

    failure = nullptr;
    try {
      co_await start(client, device, core->configuration.connectTimeout);
    } catch (...) {
      failure = std::current_exception();
    }
    if (failure) {
      Tallylog::warning(errorText(failure), __FILE__, "connect(to:endpoint:)", __LINE__);
    }
    // A server that could not bind found its listen port taken (by another program, or by a port the
    // system handed out): a client kept with it would fail on every reconnect. The next port,
    // with a new client, as a new connect would take it.
    const bool portTaken = port != 0 && isBindFailure(failure);
    if (!portTaken || attempt == kListenPortAttempts) break;
    {
      std::unique_lock lock(core->mutex);
      std::erase(core->connecting, client);
    }
    client->disconnect();
  }
  bool kept = false;
  {
    std::unique_lock lock(core->mutex);
    std::erase(core->connecting, client);
    if (!core->stopped) {
      kept = true;
      core->entries.push_back(Entry{client, device, std::nullopt});
      if (!failure) {
        core->queueLocked(kSourceAdded, client);
        core->startPresetObserverLocked(core->entries.back());
      }
    }
  }
  core->deliver();
  if (!kept) client->disconnect();
}

boost::asio::awaitable<void> DeviceManager::Core::addedEndpoint(std::weak_ptr<Core> weak, Device device,
                                                                Endpoint endpoint) {
  auto core = weak.lock();
  if (!core) co_return;
  Tallylog::info("added endpoint " + endpoint.description() + " for " + device.uid, __FILE__,
                 "deviceAddedEndpoint(_:_:)", __LINE__);
  std::vector<Dropped> dropped;
  Client connected;
  {
    std::unique_lock lock(core->mutex);
    if (core->stopped) co_return;
    for (std::size_t k = 0; k < core->entries.size(); ++k) {
      if (!core->matches(core->entries[k], device)) continue;
      if (core->entries[k].client->isOnline()) {
        connected = core->entries[k].client;
      } else {
        dropped.push_back(core->dropLocked(k));
      }
      break;
    }
  }
  core->deliver();
  finish(std::move(dropped));
  if (connected) {
    Tallylog::info(connected->description() + " is already connected", __FILE__, "deviceAddedEndpoint(_:_:)",
                   __LINE__);
    co_return;
  }
  co_await connect(weak, std::move(device), std::move(endpoint));
}

boost::asio::awaitable<void> DeviceManager::Core::connectIfNoClient(std::weak_ptr<Core> weak, Device device) {
  auto core = weak.lock();
  if (!core) co_return;
  {
    std::shared_lock lock(core->mutex);
    for (const auto& entry : core->entries) {
      if (core->matches(entry, device)) co_return;
    }
  }
  co_await connect(weak, std::move(device), std::nullopt);
}

}  // namespace app
