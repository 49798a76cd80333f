#pragma once
// A liblo server on a port of its own: the independent receiver that checks what our senders put
// on the wire. Each datagram becomes one line: path, then (when there are arguments) the type
// tags and the values, "s" and "i" as text, "T"/"F" as the tag alone.

#include <lo/lo.h>

#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <utility>

namespace device::test {

class LoReceiver {
 public:
  LoReceiver() : server_(lo_server_new_with_proto(nullptr, LO_UDP, nullptr), &lo_server_free) {
    lo_server_add_method(server_.get(), nullptr, nullptr, &LoReceiver::received, this);
  }
  std::uint16_t port() const { return static_cast<std::uint16_t>(lo_server_get_port(server_.get())); }

  // The next datagram's line, or "nothing" after two seconds.
  std::string next() {
    for (int waited = 0; lines_.empty() && waited < 2000; waited += 10) lo_server_recv_noblock(server_.get(), 10);
    if (lines_.empty()) return "nothing";
    auto [line, sourcePort] = std::move(lines_.front());
    lines_.pop_front();
    lastSourcePort_ = sourcePort;
    return line;
  }
  // The sending port of the datagram last taken by next().
  std::uint16_t lastSourcePort() const { return lastSourcePort_; }

 private:
  static int received(const char* path, const char* types, lo_arg** argv, int argc, lo_message message, void* self) {
    std::string line = path + std::string(argc ? " " : "") + types;
    // liblo's argument pointers need not be aligned for its union: copy the bytes out.
    for (int k = 0; k < argc; ++k) {
      const auto* bytes = reinterpret_cast<const char*>(argv[k]);
      std::int32_t i = 0;
      if (types[k] == 'i') line.append(" ").append(std::to_string((std::memcpy(&i, bytes, 4), i)));
      if (types[k] == 's') line.append(" ").append(bytes);
    }
    const auto sourcePort = std::stoi(lo_address_get_port(lo_message_get_source(message)));
    static_cast<LoReceiver*>(self)->lines_.emplace_back(std::move(line), static_cast<std::uint16_t>(sourcePort));
    return 0;
  }

  std::unique_ptr<std::remove_pointer_t<lo_server>, decltype(&lo_server_free)> server_;
  std::deque<std::pair<std::string, std::uint16_t>> lines_;
  std::uint16_t lastSourcePort_ = 0;
};

}  // namespace device::test
