#include "osc/DispatchQueue.h"

#include <boost/asio/strand.hpp>

namespace osc {

std::shared_ptr<DispatchQueue> DispatchQueue::make(std::string label, const asio::any_io_executor& executor) {
  return std::make_shared<DispatchQueue>(Passkey{}, std::move(label), executor);
}

DispatchQueue::DispatchQueue(Passkey, std::string label, const asio::any_io_executor& executor)
    : label_(std::move(label)), strand_(asio::make_strand(executor)) {}

void DispatchQueue::async(std::function<void()> work) const {
  // The block keeps its own copy of the label: it may run after the queue has gone.
  asio::post(strand_, [label = label_, work = std::move(work)] {
    platform::ScopedThreadLabel scoped(label);
    try {
      work();
    } catch (...) {
      // Work handed over without waiting has nobody to report to.
    }
  });
}

void DispatchQueue::checkMayWait() const {
  if (async::pool().get_executor().running_in_this_thread()) {
    throw std::logic_error("DispatchQueue: waiting for the queue on a pool thread");
  }
}

}  // namespace osc
