// DeviceManager: the preset observers, the reconnect loop and stop().

#include <algorithm>

#include "app/Data/DeviceManagerCore.h"
#include "async/Cancellation.h"
#include <nlohmann/json.hpp>

#include "log/Tallylog.h"

namespace app {

using tallylog::Tallylog;

namespace {

tallylog::Tallylog::Context context(const std::exception_ptr& error) {
  return std::make_shared<const nlohmann::json>(errorText(error));
}

// Sleeps; false when the task was cancelled.
boost::asio::awaitable<bool> pause(std::chrono::nanoseconds duration) {
  try {
    co_await async::sleep(duration);
  } catch (const async::CancellationError&) {
    co_return false;
  }
  co_return true;
}

}  // namespace

void DeviceManager::Core::keepTaskLocked(async::TaskHandle<void> task) {
  std::erase_if(tasks, [](const async::TaskHandle<void>& t) { return t.isFinished(); });
  tasks.push_back(std::move(task));
}

void DeviceManager::Core::startPresetObserverLocked(Entry& entry) {
  auto* handler = dynamic_cast<device::PresetHandler*>(entry.client.get());
  if (!handler) return;
  if (entry.observer) entry.observer->cancel();
  std::weak_ptr<Core> weak = weak_from_this();
  auto task = async::spawn(async::poolExecutor(),
                           [weak, client = entry.client, handler] { return observePresets(weak, client, handler); });
  entry.observer = task;
  keepTaskLocked(std::move(task));
}

boost::asio::awaitable<void> DeviceManager::Core::observePresets(std::weak_ptr<Core> weak, Client client,
                                                                 device::PresetHandler* handler) {
  Tallylog::verbose("started preset observer for " + client->description(), __FILE__, "startPresetObserver(for:)",
                    __LINE__);
  std::uint64_t timeout = 0;
  std::chrono::nanoseconds period{};
  if (auto core = weak.lock()) {
    timeout = nanoseconds(core->configuration.presetListTimeout);
    period = core->configuration.presetPollPeriod;
  }
  while (!(co_await async::isCancelled()) && client->isOnline()) {
    std::optional<device::PresetNameList> list;
    try {
      device::PresetNameList received = co_await handler->requestPresetList(timeout);
      list = std::move(received);
    } catch (...) {
    }
    if (co_await async::isCancelled()) break;
    if (!list) {
      Tallylog::warning("could not receive preset list for " + client->deviceIP() + ".", __FILE__,
                        "startPresetObserver(for:)", __LINE__);
    } else if (auto core = weak.lock()) {
      core->updatePresets(std::move(*list), client, true);
    } else {
      break;
    }
    if (!(co_await pause(period))) break;
  }
  Tallylog::verbose("preset observer for " + client->description() + " did stop", __FILE__,
                    "startPresetObserver(for:)", __LINE__);
}

boost::asio::awaitable<void> DeviceManager::Core::reconnectLoop(std::weak_ptr<Core> weak) {
  for (;;) {
    if (co_await async::isCancelled()) co_return;
    std::chrono::nanoseconds period{};
    {
      auto core = weak.lock();
      if (!core) co_return;
      period = core->configuration.reconnectPeriod;
      for (const auto& client : core->listed(false)) {
        if (co_await async::isCancelled()) co_return;
        if (!client->isOnline()) co_await reconnect(core, client);
      }
    }
    if (!(co_await pause(period))) co_return;
  }
}

boost::asio::awaitable<void> DeviceManager::Core::reconnect(std::shared_ptr<Core> core, Client client) {
  std::optional<Device> device;
  {
    // A client dropped during this pass is not brought back.
    std::shared_lock lock(core->mutex);
    if (core->stopped) co_return;
    device = core->deviceOfLocked(client);
    if (!device) co_return;
  }
  Tallylog::info("Trying to reconnect to " + client->description(), __FILE__, "startReconnectTimer()", __LINE__);
  std::exception_ptr failure;
  try {
    if (client->deviceType()) {
      co_await client->connect(device::ConnectionMode::Admin, nanoseconds(core->configuration.reconnectTimeout));
    } else {
      // A controller whose first connection got no user info knows no device type yet, and its
      // own reconnect refuses to start without one: connect it as the first time.
      client->disconnect();
      co_await start(client, *device, core->configuration.reconnectTimeout);
    }
  } catch (...) {
    failure = std::current_exception();
  }
  if (failure) {
    Tallylog::warning("reconnect failed: ", __FILE__, "startReconnectTimer()", __LINE__, context(failure));
    co_return;
  }
  bool listed = false;
  {
    std::unique_lock lock(core->mutex);
    auto entry = std::find_if(core->entries.begin(), core->entries.end(),
                              [&](const Entry& e) { return e.client == client; });
    if (!core->stopped && entry != core->entries.end()) {
      listed = true;
      core->startPresetObserverLocked(*entry);
      core->queueLocked(kSourceAdded, client);
    }
  }
  core->deliver();
  // Dropped (or stopped) while it was connecting: it must fall silent again.
  if (!listed) client->disconnect();
}

std::optional<DeviceManager::Core::Device> DeviceManager::Core::deviceOfLocked(const Client& client) const {
  for (const auto& entry : entries) {
    if (entry.client == client) return entry.device;
  }
  return std::nullopt;
}

void DeviceManager::Core::stop() {
  std::lock_guard serial(stopMutex);
  std::vector<async::TaskHandle<void>> running;
  std::vector<Client> clients;
  {
    std::unique_lock lock(mutex);
    stopped = true;
    running = tasks;
    for (const auto& entry : entries) clients.push_back(entry.client);
    clients.insert(clients.end(), connecting.begin(), connecting.end());
  }
  if (discoverer) {
    discoverer->stop();
    discoverer->setNewDeviceHandler({});
    discoverer->setOfflineDeviceHandler({});
    discoverer->setAddedEndPointHandler({});
    discoverer->setRemovedEndPointHandler({});
  }
  connectionQueue.cancelAllOperations();
  for (const auto& task : running) task.cancel();
  // Disconnecting ends the clients' pending waits, so the tasks end soon.
  for (const auto& client : clients) client->disconnect();
  for (const auto& task : running) {
    try {
      task.get();
    } catch (...) {
    }
  }
  // A connect or reconnect that finished meanwhile saw `stopped` and disconnected its client; the
  // listed ones are disconnected once more in case one of them came back in between.
  for (const auto& client : listed(false)) client->disconnect();
}

}  // namespace app
