// OSCServer::firstMessage: the wait for the first qualifying message.

#include "osc/OSCServer.h"
#include "osc/ReplyWait.h"

namespace osc {

namespace {

struct MessageTest {
  std::optional<OSCAddressPattern> matching;
  std::optional<std::string> host;
  std::uint16_t port;
  DispatchTime since;

  // The conditions in order: received after `since`, address, sender.
  bool operator()(const OSCMessage& message) const {
    return detail::receivedAfter(message.receiveTime(), since) &&
           (!matching || matching->matches(message.address())) && detail::fromSender(message.endpoint(), host, port);
  }
};

asio::awaitable<OSCMessage> waitForMessage(std::shared_ptr<const OSCServer> server, MessageTest test,
                                           std::uint64_t timeout, bool fromMessageStream) {
  const auto objects = server->objects();
  if (!objects) throw OSCServerError::serverStopped();
  if (fromMessageStream) {
    const auto pick = [test](const OSCMessage& message) -> std::optional<OSCMessage> {
      if (!test(message)) return std::nullopt;
      return message;
    };
    auto wait = detail::firstMatch<OSCMessage>(*server->allMessages(), timeout, pick);
    co_return co_await std::move(wait);
  }
  // Top-level messages only: bundles are skipped, not opened.
  const auto pick = [test](const DatagramObject& object) -> std::optional<OSCMessage> {
    const OSCMessage* message = object.message();
    if (!message || !test(*message)) return std::nullopt;
    return *message;
  };
  auto wait = detail::firstMatch<OSCMessage>(*objects, timeout, pick);
  co_return co_await std::move(wait);
}

}  // namespace

asio::awaitable<OSCMessage> OSCServer::firstMessage(std::optional<OSCAddressPattern> matching,
                                                    std::optional<std::string> host, std::uint16_t port,
                                                    DispatchTime since, std::uint64_t timeout,
                                                    bool fromMessageStream) const {
  return waitForMessage(shared_from_this(), MessageTest{std::move(matching), std::move(host), port, since}, timeout,
                        fromMessageStream);
}

asio::awaitable<OSCMessage> OSCServer::firstMessage(std::string_view matchingAddress, std::optional<std::string> host,
                                                    std::uint16_t port, DispatchTime since, std::uint64_t timeout,
                                                    bool fromMessageStream) const {
  return firstMessage(OSCAddressPattern::make(matchingAddress), std::move(host), port, since, timeout,
                      fromMessageStream);
}

}  // namespace osc
