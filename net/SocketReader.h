#pragma once
// Something stream bytes can be read from (Socket is one). Same threading rules as the
// implementation's.

#include <cstdint>
#include <string>
#include <vector>

namespace net {

class SocketReader {
 public:
  virtual ~SocketReader() = default;
  virtual std::string readString() = 0;
  // Appends what arrived to `data`; returns the count.
  virtual std::int64_t read(std::vector<std::uint8_t>& data) = 0;
};

}  // namespace net
