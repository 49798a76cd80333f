#include "app/Devices/SettingsApply.h"

#include <memory>
#include <mutex>

#include "app/ClientCommand.h"
#include "app/Dialogs.h"
#include "app/GuiExecutor.h"
#include "device/Clients/VeltoClient.h"

namespace app {

namespace {

// The first failure of a group, in order of completion.
class FirstFailure {
 public:
  void record(std::exception_ptr error) {
    std::lock_guard lock(mutex_);
    if (!error_) error_ = std::move(error);
  }
  std::exception_ptr error() const {
    std::lock_guard lock(mutex_);
    return error_;
  }

 private:
  mutable std::mutex mutex_;
  std::exception_ptr error_;
};

boost::asio::awaitable<void> applyToOne(ClientPtr client, device::AppSettings::Container changes,
                                        std::uint64_t timeout, std::shared_ptr<FirstFailure> failure) {
  try {
    co_await client->applyAppSettings(std::move(changes), timeout);  // status() shows the new values
  } catch (...) {
    failure->record(std::current_exception());
  }
}

}  // namespace

boost::asio::awaitable<std::exception_ptr> applyToEach(std::vector<ClientPtr> clients,
                                                       device::AppSettings::Container changes,
                                                       std::uint64_t timeout) {
  auto failure = std::make_shared<FirstFailure>();
  std::vector<async::TaskHandle<void>> children;
  children.reserve(clients.size());
  for (const auto& client : clients) children.push_back(async::spawn(applyToOne(client, changes, timeout, failure)));
  for (const auto& child : children) co_await child.wait();
  co_return failure->error();
}

boost::asio::awaitable<void> runSettingsApply(SettingsApply job) {
  bool renamed = true;
  if (job.unitName && !job.clients.empty()) {
    auto rename = [client = job.clients.front(), name = *job.unitName] { return client->setUnitName(name); };
    try {
      co_await awaitCommand(rename);
    } catch (...) {
      renamed = false;  // ends the apply without a word
    }
  }
  if (renamed) {
    auto error = co_await applyToEach(job.clients, job.changes(), job.timeout);
    if (error) showErrorMessage(job.window, "Could not apply changes: " + errorDescription(error));
  }
  postToMain(std::move(job.finish));
}

}  // namespace app
