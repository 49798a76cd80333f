// The device simulator's own behaviour that the client tests do not reach: the status document it
// builds from what it is sent, and the datagram switches seen on a raw socket.

#include <gtest/gtest.h>

#include "tests/osc/TransportTesting.h"
#include "simulator/DeviceSimulator.h"
#include "simulator/LoCodec.h"
#include "tests/support/UdpReceiver.h"

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
    return config;
  }

  void SetUp() override {
    simulator.start();
    server->start();
    port = *server->listeningPort();
  }

  std::uint16_t devicePort() const { return simulator.controlPort(0); }
  void send(const OSCMessage& m, std::uint16_t to = 0) { client.send(m, "127.0.0.21", to ? to : devicePort(), second); }
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
  const UdpReceiver receiver("127.0.0.1");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    simulator.update(0, [&](DeviceConfig& d) { d.behaviour = {}; c.change(d.behaviour); });
    send(message("/Vp/Ping", {OSCValue::int32(receiver.port()), OSCValue::string(clientUid)}));
    auto received = receiver.receive();
    ASSERT_TRUE(received);
    auto datagram = *received;
    EXPECT_EQ(LoCodec::isZlib(datagram), c.zlib);
    if (c.zlib) datagram = *LoCodec::inflate(datagram, 4096);
    const auto decoded = osc::OSCStandardDecoder::decode(std::span<const std::uint8_t>(datagram));
    ASSERT_TRUE(decoded.message());
    EXPECT_EQ(decoded.message()->address().address(), "/Va/Ping");
    EXPECT_EQ(decoded.message()->values().size(), c.types.size());
  }
}

}  // namespace
}  // namespace testsupport
