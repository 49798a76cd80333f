#pragma once
// The sender of a received datagram, and the clock point at which it arrived. Plain values.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace osc {

// A point of the monotonic uptime clock; receivers stamp objects with it.
using DispatchTime = std::chrono::steady_clock::time_point;

struct OSCEndpoint {
  std::string host;  // IPv4 address text such as "192.168.1.20"
  std::uint16_t port = 0;

  friend bool operator==(const OSCEndpoint&, const OSCEndpoint&) = default;
};

}  // namespace osc

template <>
struct std::hash<osc::OSCEndpoint> {
  std::size_t operator()(const osc::OSCEndpoint& endpoint) const noexcept {
    return std::hash<std::string>{}(endpoint.host) ^ (std::size_t{endpoint.port} * 0x9E3779B97F4A7C15u);
  }
};
