// Smoke tests of the device simulator, driven through our own OSC client and server: the
// answers must be readable by our readers, and the simulator must keep what it is sent.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "device/Model/PresetName.h"
#include "device/Model/UserInfo.h"
#include "tests/osc/TransportTesting.h"
#include "tests/support/DeviceSimulator.h"
#include "tests/support/LoCodec.h"

namespace testsupport {
namespace {

using osc::OSCMessage;
using osc::OSCValue;
using osc::test::takeNow;

constexpr const char* clientUid = "0123456789ABCDEF0123456789ABCDEF";
constexpr std::uint64_t second = 1'000'000'000;

OSCMessage message(std::string_view address, std::vector<OSCValue> values) { return *OSCMessage::make(address, std::move(values)); }

// A processor with four users on its own address, every port chosen by the system, and a client
// (our OSC server and client) that talks to it.
class DeviceSimulatorTest : public ::testing::Test {
 protected:
  static DeviceConfig processor() {
    DeviceConfig config = DeviceConfig::processor(1, "127.0.0.21", 4);
    config.discoveryPort = config.companionPort = 0;
    config.presets.push_back({"Show", false, std::nullopt, "2024-05-01T10:20:30.123Z", {'<', 'P', '/', '>'}});
    config.presets.push_back({"Band", true, "2024-01-01", std::nullopt, {'<', 'U', '/', '>'}});
    return config;
  }

  void SetUp() override {
    simulator.start();
    server->start();
    port = *server->listeningPort();
  }

  std::uint16_t devicePort() const { return simulator.controlPort(0); }
  void send(const OSCMessage& m, std::uint16_t to = 0) { client.send(m, "127.0.0.21", to ? to : devicePort(), second); }
  void connect(std::uint16_t to = 0) {
    send(message("/VELTOpelion/control/ConnectRequest",
                 {OSCValue::int32(port), OSCValue::int32(50713), OSCValue::int32(40), OSCValue::string("Linux"),
                  OSCValue::string(clientUid)}),
         to);
  }
  // The next message on `address` received after `since`.
  OSCMessage next(std::string_view address, osc::DispatchTime since) {
    auto wait = [&]() -> boost::asio::awaitable<OSCMessage> {
      co_return co_await server->firstMessage(address, std::nullopt, 0, since, 3 * second);
    };
    return async::spawn(wait).get();
  }

