#pragma once
// Steps the preset operations share. Main tasks only (they touch the host).

#include <exception>
#include <functional>
#include <vector>
#include <memory>
#include <optional>
#include <string>

#include <boost/asio/awaitable.hpp>

#include "app/PresetManager/PresetOperationHost.h"

namespace app {

// The Cancel of one operation. The sheet's Cancel sets it and cancels the task; the task sees it at
// once, also when the press is handled before the task's own cancellation (which is posted) has
// arrived. Copies share the flag. GUI thread only.
class CancelFlag {
 public:
  void request() const { *requested_ = true; }
  // Set, or the current task cancelled.
  boost::asio::awaitable<bool> isSet() const;
  // Throws async::CancellationError when set.
  boost::asio::awaitable<void> check() const;
  // Whether an operation's failure ends it silently: the error is a cancellation, or the flag is
  // set (a device call may fail in its own way once cancelled).
  boost::asio::awaitable<bool> endedByCancel(std::exception_ptr error) const;

 private:
  std::shared_ptr<bool> requested_ = std::make_shared<bool>(false);
};

// Fetches the target's list again and stores it; a failure (or a cancel) leaves the stored list
// alone, silently.
boost::asio::awaitable<void> refreshPresetList(std::shared_ptr<PresetOperationHost> host,
                                               PresetOperationHost::Client target, std::uint64_t timeout,
                                               CancelFlag cancel);

// Presents the device selector over the host's window with one row per client; Select hands the
// ticked clients and a way to close the selector to `selected` (while the host lives).
using DeviceChoice = std::function<void(const std::shared_ptr<PresetOperationHost>& host,
                                        std::vector<PresetOperationHost::Client> clients,
                                        std::function<void()> closeSelector)>;
void presentDeviceSelector(const std::shared_ptr<PresetOperationHost>& host,
                           std::vector<PresetOperationHost::Client> clients, const std::string& description,
                           DeviceChoice selected);

// "n/total" + `verb` + the preset's description, the status line of a step.
std::string stepStatus(int n, int total, const std::string& verb, const device::PresetName& name);

}  // namespace app
