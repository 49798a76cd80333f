// OSCServer::firstBundle: the wait for the first qualifying top-level bundle.

#include "osc/OSCServer.h"
#include "osc/ReplyWait.h"

namespace osc {

namespace {

asio::awaitable<OSCBundle> waitForBundle(std::shared_ptr<const OSCServer> server, std::uint64_t timeout,
                                         std::optional<std::string> host, std::uint16_t port, DispatchTime since) {
  const auto objects = server->objects();
  if (!objects) throw OSCServerError::serverStopped();
  const auto pick = [host = std::move(host), port, since](const DatagramObject& object) -> std::optional<OSCBundle> {
    const OSCBundle* bundle = object.bundle();
    if (!bundle || !detail::receivedAfter(bundle->receiveTime(), since) ||
        !detail::fromSender(bundle->endpoint(), host, port)) {
      return std::nullopt;
    }
    return *bundle;
  };
  auto wait = detail::firstMatch<OSCBundle>(*objects, timeout, pick);
  co_return co_await std::move(wait);
}

}  // namespace

asio::awaitable<OSCBundle> OSCServer::firstBundle(std::uint64_t timeout, std::optional<std::string> host,
                                                  std::uint16_t port, DispatchTime since) const {
  return waitForBundle(shared_from_this(), timeout, std::move(host), port, since);
}

}  // namespace osc
