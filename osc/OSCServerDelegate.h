#pragma once
// What an OSCServer tells its delegate. The server holds the delegate weakly and calls it only on
// its delegate queue, each call a block of its own, in the order the server submitted them.

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace osc {

class OSCServerDelegate {
 public:
  virtual ~OSCServerDelegate() = default;

  // The receive loop has ended: null after stop(), else the read error that ended it.
  virtual void serverDidStop(std::exception_ptr error) = 0;
  // A datagram came from a sender not heard from since the start.
  virtual void serverDidAddEndpoint(const std::string& host, std::uint16_t port) = 0;
  // The decoder rejected a datagram with `error`.
  virtual void couldNotParseData(const std::optional<std::vector<std::uint8_t>>& data,
                                 std::exception_ptr error) = 0;
};

}  // namespace osc
