#pragma once
// race(tasks): waits until the first of the given tasks has finished and gives its index. If the
// awaiting task is (or gets) cancelled meanwhile, every listed task is cancelled, and the race
// still ends with the first of them to finish. Losers are not cancelled otherwise: they run on.
// Call it from a task made by spawn.

#include <cstddef>
#include <memory>
#include <vector>

#include "async/TaskHandle.h"

namespace async {

asio::awaitable<std::size_t> race(std::vector<std::shared_ptr<detail::TaskCore>> tasks);

}  // namespace async
