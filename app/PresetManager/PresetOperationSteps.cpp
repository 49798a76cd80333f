#include "app/PresetManager/PresetOperationSteps.h"

#include "async/Cancellation.h"

namespace app {

boost::asio::awaitable<bool> endedByCancel(std::exception_ptr error) {
  if (async::isCancellationError(error)) co_return true;
  co_return co_await async::isCancelled();
}

boost::asio::awaitable<void> refreshPresetList(std::shared_ptr<PresetOperationHost> host,
                                               PresetOperationHost::Client target, std::uint64_t timeout) {
  if (co_await async::isCancelled()) co_return;
  std::optional<device::PresetNameList> list;
  try {
    list = co_await target->requestPresetList(timeout);
  } catch (...) {
    co_return;
  }
  host->storePresets(std::move(*list), target);
}

std::string stepStatus(int n, int total, const std::string& verb, const device::PresetName& name) {
  return std::to_string(n) + "/" + std::to_string(total) + verb + name.description();
}

}  // namespace app
