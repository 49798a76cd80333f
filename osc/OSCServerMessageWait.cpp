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
    detail::FirstMatch<OSCServer::Messages, OSCMessage> operation{
        *server->allMessages(), test, [](const OSCMessage& message) -> std::optional<OSCMessage> { return message; }};
    auto race = detail::raceFirstMatch(timeout, std::move(operation));
    OSCMessage message = co_await std::move(race);
    co_return message;
  }
  // Top-level messages only: bundles are skipped, not opened.
  detail::FirstMatch<OSCServer::Objects, OSCMessage> operation{
      *objects,
      [test](const DatagramObject& object) {
        const OSCMessage* message = object.message();
        return message && test(*message);
      },
      [](const DatagramObject& object) -> std::optional<OSCMessage> { return *object.message(); }};
  auto race = detail::raceFirstMatch(timeout, std::move(operation));
  OSCMessage message = co_await std::move(race);
  co_return message;
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
