#include "app/PresetManager/PresetOperationSteps.h"

#include <QPointer>

#include "app/Devices/DeviceSelectorViewController.h"
#include "async/Cancellation.h"

namespace app {

boost::asio::awaitable<bool> CancelFlag::isSet() const {
  if (*requested_) co_return true;
  co_return co_await async::isCancelled();
}

boost::asio::awaitable<void> CancelFlag::check() const {
  // Not `if (co_await ...) throw`: g++ 12 miscompiles a throw in such a condition's branch.
  const bool set = co_await isSet();
  if (set) throw async::CancellationError{};
}

boost::asio::awaitable<bool> CancelFlag::endedByCancel(std::exception_ptr error) const {
  if (async::isCancellationError(error)) co_return true;
  co_return co_await isSet();
}

boost::asio::awaitable<void> refreshPresetList(std::shared_ptr<PresetOperationHost> host,
                                               PresetOperationHost::Client target, std::uint64_t timeout,
                                               CancelFlag cancel) {
  if (co_await cancel.isSet()) co_return;
  std::optional<device::PresetNameList> list;
  try {
    list = co_await target->requestPresetList(timeout);
  } catch (...) {
    co_return;
  }
  host->storePresets(std::move(*list), target);
}

void presentDeviceSelector(const std::shared_ptr<PresetOperationHost>& host,
                           std::vector<PresetOperationHost::Client> clients, const std::string& description,
                           DeviceChoice selected) {
  QWidget* window = host->window();
  if (window == nullptr) return;
  auto* selector = new DeviceSelectorViewController(window);
  selector->setAttribute(Qt::WA_DeleteOnClose);
  selector->setDescriptionText(description);
  std::vector<std::string> titles;
  for (const auto& client : clients) {
    auto info = host->deviceInfo(client);
    titles.push_back(deviceTitle(info ? std::optional(info->name) : std::nullopt, host->deviceIP(client)));
  }
  selector->setRows(std::move(titles));
  std::weak_ptr<PresetOperationHost> weakHost = host;
  QPointer<DeviceSelectorViewController> guarded(selector);
  selector->selectHandler = [weakHost, clients, guarded, selected](std::vector<std::size_t> rows) {
    auto host = weakHost.lock();
    if (!host) return;
    selected(host, pickRows(clients, rows), [guarded] {
      if (guarded) guarded->close();
    });
  };
  selector->present(window);
}

std::string stepStatus(int n, int total, const std::string& verb, const device::PresetName& name) {
  return std::to_string(n) + "/" + std::to_string(total) + verb + name.description();
}

}  // namespace app
