#pragma once
// Test helpers for the OSC transport: liblo as the independent peer on 127.0.0.1, a recording
// delegate, and reading from the server's sequences.

#include <lo/lo.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "async/TaskHandle.h"
#include "async/Timeout.h"
#include "osc/OSCClient.h"
#include "osc/OSCServer.h"
#include "tests/async/EventLog.h"

namespace osc::test {

using namespace std::chrono_literals;

// A liblo server on 127.0.0.1 with a port of its own; also the socket liblo sends from, so the
// receiver sees a sender whose port the test knows.
class LoPeer {
 public:
  LoPeer() : server_(lo_server_new_with_proto(nullptr, LO_UDP, nullptr), &lo_server_free) {
    lo_server_add_method(server_.get(), nullptr, nullptr, &LoPeer::received, this);
  }
  std::uint16_t port() const { return static_cast<std::uint16_t>(lo_server_get_port(server_.get())); }

  // Sends from this peer's socket to 127.0.0.1:port.
  void send(std::uint16_t port, const char* path, lo_message message) const {
    const auto to = address(port);
    ASSERT_GE(lo_send_message_from(to.get(), server_.get(), path, message), 0);
  }
  void send(std::uint16_t port, lo_bundle bundle) const {
    const auto to = address(port);
    ASSERT_GE(lo_send_bundle_from(to.get(), server_.get(), bundle), 0);
  }

  // The messages received (path, then type tags and int or string values) once `count` have come
  // or two seconds have passed.
  std::vector<std::string> receive(std::size_t count) {
    for (int waited = 0; received_.size() < count && waited < 2000; waited += 10) {
      lo_server_recv_noblock(server_.get(), 10);
    }
    return received_;
  }

 private:
  using Address = std::unique_ptr<std::remove_pointer_t<lo_address>, decltype(&lo_address_free)>;
  static Address address(std::uint16_t port) {
    return Address(lo_address_new("127.0.0.1", std::to_string(port).c_str()), &lo_address_free);
  }
  static int received(const char* path, const char* types, lo_arg** argv, int argc, lo_message, void* self) {
    std::string text = path + std::string(argc ? " " : "") + types;
    for (int k = 0; k < argc; ++k) {
      if (types[k] == 'i') text.append(" ").append(std::to_string(argv[k]->i));
      if (types[k] == 's') text.append(" ").append(&argv[k]->s);
    }
    static_cast<LoPeer*>(self)->received_.push_back(text);
    return 0;
  }

  std::unique_ptr<std::remove_pointer_t<lo_server>, decltype(&lo_server_free)> server_;
  std::vector<std::string> received_;
};

using LoMessagePtr = std::unique_ptr<std::remove_pointer_t<lo_message>, decltype(&lo_message_free)>;
inline LoMessagePtr loMessage(std::int32_t value) {
  LoMessagePtr message(lo_message_new(), &lo_message_free);
  lo_message_add_int32(message.get(), value);
  return message;
}

// What the delegate heard, in order, as text.
class RecordingDelegate : public OSCServerDelegate {
 public:
  void serverDidStop(std::exception_ptr error) override {
    events.record(std::string("stop") + (error ? " with error" : ""));
  }
  void serverDidAddEndpoint(const std::string& host, std::uint16_t port) override {
    events.record("endpoint " + host + ":" + std::to_string(port));
  }
  void couldNotParseData(const std::optional<std::vector<std::uint8_t>>& data, std::exception_ptr error) override {
    std::string text;
    try {
      std::rethrow_exception(error);
    } catch (const OSCError& e) {
      text = e.description();
    }
    events.record("unparsed " + std::to_string(data ? data->size() : 0) + " " + text);
  }
  async::test::EventLog<std::string> events;
};

// A server started on a port the system chooses, with a recording delegate; a liblo peer and a
// client aimed at the server.
struct Running {
  std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
  std::shared_ptr<OSCServer> server = OSCServer::make(0, delegate);
  std::uint16_t port = (server->start(), *server->listeningPort());
  LoPeer peer;
  OSCClient client{"127.0.0.1", port};
};

// The first `count` elements of an iteration (fewer when it ends first).
template <class Iterator>
asio::awaitable<std::vector<typename Iterator::Element>> takeFrom(Iterator iterator, std::size_t count) {
  std::vector<typename Iterator::Element> elements;
  while (elements.size() < count) {
    auto element = co_await iterator.next();
    if (!element) break;
    elements.push_back(std::move(*element));
  }
  co_return elements;
}

// The same from a new subscription, made at the call.
template <class Sequence>
asio::awaitable<std::vector<typename Sequence::Element>> take(Sequence sequence, std::size_t count) {
  return takeFrom(sequence.makeAsyncIterator(), count);
}

// As take(), from a test's thread; fails the test after a few seconds instead of hanging.
template <class Sequence>
std::vector<typename Sequence::Element> takeNow(const Sequence& sequence, std::size_t count) {
  auto task = [&]() -> asio::awaitable<std::vector<typename Sequence::Element>> {
    auto race = async::withTimeout(5s, std::runtime_error("take timed out"), [&] { return take(sequence, count); });
    co_return co_await std::move(race);
  };
  return async::spawn(task).get();
}

inline std::vector<std::string> addresses(const std::vector<OSCMessage>& messages) {
  std::vector<std::string> out;
  for (const auto& message : messages) out.push_back(message.address().address());
  return out;
}

}  // namespace osc::test
