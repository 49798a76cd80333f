// The dispatcher on a queue of its own: order, removal, bundles, changes from inside a callback,
// a queue that is gone; a received message's address shared by handlers on several threads; and
// the client.

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

#include "osc/OSCClient.h"
#include "osc/OSCMessage.h"
#include "osc/OSCObjectDispatcher.h"
#include "tests/osc/TransportTesting.h"

namespace osc {
namespace {

struct Fixture {
  std::shared_ptr<DispatchQueue> queue = DispatchQueue::make("dispatch test");
  std::shared_ptr<OSCObjectDispatcher> dispatcher = OSCObjectDispatcher::make(queue);
  std::vector<std::string> calls;  // written on the queue, read after flush()

  void add(const std::string& name, std::string_view pattern) {
    dispatcher->register_(*OSCAddressPattern::make(pattern), [this, name](const auto& p, const OSCMessage& m) {
      calls.push_back(name + " " + p.pattern() + " " + m.address().address());
    });
  }
  static OSCMessage message(std::string_view address) { return *OSCMessage::make(address); }
  std::vector<std::string> flush() {
    queue->sync([] {});
    return std::exchange(calls, {});
  }
};

TEST(OSCObjectDispatcher, callsEveryMatchingHandlerInRegistrationOrder) {
  Fixture f;
  f.add("1", "/a/*");
  f.add("2", "/b");
  f.add("3", "/a/*");
  f.dispatcher->dispatch(Fixture::message("/a/x"));
  f.dispatcher->dispatch(Fixture::message("/c"));
  EXPECT_EQ(f.flush(), (std::vector<std::string>{"1 /a/* /a/x", "3 /a/* /a/x"}));
  EXPECT_TRUE(f.dispatcher->lookup(Fixture::message("/b")));
  EXPECT_FALSE(f.dispatcher->lookup(Fixture::message("/c")));

  f.dispatcher->remove(*OSCAddressPattern::make("/never"));
  f.dispatcher->remove(*OSCAddressPattern::make("/a/*"));
  // Changes not yet run on the queue count already.
  EXPECT_FALSE(f.dispatcher->lookup(Fixture::message("/a/x")));
  EXPECT_TRUE(f.dispatcher->lookup(Fixture::message("/b")));
  f.dispatcher->dispatch(OSCObject(Fixture::message("/a/x")));
  f.dispatcher->dispatch(OSCObject(Fixture::message("/b")));
  EXPECT_EQ(f.flush(), (std::vector<std::string>{"2 /b /b"}));

  // Bundles are walked depth first.
  f.add("h", "/*");
  const OSCBundle inner(1, {Fixture::message("/B"), Fixture::message("/C")});
  f.dispatcher->dispatch(OSCObject(OSCBundle(1, {Fixture::message("/A"), inner, Fixture::message("/D")})));
  EXPECT_EQ(f.flush(), (std::vector<std::string>{"h /* /A", "h /* /B", "h /* /C", "h /* /D"}));
}

// A handler added from inside a callback counts from the next message; once the queue is gone
// nothing is registered or called.
TEST(OSCObjectDispatcher, changesFromACallbackAndAQueueThatIsGone) {
  Fixture f;
  f.dispatcher->register_(*OSCAddressPattern::make("/x"), [&f](const auto&, const OSCMessage&) {
    f.calls.push_back("outer");
    f.add("inner", "/x");
  });
  f.dispatcher->dispatch(Fixture::message("/x"));
  EXPECT_EQ(f.flush(), std::vector<std::string>{"outer"});
  f.dispatcher->dispatch(Fixture::message("/x"));
  EXPECT_EQ(f.flush(), (std::vector<std::string>{"outer", "inner /x /x"}));

  f.queue.reset();
  f.add("late", "/x");
  f.dispatcher->dispatch(Fixture::message("/x"));
  EXPECT_FALSE(f.dispatcher->lookup(Fixture::message("/x")));
  EXPECT_TRUE(f.calls.empty());
}

// Messages that arrive while the queue is busy are delivered together later, in order, and each
// sees the changes made before it.
TEST(OSCObjectDispatcher, burstWhileTheQueueIsBusy) {
  Fixture f;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  f.queue->async([released] { released.wait(); });
  f.add("a", "/a");
  for (int k = 0; k < 3; ++k) f.dispatcher->dispatch(Fixture::message("/a"));
  f.add("b", "/*");
  f.dispatcher->dispatch(Fixture::message("/a"));
  f.dispatcher->remove(*OSCAddressPattern::make("/a"));
  f.dispatcher->dispatch(Fixture::message("/a"));
  EXPECT_TRUE(f.dispatcher->lookup(Fixture::message("/z")));
  release.set_value();
  EXPECT_EQ(f.flush(), (std::vector<std::string>{"a /a /a", "a /a /a", "a /a /a", "a /a /a", "b /* /a", "b /* /a"}));
}

// A received message is handed to several handlers at once: their first calls to address()
// race to make the string, and all of them get the same one.
TEST(OSCAddressSharing, threadsAskingForTheStringAtOnceGetTheSameOne) {
  for (int run = 0; run < 50; ++run) {
    const auto message = OSCMessage::decode(OSCMessage(*OSCAddress::make("/VELTOpelion/control/ping")).data());
    std::vector<const std::string*> seen(4);
    std::vector<std::jthread> threads;
    for (auto& slot : seen) threads.emplace_back([&message, &slot] { slot = &message.address().address(); });
    threads.clear();
    for (const auto* string : seen) EXPECT_TRUE(string == seen[0] && *string == "/VELTOpelion/control/ping");
  }
}

// The client towards liblo on 127.0.0.1: what arrives, where, the write time-out, and hosts that
// do not resolve to IPv4.
constexpr std::uint64_t second = 1'000'000'000;

TEST(OSCClient, sendsMessagesAndBundlesToLiblo) {
  test::LoPeer defaultPeer;
  test::LoPeer otherPeer;
  OSCClient client("127.0.0.1", defaultPeer.port());
  client.send(*OSCMessage::make("/one", {OSCValue::int32(1)}), second);
  client.send(OSCBundle(1, {*OSCMessage::make("/two", {OSCValue::string("x")}), *OSCMessage::make("/three")}), second);
  client.send(*OSCMessage::make("/elsewhere"), "127.0.0.1", otherPeer.port(), second);
  client.send(OSCBundle(1, {*OSCMessage::make("/bundled")}), "127.0.0.1", otherPeer.port(), 999'999);
  EXPECT_EQ(defaultPeer.receive(3), (std::vector<std::string>{"/one i 1", "/two s x", "/three"}));
  EXPECT_EQ(otherPeer.receive(2), (std::vector<std::string>{"/elsewhere", "/bundled"}));
  // Broadcast sending is on: the loopback network's broadcast address takes the datagram.
  client.send(*OSCMessage::make("/all"), "127.255.255.255", otherPeer.port(), second);
}

// The time-out in nanoseconds becomes the write time-out in whole milliseconds, which the system
// keeps in clock ticks (up to 10 ms), rounded up.
TEST(OSCClient, theTimeOutBecomesTheWriteTimeOutInWholeMilliseconds) {
  test::LoPeer peer;
  OSCClient client("127.0.0.1", peer.port());
  for (const auto& [nanoseconds, expected] : std::initializer_list<std::pair<std::uint64_t, long>>{
           {second, 1'000'000}, {1'999'999, 1000}, {999'999, 0}, {2'500'000'000, 2'500'000}}) {
    client.send(*OSCMessage::make("/t"), nanoseconds);
    timeval value{};
    socklen_t size = sizeof value;
    ASSERT_EQ(getsockopt(client.socket().socketfd(), SOL_SOCKET, SO_SNDTIMEO, &value, &size), 0);
    const long microseconds = value.tv_sec * 1'000'000 + value.tv_usec;
    EXPECT_GE(microseconds, expected) << nanoseconds;
    EXPECT_LT(microseconds, expected == 0 ? 1 : expected + 10'000) << nanoseconds;
  }
}

// Hosts resolve to IPv4 only: "localhost" gives 127.0.0.1 even where ::1 comes first; an
// IPv6-only or empty host is refused with its host and port, and the client stays usable.
TEST(OSCClient, hostsResolveToIPv4Only) {
  test::LoPeer peer;
  OSCClient client("localhost", peer.port());
  for (const std::string host : {"::1", ""}) {
    try {
      client.send(*OSCMessage::make("/lost"), host, 9, second);
      ADD_FAILURE() << "sent to " << host;
    } catch (const OSCClientError& e) {
      EXPECT_EQ(e.description(), "Could not find an IPv4 address for \u201c" + host + "\u201d (port 9).");
    }
  }
  client.send(*OSCMessage::make("/local"), second);
  EXPECT_EQ(peer.receive(1), std::vector<std::string>{"/local"});
}

}  // namespace
}  // namespace osc
