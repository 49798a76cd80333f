// The client towards liblo on 127.0.0.1: what arrives, where, the write time-out, and hosts that
// do not resolve to IPv4.

#include <gtest/gtest.h>

#include "osc/OSCClient.h"
#include "tests/osc/TransportTesting.h"

namespace osc {
namespace {

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
  EXPECT_EQ(OSCClient::resolveIPv4("localhost", 7)->description(), "ipv4(127.0.0.1:7)");
}

}  // namespace
}  // namespace osc
