#pragma once
// Steps the preset operations share. Main tasks only (they touch the host).

#include <exception>
#include <memory>
#include <optional>
#include <string>

#include <boost/asio/awaitable.hpp>

#include "app/PresetManager/PresetOperationHost.h"

namespace app {

// Whether an operation's failure is its task's cancellation: the error is one, or the task has
// been cancelled (a device call may fail in its own way once cancelled). Such ends are silent.
boost::asio::awaitable<bool> endedByCancel(std::exception_ptr error);

// Fetches the target's list again and stores it; a failure (or a cancelled task) leaves the
// stored list alone, silently.
boost::asio::awaitable<void> refreshPresetList(std::shared_ptr<PresetOperationHost> host,
                                               PresetOperationHost::Client target, std::uint64_t timeout);

// "n/total" + `verb` + the preset's description, the status line of a step.
std::string stepStatus(int n, int total, const std::string& verb, const device::PresetName& name);

}  // namespace app
