// VeltoClient: the connection sequence, the user-info wait, the announcements and the ping loop.

#include <algorithm>

#include <boost/asio/redirect_error.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>

#include "async/Cancellation.h"
#include "device/Clients/ClientLog.h"
#include "device/Clients/VeltoClient.h"
#include "platform/ThreadLabel.h"

namespace device {

namespace {

std::int32_t wireValue(ConnectionMode mode) {
  return static_cast<std::int32_t>(rawValue(mode));
}

// The bound port, or none after the warning that `what` could not be sent.
std::optional<std::uint16_t> portToAnnounce(std::optional<std::uint16_t> port, std::string_view what,
                                            std::string_view function, std::int64_t line) {
  if (!port) {
    clientLog(Level::warning, "could not send " + std::string(what) + ". server has no valid listening port", function,
              line);
  }
  return port;
}

}  // namespace

asio::awaitable<std::vector<UserInfo>> VeltoClient::connect(ConnectionMode mode, Nanoseconds timeout) {
  const auto type = deviceType();
  if (!type) throw VeltoClientError::unknownDeviceType();
  disconnect();
  std::vector<UserInfo> infos = co_await startSession(*type, mode, timeout);
  co_return infos;
}

asio::awaitable<std::vector<UserInfo>> VeltoClient::startSession(DeviceType deviceType, ConnectionMode mode,
                                                                 Nanoseconds timeout) {
  beginConnection(deviceType);
  auto preset = Preset::makeDefault(deviceType.numberOfInputs(), deviceType.numberOfMixes());
  withState([&preset](State& state) { state.preset = std::move(preset); });
  std::vector<UserInfo> infos;
  const auto t0 = osc::DispatchTime::clock::now();
  try {
    co_await sendConnectRequest(mode);
    infos = co_await receiveUserInfo(deviceType.numberOfMixes(), t0, timeout);
    withState([&infos](State& state) { state.deviceInfo = infos.front().device(); });
    markSeen();
    startPingTask();
    co_await switchUser(1, "", mode);
    co_await sendKeepMePosted();
    co_await requestStatusUpdate();
  } catch (...) {
    disconnect();
    throw;
  }
  co_return infos;
}

asio::awaitable<std::vector<UserInfo>> VeltoClient::receiveUserInfo(std::size_t count, osc::DispatchTime since,
                                                                    Nanoseconds timeout) {
  auto infos = std::make_shared<std::vector<UserInfo>>();
  AnswerRule<std::vector<UserInfo>> rule =
      [infos, count](const osc::OSCMessage& message) -> std::optional<std::vector<UserInfo>> {
    auto info = UserInfo::fromMessage(message);
    if (!info) throw VeltoClientError::failedReceivingUserInfo();
    const bool known = std::any_of(infos->begin(), infos->end(), [&info](const UserInfo& other) {
      return other.user().number() == info->user().number();
    });
    if (known) return std::nullopt;
    infos->push_back(std::move(*info));
    if (infos->size() == count) return *infos;
    return std::nullopt;
  };
  auto wait = waitForAnswer({"/VELTOapp/control/UserInfo"}, since, timeout, VeltoClientError::failedReceivingUserInfo(),
                            VeltoClientError::failedReceivingUserInfo(), std::move(rule));
  std::vector<UserInfo> result = co_await std::move(wait);
  co_return result;
}

asio::awaitable<void> VeltoClient::sendConnectRequest(ConnectionMode mode) {
  const auto port = portToAnnounce(boundPort(), "connect request", "sendConnectRequest(mode:)", __LINE__);
  if (!port) co_return;
  send("/VELTOpelion/control/ConnectRequest",
       {std::int32_t{*port}, static_cast<std::int32_t>(clientVersion_.intValue()), wireValue(mode), clientOS_,
        clientUid_});
}

asio::awaitable<void> VeltoClient::sendKeepMePosted() {
  const auto port = portToAnnounce(boundPort(), "keep me posted", "sendKeepMePosted()", __LINE__);
  if (!port) co_return;
  send("/VELTOpelion/Hardware/KeepMePosted",
       {true, std::int32_t{*port}, static_cast<std::int32_t>(clientVersion_.intValue()), clientUid_});
}

asio::awaitable<void> VeltoClient::sendPing() {
  const auto port = portToAnnounce(boundPort(), "ping", "sendPing()", __LINE__);
  if (!port) co_return;
  send("/Vp/Ping", {std::int32_t{*port}, clientUid_});
}

asio::awaitable<void> VeltoClient::pingLoop(std::weak_ptr<VeltoClient> client, std::chrono::nanoseconds period) {
  // One timer for every round. Nothing between the check at the top and the wait suspends, so a
  // cancellation arriving meanwhile reaches the wait, which then ends with an error.
  asio::steady_timer timer(co_await asio::this_coro::executor);
  const auto pause = std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
  for (;;) {
    if (co_await async::isCancelled()) co_return;
    {
      auto self = client.lock();
      if (!self) co_return;
      bool wentOffline = false;
      {
        // The loop runs on queue() (see startPingTask): the check needs no block of its own.
        platform::ScopedThreadLabel label(self->queue_->label());
        wentOffline = self->runOnlineStateCheck();
      }
      // A check that found the device gone has disconnected and cancelled this loop; the cancellation
      // reaches the loop only at its next suspension, so no ping may go out before it.
      if (wentOffline) co_return;
      std::exception_ptr failure;
      try {
        co_await self->sendPing();
      } catch (...) {
        failure = std::current_exception();
      }
      if (failure) clientLog(Level::warning, "sending ping failed", "startPingLoop()", __LINE__, errorText(failure));
    }
    timer.expires_after(pause);
    boost::system::error_code error;
    co_await timer.async_wait(asio::redirect_error(asio::use_awaitable, error));
    if (error) co_return;
  }
}

}  // namespace device
