// The user discoverer on 127.x addresses: the connect request byte for byte, the interface rules,
// the records a reply makes or changes, expiry at the window's edge and the lifecycle.

#include <gtest/gtest.h>

#include "tests/device/Discoverer/DiscovererTesting.h"

namespace device::test {
namespace {

std::shared_ptr<osc::DispatchQueue> makeQueue() { return osc::DispatchQueue::make("Velto Device Discoverer"); }

// The handler calls as text: "new Anna #1 @192.168.1.20", "changed Anna #1 -> Bea #1 @...".
struct Events {
  async::test::EventLog<std::string> log;
  void bind(UserDiscoverer& d) {
    d.setNewUserHandler([this](const auto& r) { log.record("new " + text(r)); });
    d.setUserChangedHandler([this](const auto& old, const auto& updated) {
      log.record("changed " + old.userInfo.user().description() + " -> " + text(updated));
    });
    d.setUserOfflineHandler([this](const auto& r) { log.record("offline " + text(r)); });
  }
  static std::string text(const UserDiscoverer::Result& r) {
    return r.userInfo.user().description() + " @" + r.userInfo.device().ip();
  }
};

// The request as bytes, written out by hand: address, ",iiiss", listen port, 5.7.13 packed, 40,
// "macOS", the uid; 100 bytes.
std::vector<std::uint8_t> expectedRequest(std::uint16_t listenPort) {
  std::string bytes("/VELTOpelion/control/ConnectRequest\0,iiiss\0\0", 44);
  for (std::uint32_t value : {std::uint32_t{listenPort}, 50713u, 40u}) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
  }
  bytes += std::string("macOS\0\0\0", 8) + uid + std::string(4, '\0');
  return {bytes.begin(), bytes.end()};
}

// Which interfaces get the request, and the two lines a cycle may log.
TEST(UserDiscoverer, sendsTheRequestToEachUsableInterfaceAndLogsTheOthersEveryCycle) {
  LogLines lines;
  UdpReceiver loopback("127.20.0.1");
  const auto port = loopback.port();
  UdpReceiver broadcast("127.20.0.2", port);
  UdpReceiver skipped("127.20.0.3", port);
  const std::vector<net::Interface> interfaces = {
      net::Interface("lo6", net::Interface::Family::ipv6, "::1", "::", true, true, false, false, "127.20.0.3"),
      ipv4("down0", "127.20.0.3", true, std::nullopt, false),
      ipv4("idle0", "127.20.0.3", true, std::nullopt, true, false),
      net::Interface("other0", net::Interface::Family::other, "127.20.0.3", "", true, true, false, false, ""),
      ipv4("eth9", "127.20.0.9", false),
      ipv4("lo", "127.20.0.1", true, "127.20.0.3"),
      ipv4("eth0", "127.20.0.9", false, "127.20.0.2"),
  };
  auto discoverer = UserDiscoverer::make(makeQueue(), 0, uid, "macOS", {5, 7, 13}, {}, {}, {},
                                         options(port, interfaces));
  discoverer->start();
  const auto request = expectedRequest(*discoverer->listeningPort());
  ASSERT_EQ(request.size(), 100u);
  for (int cycle = 0; cycle < 2; ++cycle) {
    if (cycle > 0) discoverer->discover();
    EXPECT_EQ(loopback.receive(), request);
    EXPECT_EQ(broadcast.receive(), request);
  }
  // "other0" has an empty broadcast text, which names no host: the send fails and the rest go on.
  EXPECT_EQ(skipped.receive(50ms), std::nullopt);
  EXPECT_EQ(lines.count("Skipping eth9 no valid address provided", tallylog::Tallylog::Level::info), 2u);
  EXPECT_EQ(lines.count("send failed", tallylog::Tallylog::Level::warning), 2u);
}

// A started discoverer on a port of its own, with the test's clock and handlers.
struct Started {
  Events events;
  ManualClock clock;
  std::shared_ptr<UserDiscoverer> discoverer;
  std::uint16_t port = 0;
  explicit Started(std::size_t maximumUsers = UserDiscoverer::Options().maximumUsers) {
    auto o = options(9, {});
    o.now = [clock = clock] { return clock.now(); };
    o.maximumUsers = maximumUsers;
    discoverer = UserDiscoverer::make(makeQueue(), 0, uid, "macOS", {5, 7, 13}, {}, {}, {}, o);
    events.bind(*discoverer);
    discoverer->start();
    port = *discoverer->listeningPort();
  }
};

// Each step sends replies and then a marker reply, so a step that causes no event is seen to have
// been handled when the marker's event comes.
TEST(UserDiscoverer, keepsOneRecordPerUserAndPathAndReportsChangesOfTheUserOnly) {
  LogLines lines;
  Started s;
  const Reply anna;
  const Reply hidden{.userName = "Bea", .hide = 20};
  const Reply secondPath{.ip = "10.0.0.5"};
  const struct {
    std::vector<Reply> replies;
    Strings events;
  } steps[] = {
      {{anna}, {"new Anna #1 @192.168.1.20"}},
      {{anna, {.deviceName = "Other", .version = "6.0.0"}}, {}},
      {{{.userName = "Bea"}}, {"changed Anna #1 -> Bea #1 @192.168.1.20"}},
      {{hidden}, {"changed Bea #1 -> Bea #1 @192.168.1.20"}},
      {{secondPath, {.model = "HXB-VELTO"}}, {"new Anna #1 @10.0.0.5", "new Anna #1 @192.168.1.20"}},
  };
  std::size_t expected = 0;
  for (std::size_t k = 0; k < std::size(steps); ++k) {
    s.clock.advance(1s);
    for (const auto& reply : steps[k].replies) send(s.port, reply.message());
    send(s.port, Reply{.serial = "MARK" + std::to_string(k)}.message());
    expected += steps[k].events.size() + 1;
    ASSERT_TRUE(s.events.log.waitFor(expected)) << k;
    auto got = s.events.log.values();
    Strings tail(got.end() - static_cast<std::ptrdiff_t>(steps[k].events.size() + 1), got.end() - 1);
    EXPECT_EQ(tail, steps[k].events) << k;
  }
  // A malformed reply is logged and changes nothing.
  lo_message shortReply = lo_message_new();
  lo_message_add_string(shortReply, "Anna");
  send(s.port, shortReply);
  send(s.port, Reply{.serial = "MARK"}.message());
  ASSERT_TRUE(s.events.log.waitFor(expected + 1));
  EXPECT_EQ(lines.count("invalid user info received", tallylog::Tallylog::Level::warning), 1u);

  auto users = s.discoverer->users();
  std::erase_if(users, [](const auto& r) { return r.userInfo.device().serialNumber().starts_with("MARK"); });
  ASSERT_EQ(users.size(), 3u);
  // The changed user replaced the record; the device fields of the first reply stayed.
  EXPECT_EQ(users[0].userInfo, hidden.info());
  EXPECT_EQ(users[0].userInfo.device().name(), "Rack");
  EXPECT_EQ(users[0].userInfo.device().version(), SoftwareVersion(5, 7, 13));
  EXPECT_EQ(users[0].lastSeen, s.clock.now() - 1s);
  EXPECT_EQ(users[1].userInfo, secondPath.info());
}

// Each bound just reached and just passed: the texts of a reply and the number of records, which
// makes room again as records expire. Known users still change while the list is full.
TEST(UserDiscoverer, refusesRepliesWithOverLongTextsAndUsersBeyondTheBound) {
  LogLines lines;
  Started s(3);
  const std::string longest(UserDiscoverer::kMaximumTextSize, 'x'), tooLong = longest + "x";
  const struct {
    Reply reply;
    std::size_t events;  // after the reply
  } steps[] = {
      {{.serial = "A"}, 1},
      {{.serial = "B", .userName = longest, .deviceName = longest}, 2},
      {{.serial = "C", .userName = tooLong}, 2},
      {{.serial = "C", .ip = tooLong}, 2},
      {{.serial = "C"}, 3},
      {{.serial = "D"}, 3},
      {{.serial = "E"}, 3},
      {{.serial = "A", .userName = "Bea"}, 4},
  };
  for (std::size_t k = 0; k < std::size(steps); ++k) {
    receive(*s.discoverer, steps[k].reply);
    EXPECT_EQ(s.events.log.count(), steps[k].events) << k;
  }
  EXPECT_EQ(s.discoverer->users().size(), 3u);
  EXPECT_EQ(lines.count("user info with an over-long text ignored", tallylog::Tallylog::Level::warning), 2u);
  EXPECT_EQ(lines.count("too many users, new ones ignored", tallylog::Tallylog::Level::warning), 1u);

  s.clock.advance(11s);
  s.discoverer->discover();
  s.discoverer->queue()->sync([] {});  // what the cycle queued has run
  receive(*s.discoverer, {.serial = "D"});
  EXPECT_EQ(s.events.log.count(), 8u);  // three offline, one new
  EXPECT_EQ(s.discoverer->users().size(), 1u);
}

// A record exactly as old as the window stays; one a nanosecond older is reported, then removed.
TEST(UserDiscoverer, expiresRecordsStrictlyOlderThanTheWindow) {
  Started s;
  send(s.port, Reply().message());
  ASSERT_TRUE(s.events.log.waitFor(1));
  for (const auto step : {Clock::duration(10s), Clock::duration(1ns)}) {
    s.clock.advance(step);
    s.discoverer->discover();
    s.discoverer->queue()->sync([] {});  // what the cycle queued has run
    EXPECT_EQ(s.discoverer->users().size(), step == 10s ? 1u : 0u);
  }
  EXPECT_EQ(s.events.log.values(), (Strings{"new Anna #1 @192.168.1.20", "offline Anna #1 @192.168.1.20"}));
}

// A start that cannot bind leaves the discoverer stopped, so a retry works; stop forgets the users
// without reporting them, and they come back as new.
TEST(UserDiscoverer, aFailedStartCanBeRetriedAndARestartReportsUsersAsNew) {
  Events events;
  std::optional<UdpReceiver> blocker(std::in_place, "0.0.0.0");
  const auto port = blocker->port();
  auto discoverer = UserDiscoverer::make(makeQueue(), port, uid, "macOS", {5, 7, 13}, {}, {}, {}, options(9, {}));
  events.bind(*discoverer);
  EXPECT_THROW(discoverer->start(), net::SocketError);
  EXPECT_FALSE(discoverer->isStarted());
  blocker.reset();
  discoverer->start();
  ASSERT_EQ(discoverer->listeningPort(), port);

  for (int run = 0; run < 2; ++run) {
    if (run > 0) {
      discoverer->stop();
      EXPECT_TRUE(discoverer->users().empty());
      discoverer->start();
    }
    send(port, Reply().message());
    ASSERT_TRUE(events.log.waitFor(static_cast<std::size_t>(run + 1)));
  }
  discoverer->queue()->sync([] {});
  EXPECT_EQ(events.log.values(), (Strings{"new Anna #1 @192.168.1.20", "new Anna #1 @192.168.1.20"}));
}

}  // namespace
}  // namespace device::test
