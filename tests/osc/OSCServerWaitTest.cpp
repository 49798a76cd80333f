// Waiting for replies: match, time-out, `since`, sender, message or bundle source, stop, cancel.

#include <gtest/gtest.h>

#include "tests/osc/TransportTesting.h"

namespace osc {
namespace {

using test::takeNow;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::uint64_t millisecond = 1'000'000;  // in nanoseconds

using test::Running;

void send(Running& s, const char* address, std::int32_t value) {
  s.client.send(*OSCMessage::make(address, {OSCValue::int32(value)}), 100 * millisecond);
}

// A wait for `address` from anyone, spawned at the call.
async::TaskHandle<OSCMessage> wait(Running& s, std::string_view address, Clock::time_point since,
                                   std::uint64_t timeout) {
  return async::spawn(s.server->firstMessage(address, std::nullopt, 0, since, timeout));
}

std::string outcome(const async::TaskHandle<OSCMessage>& wait) {
  try {
    const OSCMessage message = wait.get();
    return message.address().address() + " " + message.values().at(0).description();
  } catch (const OSCError& e) {
    return e.description();
  }
}

TEST(OSCServerWait, findsTheFirstReplyAfterSinceLiveOrReplayed) {
  Running s;
  send(s, "/reply", 1);  // an answer to an earlier request
  const auto stamp = *takeNow(*s.server->allMessages(), 1).at(0).receiveTime();
  const auto since = Clock::now();
  send(s, "/other", 2);
  send(s, "/reply", 3);  // may arrive before or after the wait subscribes
  EXPECT_EQ(outcome(wait(s, "/reply", since, 2000 * millisecond)), "/reply 3");
  // `since` is strict; the time-out ends the wait.
  EXPECT_EQ(outcome(wait(s, "/reply", stamp - 1ns, 50 * millisecond)), "/reply 1");
  const auto start = Clock::now();
  EXPECT_EQ(outcome(wait(s, "/reply", stamp, 50 * millisecond)), "/reply 3");
  EXPECT_EQ(outcome(wait(s, "/reply", Clock::now(), 50 * millisecond)), "No reply arrived in time.");
  EXPECT_LT(Clock::now() - start, 2s);
  // Live: two waits running before the reply comes both get it.
  const auto later = Clock::now();
  auto live = wait(s, "/re*", later, 2000 * millisecond);
  auto second = wait(s, "/reply", later, 2000 * millisecond);
  std::this_thread::sleep_for(20ms);
  send(s, "/reply", 4);
  EXPECT_EQ(outcome(live), "/reply 4");
  EXPECT_EQ(outcome(second), "/reply 4");
}

TEST(OSCServerWait, senderAndSourceConditions) {
  Running s;
  const auto since = Clock::now();
  s.client.send(OSCBundle(1, {*OSCMessage::make("/in/bundle", {OSCValue::int32(7)})}), 100 * millisecond);
  const auto received = takeNow(*s.server->objects(), 1).at(0);
  const OSCEndpoint sender = *received.endpoint();
  struct Case {
    std::optional<std::string> host;
    std::uint16_t port;
    bool fromMessageStream;
    std::string expected;
  };
  const std::string timeout = "No reply arrived in time.";
  for (const auto& c : {Case{std::nullopt, 1, true, "/in/bundle 7"},  // port ignored without host
                        Case{sender.host, sender.port, true, "/in/bundle 7"},
                        Case{sender.host, static_cast<std::uint16_t>(sender.port + 1), true, timeout},
                        Case{"127.0.0.2", sender.port, true, timeout},
                        Case{std::nullopt, 0, false, timeout}}) {  // bundles not opened
    EXPECT_EQ(outcome(async::spawn(s.server->firstMessage(std::nullopt, c.host, c.port, since, 50 * millisecond,
                                                          c.fromMessageStream))),
              c.expected);
  }
  const OSCBundle found = async::spawn(s.server->firstBundle(500 * millisecond, sender.host, sender.port, since)).get();
  EXPECT_EQ(found.receiveTime(), received.receiveTime());
  const auto none = async::spawn(s.server->firstBundle(50 * millisecond, std::nullopt, 0, *received.receiveTime()));
  EXPECT_THROW(none.get(), OSCServerError);
}

// A server never started, one stopped during the wait and a cancelled wait all end it at once.
TEST(OSCServerWait, aStopOrCancelEndsTheWaitBeforeItsDeadline) {
  const std::string stopped = "The OSC server has stopped receiving.";
  const auto start = Clock::now();
  const auto never = OSCServer::make(0);
  EXPECT_EQ(outcome(async::spawn(never->firstMessage("/r", std::nullopt, 0, start, 10'000 * millisecond))), stopped);
  for (const bool cancel : {false, true}) {
    Running s;
    auto pending = wait(s, "/r", start, 10'000 * millisecond);
    std::this_thread::sleep_for(20ms);
    if (cancel) pending.cancel(); else s.server->stop();
    EXPECT_EQ(outcome(pending), stopped);
  }
  EXPECT_LT(Clock::now() - start, 5s);
}

}  // namespace
}  // namespace osc
