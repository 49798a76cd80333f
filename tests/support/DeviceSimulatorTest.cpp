// Smoke tests of the device simulator, driven through our own OSC client and server: the
// answers must be readable by our readers, and the simulator must keep what it is sent.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>

#include <gtest/gtest.h>

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

// Segments both ways: what a client sends is joined, inflated and kept; what it asks for comes
// back in 1000-byte segments that join to the same bytes, whatever the switched order.
TEST_F(DeviceSimulatorTest, PresetSegmentsRoundTrip) {
  connect();
  std::vector<std::uint8_t> document(2500);
  for (std::size_t k = 0; k < document.size(); ++k) document[k] = static_cast<std::uint8_t>('a' + k % 26);
  const auto payload = LoCodec::compress(document);
  auto since = osc::DispatchTime::clock::now();
  // Sent in reverse order: the device joins by index.
  const auto count = static_cast<std::int32_t>((payload.size() - 1) / 1000 + 1);
  for (std::int32_t k = count - 1; k >= 0; --k) {
    const auto begin = payload.begin() + k * 1000;
    const auto end = payload.begin() + std::min<std::ptrdiff_t>(payload.size(), (k + 1) * 1000);
    send(message("/VELTOpelion/control/presetSeg",
                 {OSCValue::string("Big.VELTOshow"), OSCValue::blob({begin, end}), OSCValue::int32(k),
                  OSCValue::int32(count), OSCValue::string(""), OSCValue::boolean(true), OSCValue::string(clientUid)}));
  }
  const OSCMessage received = next("/VELTOapp/confirmation", since);
  EXPECT_EQ(received.values()[0].asString(), "Preset received.");
  EXPECT_EQ(received.values()[1].asInt32(), 1);
  const auto stored = simulator.config(0).presets;
  ASSERT_EQ(stored.size(), 3u);
  EXPECT_EQ(stored[2].listText().substr(0, 14), "Big (PRESET) *");
  EXPECT_EQ(stored[2].bytes, document);

  struct Case {
    SimBehaviour::SegmentFault fault;
    std::optional<bool> compress;
    std::size_t messages;
  };
  const std::size_t plainCount = 3;
  for (const Case& c : {Case{SimBehaviour::SegmentFault::none, std::nullopt, static_cast<std::size_t>(count)},
                        Case{SimBehaviour::SegmentFault::reverse, false, plainCount},
                        Case{SimBehaviour::SegmentFault::duplicate, false, 2 * plainCount}}) {
    SCOPED_TRACE(static_cast<int>(c.fault));
    simulator.update(0, [&](DeviceConfig& d) {
      d.behaviour.segmentFault = c.fault;
      d.behaviour.compressSegments = c.compress;
    });
    server->stop();
    server->start();
    port = *server->listeningPort();
    connect();
    takeNow(*server->allMessages(), 4);  // the user infos
    send(message("/VELTOpelion/control/presetCopyToUSB", {OSCValue::string("Big"), OSCValue::string(clientUid)}));
    const auto segments = takeNow(*server->allMessages(), 4 + c.messages);
    std::map<std::int32_t, std::vector<std::uint8_t>> joined;
    for (std::size_t k = 4; k < segments.size(); ++k) {
      const auto& values = segments[k].values();
      ASSERT_EQ(segments[k].address().address(), "/VELTOapp/control/PresetSeg");
      ASSERT_EQ(values.size(), 6u);
      EXPECT_EQ(values[0].asString(), "Big.VELTOshow");
      EXPECT_EQ(values[5].asString(), simulator.config(0).uid);
      const auto blob = *values[1].asBlob();
      joined[*values[2].asInt32()].assign(blob.begin(), blob.end());
    }
    std::vector<std::uint8_t> bytes;
    for (const auto& [index, part] : joined) bytes.insert(bytes.end(), part.begin(), part.end());
    EXPECT_EQ(LoCodec::isZlib(bytes), !c.compress.has_value());
    EXPECT_EQ(c.compress ? bytes : *LoCodec::inflate(bytes, 1 << 20), document);
  }
}

// Changes sent to the control and companion ports show in the next status document, which a
// request without arguments gets through the listen port its socket registered.
TEST_F(DeviceSimulatorTest, StatusDocumentReflectsChanges) {
  const auto uid = OSCValue::string(clientUid);
  send(message("/VELTOpelion/Hardware/KeepMePosted", {OSCValue::boolean(true), OSCValue::int32(port), OSCValue::int32(50713), uid}));
  send(message("/VELTOpelion/Hardware/AppName", {OSCValue::string("Stage <Left> & \"Right\""), uid}));
  send(message("/VELTOpelion/Hardware/UnitName", {OSCValue::string("Rack 2"), uid}));
  send(message("/VELTOpelion/Hardware/FixedIP", {OSCValue::string("10.0.0.7"), OSCValue::string("255.255.0.0"), OSCValue::string(""), uid}));
  send(message("/VELTOapp/control/SetProperty", {OSCValue::string("ExclusiveSolo"), OSCValue::string("1"), uid}), simulator.companionPort(0));
  send(message("/VELTOapp/control/SetProperty", {OSCValue::string("NewKey"), OSCValue::string("x"), uid}), devicePort());
  simulator.waitFor(0, "/VELTOapp/control/SetProperty", 2);
  EXPECT_EQ(takeNow(*server->allMessages(), 4).size(), 4u);  // pushed to the subscriber, one per change
  const auto since = osc::DispatchTime::clock::now();
  send(message("/VELTOpelion/Hardware/StatusUpdate", {}));
  const std::string xml(*next("/VELTOGUI/StatusUpdate", since).values()[0].asString());
  for (const char* expected : {"<VALUE name=\"AppName\" val=\"Stage &lt;Left&gt; &amp; &quot;Right&quot;\"/>",
                               "<VALUE name=\"ExclusiveSolo\" val=\"1\"/>", "<VALUE name=\"UnitName\" val=\"Rack 2\"/>",
                               "<VALUE name=\"FixedIP\" val=\"10.0.0.7\"/>", "<VALUE name=\"FixedGateway\" val=\"0.0.0.0\"/>"}) {
    EXPECT_NE(xml.find(expected), std::string::npos) << expected << " in " << xml;
  }
  EXPECT_EQ(xml.find("NewKey"), std::string::npos) << "SetProperty is served on the companion port only";
  EXPECT_EQ(simulator.config(0).name, "Rack 2");
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
