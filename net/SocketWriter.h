#pragma once
// Something stream bytes can be written to (Socket is one). Same threading rules as the
// implementation's.

#include <cstdint>
#include <string_view>
#include <vector>

namespace net {

class SocketWriter {
 public:
  virtual ~SocketWriter() = default;
  virtual std::int64_t write(const std::vector<std::uint8_t>& data) = 0;
  virtual std::int64_t write(std::string_view text) = 0;
};

}  // namespace net
