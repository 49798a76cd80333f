// The device client without a device: the datagram decoder and its inflation bound, client uids,
// the online test, status copies, identity, and the preconditions of the
// commands on a client that never connected.

#include <set>

#include <gtest/gtest.h>

#include "async/TaskHandle.h"
#include "device/Clients/RandomClientUid.h"
#include "device/Clients/VeltoClient.h"
#include "device/Clients/VeltoOSCDecoder.h"
#include "gzip/Gzip.h"
#include "osc/OSCStandardDecoder.h"
#include "tests/log/RecordingDestination.h"

namespace device {
namespace {

using namespace std::chrono_literals;

std::shared_ptr<VeltoClient> makeClient(std::optional<std::string> uid = std::nullopt, std::string os = "tbraxl",
                                        std::uint16_t devicePort = 9000) {
  return VeltoClient::make("127.0.0.1", devicePort, 0, std::nullopt, std::move(uid), std::move(os),
                           SoftwareVersion(5, 7, 13));
}

std::vector<std::uint8_t> messageBytes(std::vector<osc::OSCValue> values = {}) {
  return osc::OSCMessage::make("/a/b", std::move(values))->data();
}

TEST(VeltoOSCDecoderTest, InflatesZlibDatagramsWithinTheBoundAndPassesOthersOn) {
  const auto plain = messageBytes({std::int32_t{7}});
  const auto compressed = gzip::gzipped(plain);
  ASSERT_EQ(compressed[0], 0x78);
  EXPECT_EQ(VeltoOSCDecoder::decode(compressed)->message()->values(), std::vector<osc::OSCValue>{std::int32_t{7}});
  EXPECT_EQ(VeltoOSCDecoder::decode(plain)->message()->address().address(), "/a/b");
  EXPECT_FALSE(VeltoOSCDecoder::decode(std::nullopt));

  // 0x78 0x00 is no zlib header: the standard decoder refuses the bytes as they are.
  const std::vector<std::uint8_t> notZlib{0x78, 0x00, 0x00, 0x00};
  EXPECT_THROW(VeltoOSCDecoder::decode(notZlib), osc::OSCDecoderError);

  // A message just under the bound inflates; one beyond it is a decode error, not an allocation.
  const std::size_t overhead = messageBytes({osc::OSCValue::blob({})}).size();
  const auto fits = gzip::gzipped(messageBytes({osc::OSCValue::blob(osc::OSCValue::Blob(
      VeltoOSCDecoder::inflateLimit - overhead))}));
  EXPECT_EQ(VeltoOSCDecoder::decode(fits)->message()->values()[0].asBlob()->size(),
            VeltoOSCDecoder::inflateLimit - overhead);
  const auto bomb = gzip::gzipped(messageBytes({osc::OSCValue::blob(osc::OSCValue::Blob(
      VeltoOSCDecoder::inflateLimit - overhead + 4))}));
  EXPECT_LT(bomb.size(), osc::OSCServer::receiveBufferSize);
  try {
    VeltoOSCDecoder::decode(bomb);
    ADD_FAILURE() << "inflated beyond the bound";
  } catch (const gzip::GzipError& error) {
    EXPECT_EQ(error.kind(), gzip::GzipError::Kind::memory());
  }
}

TEST(VeltoClientTest, ClientUids) {
  std::set<std::string> uids;
  for (int k = 0; k < 200; ++k) {
    const auto uid = randomClientUid();
    ASSERT_EQ(uid.size(), 32u);
    EXPECT_EQ(uid.find_first_not_of(clientUidAlphabet), std::string::npos) << uid;
    uids.insert(uid);
  }
  EXPECT_EQ(uids.size(), 200u);
  std::set<char> seen;
  for (const auto& uid : uids) seen.insert(uid.begin(), uid.end());
  EXPECT_EQ(seen.size(), clientUidAlphabet.size());  // 6400 draws reach every character

  EXPECT_NE(makeClient()->clientUid(), makeClient()->clientUid());
  EXPECT_EQ(makeClient("given")->clientUid(), "given");
  EXPECT_EQ(makeClient("")->clientUid(), "");
}

TEST(VeltoClientTest, OnlineTestCountsTheWindowsLastInstantAsOnline) {
  const osc::DispatchTime now{100s};
  struct Case {
    std::optional<osc::DispatchTime> lastSeen;
    bool online;
  } const cases[] = {
      {std::nullopt, false}, {now, true}, {now - 10s, true}, {now - 10s - 1ns, false}, {now - 1h, false},
  };
  for (const auto& c : cases) EXPECT_EQ(VeltoClient::isOnline(c.lastSeen, now, 10s), c.online);
}

TEST(VeltoClientTest, StatusIsHandedOutAsCopies) {
  const auto client = makeClient();
  EXPECT_EQ(client->oscServer()->delegate().get(), client.get());
  const auto status = client->status();
  status->appSettings->appName = "changed";
  status->statusChanged = true;
  EXPECT_EQ(client->status()->appSettings->appName, "");
  EXPECT_FALSE(client->status()->statusChanged);
  EXPECT_NE(client->status(), client->status());
}

TEST(VeltoClientTest, IdentityUsesAddressUidOsAndVersion) {
  const auto a = makeClient("uid1");
  EXPECT_EQ(a->description(), "127.0.0.1:9000 uid1 5.7.13");
  EXPECT_EQ(*a, *makeClient("uid1"));
  EXPECT_EQ(std::hash<VeltoClient>{}(*a), std::hash<VeltoClient>{}(*makeClient("uid1")));
  EXPECT_FALSE(*a == *makeClient("uid2"));
  EXPECT_FALSE(*a == *makeClient("uid1", "other"));
  EXPECT_FALSE(*a == *makeClient("uid1", "tbraxl", 9001));
}

TEST(VeltoClientTest, CommandsNeedingAServerFailOnAStoppedClient) {
  const auto client = makeClient();
  using Command = std::function<asio::awaitable<void>(VeltoClient&)>;
  const std::vector<std::pair<const char*, Command>> commands = {
      {"reboot", [](VeltoClient& c) { return c.reboot(); }},
      {"requestStatusUpdate", [](VeltoClient& c) { return c.requestStatusUpdate(); }},
      {"setUnitName", [](VeltoClient& c) { return c.setUnitName("x"); }},
      {"factoryReset", [](VeltoClient& c) { return c.factoryReset("x"); }},
      {"setAutomaticIP", [](VeltoClient& c) { return c.setAutomaticIP(); }},
      {"switchUser", [](VeltoClient& c) { return c.switchUser(1, "", std::nullopt); }},
      {"applyAppSettings",
       [](VeltoClient& c) -> asio::awaitable<void> { co_await c.applyAppSettings({}, 1'000'000); }},
      {"updateStatus",
       [](VeltoClient& c) -> asio::awaitable<void> { co_await c.updateStatus({}, 1'000'000); }},
      {"waitForConfirmation",
       [](VeltoClient& c) -> asio::awaitable<void> {
         co_await c.waitForConfirmation(VeltoAppConfirmationCase::PresetSaved, {}, 1'000'000);
       }},
  };
  for (const auto& [name, command] : commands) {
    try {
      async::spawn(command(*client)).get();
      ADD_FAILURE() << name << " did not fail";
    } catch (const VeltoClientError& error) {
      EXPECT_EQ(error.errorCase(), VeltoClientError::Case::deviceIsOffline) << name;
    }
  }
  // Without a device type there is nothing to connect to.
  try {
    async::spawn(client->connect(ConnectionMode::Admin, 1'000'000)).get();
    ADD_FAILURE() << "connect without a device type";
  } catch (const VeltoClientError& error) {
    EXPECT_EQ(error.errorCase(), VeltoClientError::Case::unknownDeviceType);
  }
  EXPECT_FALSE(client->oscServer()->isRunning());
}

TEST(VeltoClientTest, AnnouncementsWithoutABoundPortAreSkippedWithAWarning) {
  const auto log = std::make_shared<tallylog::testing::RecordingDestination>();
  tallylog::Tallylog::addDestination(log);
  const auto client = makeClient();
  async::spawn(client->sendPing()).get();
  async::spawn(client->sendConnectRequest(ConnectionMode::Admin)).get();
  async::spawn(client->sendKeepMePosted()).get();
  tallylog::Tallylog::flush(2);
  tallylog::Tallylog::removeDestination(log);
  std::vector<std::string> lines;
  for (const auto& call : log->calls()) lines.push_back(call.function + ": " + call.message);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "sendPing(): could not send ping. server has no valid listening port",
                       "sendConnectRequest(): could not send connect request. server has no valid listening port",
                       "sendKeepMePosted(): could not send keep me posted. server has no valid listening port",
                   }));
}

}  // namespace
}  // namespace device
