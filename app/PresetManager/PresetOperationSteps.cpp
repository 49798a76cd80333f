#include "app/PresetManager/PresetOperationSteps.h"

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

std::string stepStatus(int n, int total, const std::string& verb, const device::PresetName& name) {
  return std::to_string(n) + "/" + std::to_string(total) + verb + name.description();
}

}  // namespace app