  DeviceSimulator simulator{{processor()}};
  std::shared_ptr<osc::OSCServer> server = osc::OSCServer::make(0);
  std::uint16_t port = 0;
  osc::OSCClient client{"127.0.0.21", 1};
};

TEST_F(DeviceSimulatorTest, ConnectRequestsGetOneReadableUserInfoPerUser) {
  struct Case {
    const char* what;
    bool discoveryPort;
    SimUser::Answer secondUser;
    std::vector<std::size_t> numbers;  // of the infos our reader accepts, in arrival order
    std::size_t rejected;
  };
  const std::vector<Case> cases = {
      {"control port", false, SimUser::Answer::normal, {1, 2, 3, 4}, 0},
      {"discovery port", true, SimUser::Answer::normal, {1, 2, 3, 4}, 0},
      {"user answering twice", false, SimUser::Answer::twice, {1, 2, 2, 3, 4}, 0},
      {"silent user", false, SimUser::Answer::silent, {1, 3, 4}, 0},
      {"malformed user", false, SimUser::Answer::malformed, {1, 3, 4}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    simulator.update(0, [&](DeviceConfig& d) { d.users[1].answer = c.secondUser; });
    server->stop();
    server->start();
    port = *server->listeningPort();
    connect(c.discoveryPort ? simulator.discoveryPort(0) : devicePort());
    const auto replies = takeNow(*server->allMessages(), c.numbers.size() + c.rejected);
    std::vector<std::size_t> numbers;
    std::size_t rejected = 0;
    for (const auto& reply : replies) {
      EXPECT_EQ(reply.address().address(), "/VELTOapp/control/UserInfo");
      const auto info = device::UserInfo::fromMessage(reply);
      if (!info) {
        ++rejected;
        continue;
      }
      numbers.push_back(info->user().number());
      EXPECT_EQ(info->device().port(), devicePort());
      EXPECT_EQ(info->device().ip(), "127.0.0.21");
      EXPECT_EQ(info->device().type(), device::DeviceType::pelion(4));
      EXPECT_EQ(info->device().uid(), simulator.config(0).uid);
    }
    EXPECT_EQ(numbers, c.numbers);
    EXPECT_EQ(rejected, c.rejected);
  }
  ASSERT_EQ(simulator.registrations(0).size(), 1u);
  EXPECT_EQ(simulator.registrations(0)[0].port, port);
}

TEST_F(DeviceSimulatorTest, ListRequestInItsBundleGetsTheListTexts) {
  connect();
  const auto since = osc::DispatchTime::clock::now();
  const auto request = message("/VELTOpelion/control/RequestListOfPresets", {OSCValue::boolean(true), OSCValue::string(clientUid)});
  send(request);  // outside its bundle: not answered
  client.send(osc::OSCBundle(1, {request}), "127.0.0.21", devicePort(), second);
  const OSCMessage list = next("/VELTOapp/control/PresetList", since);
  ASSERT_EQ(list.values().size(), 3u);
  EXPECT_TRUE(list.values()[2].asInt32());
  const device::PresetName show(*list.values()[0].asString());
  EXPECT_EQ(show.name, "Show");
  EXPECT_EQ(show.type, device::PresetType::preset);
  EXPECT_EQ(show.rawDate, "2024-05-01T10:20:30.123Z");
  const device::PresetName band(*list.values()[1].asString());
  EXPECT_EQ(band.name, "Band");
  EXPECT_EQ(band.backupDate, "2024-01-01");
  EXPECT_EQ(band.type, device::PresetType::userShow);
  const auto requests = simulator.waitFor(0, "/VELTOpelion/control/RequestListOfPresets", 2);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_FALSE(requests[0].inBundle);
  EXPECT_TRUE(requests[1].inBundle);
  EXPECT_EQ(simulator.received(0, "/VELTOapp/control/PresetList").size(), 0u);
}

// A raw socket, so that the datagram is seen as it was sent.
TEST_F(DeviceSimulatorTest, ReplySwitchesChangeTheDatagram) {
  struct Case {
    const char* what;
    std::function<void(SimBehaviour&)> change;
    bool zlib;
    std::string types;
  };
  const std::vector<Case> cases = {
      {"plain", [](SimBehaviour&) {}, false, "s"},
      {"compressed", [](SimBehaviour& b) { b.compressed.insert("/Vp/Ping"); }, true, "s"},
      {"malformed and compressed", [](SimBehaviour& b) { b.compressAll = true; b.malformed.insert("/Vp/Ping"); }, true, ""},
  };
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
  socklen_t length = sizeof local;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
  timeval wait{3, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    simulator.update(0, [&](DeviceConfig& d) { d.behaviour = {}; c.change(d.behaviour); });
    send(message("/Vp/Ping", {OSCValue::int32(ntohs(local.sin_port)), OSCValue::string(clientUid)}));
    std::vector<std::uint8_t> datagram(4096);
    const auto size = ::recv(fd, datagram.data(), datagram.size(), 0);
    ASSERT_GT(size, 0);
    datagram.resize(static_cast<std::size_t>(size));
    EXPECT_EQ(LoCodec::isZlib(datagram), c.zlib);
    if (c.zlib) datagram = *LoCodec::inflate(datagram, 4096);
    const auto decoded = osc::OSCStandardDecoder::decode(std::span<const std::uint8_t>(datagram));
    ASSERT_TRUE(decoded.message());
    EXPECT_EQ(decoded.message()->address().address(), "/Va/Ping");
    EXPECT_EQ(decoded.message()->values().size(), c.types.size());
  }
  ::close(fd);
}

}  // namespace
}  // namespace testsupport
