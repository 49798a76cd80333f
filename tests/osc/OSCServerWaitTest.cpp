// Waiting for replies: match, time-out, `since`, sender, message or bundle source, stop.

#include <gtest/gtest.h>

#include "osc/OSCClient.h"
#include "osc/ThrowingContinuationError.h"
#include "tests/osc/TransportTesting.h"

namespace osc {
namespace {

using test::takeNow;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::uint64_t millisecond = 1'000'000;  // in nanoseconds

struct Receiving {
  std::shared_ptr<OSCServer> server = OSCServer::make(0);
  std::uint16_t port = 0;
  std::unique_ptr<OSCClient> client;
  Receiving() {
    server->start();
    port = *server->listeningPort();
    client = std::make_unique<OSCClient>("127.0.0.1", port);
  }
  void send(const char* address, std::int32_t value) {
    client->send(*OSCMessage::make(address, {OSCValue::int32(value)}), 100 * millisecond);
  }
  // Sends and waits until the server has it.
  OSCMessage sendAndTake(const char* address, std::int32_t value, std::size_t seen) {
    send(address, value);
    return takeNow(*server->allMessages(), seen).at(seen - 1);
  }
};

std::string outcome(const async::TaskHandle<OSCMessage>& wait) {
  try {
    const OSCMessage message = wait.get();
    return message.address().address() + " " + message.values().at(0).description();
  } catch (const OSCError& e) {
    return e.description();
  }
}

TEST(OSCServerWait, findsTheFirstReplyAfterSinceLiveOrReplayed) {
  Receiving s;
  s.sendAndTake("/reply", 1, 1);  // an answer to an earlier request
  const auto since = Clock::now();
  s.send("/other", 2);
  s.send("/reply", 3);  // may arrive before or after the wait subscribes
  auto wait = async::spawn(
      s.server->firstMessage(OSCAddressPattern::make("/reply"), std::nullopt, 0, since, 2000 * millisecond));
  EXPECT_EQ(outcome(wait), "/reply 3");
  // Live: two waits running before the reply comes both get it.
  const auto later = Clock::now();
  auto live = async::spawn(s.server->firstMessage("/re*", std::nullopt, 0, later, 2000 * millisecond));
  auto second = async::spawn(s.server->firstMessage("/reply", std::nullopt, 0, later, 2000 * millisecond));
  std::this_thread::sleep_for(20ms);
  s.send("/reply", 4);
  EXPECT_EQ(outcome(live), "/reply 4");
  EXPECT_EQ(outcome(second), "/reply 4");
}

TEST(OSCServerWait, sinceIsStrictAndTheTimeOutEndsTheWait) {
  Receiving s;
  const OSCMessage old = s.sendAndTake("/reply", 1, 1);
  const auto stamp = *old.receiveTime();
  struct Case {
    Clock::time_point since;
    std::string expected;
  };
  for (const auto& c :
       {Case{stamp - std::chrono::nanoseconds(1), "/reply 1"}, Case{stamp, "OSCServerError.readTimeout"}}) {
    const auto start = Clock::now();
    auto wait = async::spawn(s.server->firstMessage("/reply", std::nullopt, 0, c.since, 50 * millisecond));
    EXPECT_EQ(outcome(wait), c.expected);
    EXPECT_LT(Clock::now() - start, 2s);
  }
}

TEST(OSCServerWait, senderAndSourceConditions) {
  Receiving s;
  const auto since = Clock::now();
  OSCBundle bundle(1, {*OSCMessage::make("/in/bundle", {OSCValue::int32(7)})});
  s.client->send(bundle, 100 * millisecond);
  const auto received = takeNow(*s.server->objects(), 1).at(0);
  const OSCEndpoint sender = *received.endpoint();
  struct Case {
    std::optional<std::string> host;
    std::uint16_t port;
    bool fromMessageStream;
    std::string expected;
  };
  for (const auto& c :
       {Case{std::nullopt, 1, true, "/in/bundle 7"},  // port ignored without host
        Case{sender.host, sender.port, true, "/in/bundle 7"},
        Case{sender.host, static_cast<std::uint16_t>(sender.port + 1), true, "OSCServerError.readTimeout"},
        Case{"127.0.0.2", sender.port, true, "OSCServerError.readTimeout"},
        Case{std::nullopt, 0, false, "OSCServerError.readTimeout"}}) {  // bundles not opened
    auto wait = async::spawn(
        s.server->firstMessage(std::nullopt, c.host, c.port, since, 50 * millisecond, c.fromMessageStream));
    EXPECT_EQ(outcome(wait), c.expected);
  }
  const OSCBundle found = async::spawn(s.server->firstBundle(500 * millisecond, sender.host, sender.port, since)).get();
  EXPECT_EQ(found.receiveTime(), received.receiveTime());
  const auto none = async::spawn(s.server->firstBundle(50 * millisecond, std::nullopt, 0, *received.receiveTime()));
  EXPECT_THROW(none.get(), OSCServerError);
}

TEST(OSCServerWait, aStoppedServerEndsTheWaitBeforeItsDeadline) {
  const auto never = OSCServer::make(0);
  EXPECT_EQ(outcome(async::spawn(never->firstMessage("/r", std::nullopt, 0, Clock::now(), 10'000 * millisecond))),
            "OSCServerError.serverStopped(nil)");
  Receiving s;
  const auto start = Clock::now();
  auto wait = async::spawn(s.server->firstMessage("/r", std::nullopt, 0, start, 10'000 * millisecond));
  std::this_thread::sleep_for(20ms);
  s.server->stop();
  EXPECT_EQ(outcome(wait), "OSCServerError.serverStopped(nil)");
  EXPECT_LT(Clock::now() - start, 5s);
  // A cancelled wait ends at once as well: its subscription ends.
  Receiving r;
  auto cancelled = async::spawn(r.server->firstMessage("/r", std::nullopt, 0, Clock::now(), 10'000 * millisecond));
  std::this_thread::sleep_for(20ms);
  cancelled.cancel();
  EXPECT_EQ(outcome(cancelled), "OSCServerError.serverStopped(nil)");
  EXPECT_LT(Clock::now() - start, 5s);
}

// The nanosecond form: the operation's value, or exactly the caller's error once the time is up.
asio::awaitable<int> sleepThenAnswer(std::chrono::milliseconds duration) {
  co_await async::sleep(duration);
  co_return 42;
}

asio::awaitable<int> race(std::uint64_t timeout, std::chrono::milliseconds duration) {
  auto operation = [duration] { return sleepThenAnswer(duration); };
  auto raced = withTimeout(timeout, ThrowingContinuationError::timeout(), operation);
  co_return co_await std::move(raced);
}

TEST(OSCServerWait, withTimeoutGivesTheValueOrExactlyTheCallersError) {
  EXPECT_EQ(async::spawn(race(1000 * millisecond, 1ms)).get(), 42);
  const auto start = Clock::now();
  const auto timedOut = async::spawn(race(10 * millisecond, 10s));  // outlives the catch below
  try {
    timedOut.get();
    ADD_FAILURE() << "no time-out";
  } catch (const ThrowingContinuationError& e) {
    EXPECT_EQ(e, ThrowingContinuationError::timeout());
  }
  EXPECT_LT(Clock::now() - start, 5s);  // the sleeping side was cancelled, not waited out
}

}  // namespace
}  // namespace osc
