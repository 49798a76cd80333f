// The base device client against the device simulator (liblo on the device side): the connection's
// datagrams, pings and the online state, reconnects, answer waits, commands, status reports,
// compressed and malformed datagrams.

#include <future>

#include "device/Clients/VeltoAppError.h"
#include "device/Clients/VeltoOSCDecoder.h"
#include "device/XML/ZRXMLParser.h"
#include "tests/device/Clients/PresetClientFixture.h"

namespace device::testing {
namespace {

const std::string& uid = clientUidText;

class VeltoClientSimulatorTest : public PresetClientFixture<VeltoClient> {
 protected:
  VeltoClientSimulatorTest() : PresetClientFixture(DeviceConfig::processor(1, "127.0.0.41", 4)) {}

  // A started session, its last datagram on the device (see connectionSent).
  std::vector<UserInfo> start() {
    auto infos = run(client->startSession(DeviceType::pelion(4), ConnectionMode::Admin, 10 * second));
    connectionSent();
    return infos;
  }
  static SimMessage confirmation(std::string text) {
    return {"/VELTOapp/confirmation", {SimValue::string(std::move(text)), SimValue::int32(1), SimValue::string("D")}};
  }
};

// The tests of the online window itself, with a window short enough to run out within a test.
class VeltoClientOnlineWindowTest : public VeltoClientSimulatorTest {
 protected:
  VeltoClientOnlineWindowTest() { options.onlineWindow = 1s; }
};

TEST_F(VeltoClientOnlineWindowTest, ConnectionSendsItsDatagramsInOrderAndStaysOnlineWithPings) {
  std::atomic<int> reports{0};
  client->setOnlineStateHandler([&reports](VeltoClient& c, bool online, std::exception_ptr) {
    // Getters are safe from the handler.
    if (online && c.isOnline() && c.deviceInfo()) ++reports;
  });
  const auto infos = start();
  ASSERT_EQ(infos.size(), 4u);
  for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(infos[k].user().number(), k + 1);
  EXPECT_EQ(client->deviceInfo()->serialNumber(), "SIM-PROC-1");
  EXPECT_EQ(client->preset()->userList->users.size(), 4u);
  EXPECT_EQ(client->preset()->userList->users[1]->name, "User 2");  // from the user infos
  EXPECT_TRUE(client->isOnline());

  EXPECT_EQ(receivedWithoutPings(), connectionDatagrams("isis 1 \"\" 40"));
  const auto pings = simulator.waitFor(0, "/Vp/Ping", 4, 2s);
  ASSERT_GE(pings.size(), 4u);
  EXPECT_EQ(pings[0].message.description(), "/Vp/Ping is " + std::to_string(listening()) + " \"" + uid + "\"");
  std::this_thread::sleep_for(1200ms);  // longer than the online window: the pings keep it
  EXPECT_TRUE(client->isOnline());
  EXPECT_TRUE(eventually([&] { return client->status()->appSettings->uuid == "5B1E0C3A-8F0D-4C55-9E55-1D2C3B4A5F60"; }));
  EXPECT_EQ(reports.load(), 1);
}

TEST_F(VeltoClientOnlineWindowTest, SilentDeviceGoesOfflineOnceAndDisconnects) {
  std::atomic<int> offline{0};
  client->setOnlineStateHandler([&offline](VeltoClient&, bool online, std::exception_ptr) {
    if (!online) ++offline;
  });
  start();
  simulator.update(0, [](DeviceConfig& config) { config.behaviour.silent = true; });
  ASSERT_TRUE(eventually([&] { return offline.load() == 1; }));
  EXPECT_FALSE(client->isOnline());
  EXPECT_FALSE(client->oscServer()->isRunning());
  const auto pingsAfter = simulator.received(0, "/Vp/Ping").size();
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(simulator.received(0, "/Vp/Ping").size(), pingsAfter);  // the ping loop has ended
  EXPECT_EQ(offline.load(), 1);
}

TEST_F(VeltoClientSimulatorTest, ReconnectOnTheSameObjectIsNotUndoneByTheOldRunsStop) {
  start();
  for (int k = 0; k < 3; ++k) {
    const auto infos = async::spawn(client->connect(ConnectionMode::Admin, 10 * second)).get();
    EXPECT_EQ(infos.size(), 4u);
  }
  // Three stop reports are on their way to the queue; none may disconnect the new connection.
  const auto stopReports = [this] {
    const auto infos = logged(Level::info);
    return std::count(infos.begin(), infos.end(), "OSC server did stop");
  };
  EXPECT_TRUE(eventually([&] { return stopReports() >= 3; }, 10s));
  client->queue()->sync([] {});
  EXPECT_TRUE(client->oscServer()->isRunning());
  EXPECT_TRUE(client->isOnline());
  EXPECT_EQ(stopReports(), 3);

  // A second start without a disconnect is refused and leaves the connection alone.
  EXPECT_EQ(thrownCase(client->startSession(DeviceType::pelion(4), ConnectionMode::Admin, second)),
            VeltoClientError::Case::connectionAlreadyStarted);
  EXPECT_TRUE(client->isOnline());
}

TEST_F(VeltoClientSimulatorTest, UserInfosSkipRepeatsAndFailOnSilenceOrGarbage) {
  simulator.update(0, [](DeviceConfig& config) { config.users[1].answer = testsupport::SimUser::Answer::twice; });
  std::vector<std::size_t> numbers;
  for (const auto& info : start()) numbers.push_back(info.user().number());
  EXPECT_EQ(numbers, (std::vector<std::size_t>{1, 2, 3, 4}));

  struct Case {
    testsupport::SimUser::Answer second;
    bool atOnce;  // garbage fails at once, silence after the time-out
  } const cases[] = {{testsupport::SimUser::Answer::silent, false}, {testsupport::SimUser::Answer::malformed, true}};
  for (const auto& c : cases) {
    simulator.update(0, [&c](DeviceConfig& config) { config.users[1].answer = c.second; });
    const auto began = std::chrono::steady_clock::now();
    EXPECT_EQ(thrownCase(client->connect(ConnectionMode::Admin, second / 2)),
              VeltoClientError::Case::failedReceivingUserInfo);
    EXPECT_EQ(std::chrono::steady_clock::now() - began < 400ms, c.atOnce);
    EXPECT_FALSE(client->oscServer()->isRunning());
    EXPECT_FALSE(client->isOnline());
  }
}

TEST_F(VeltoClientSimulatorTest, UserInfoOutsideThePresetUpdatesTheDeviceOnly) {
  simulator.update(0, [](DeviceConfig& config) {
    config.users.push_back({"Extra"});  // a fifth user on a device of four mixes
    config.name = "Renamed";
  });
  start();
  EXPECT_TRUE(eventually([&] {
    const auto lines = logged(Level::info);
    return std::find(lines.begin(), lines.end(), "invalid user number") != lines.end();
  }));
  EXPECT_EQ(client->deviceInfo()->name(), "Renamed");
  EXPECT_EQ(client->preset()->userList->users.size(), 4u);
}

TEST_F(VeltoClientSimulatorTest, ConfirmationWaitsTakeOnlyLaterAnswersOfTheirType) {
  start();
  // Received before the wait's start moment.
  const auto sent = osc::DispatchTime::clock::now();
  toClient(confirmation("Preset A saved."));
  EXPECT_EQ(async::spawn(client->waitForConfirmation(VeltoAppConfirmationCase::PresetSaved, sent, 10 * second))
                .get()
                .message(),
            "Preset A saved.");
  const auto t0 = osc::DispatchTime::clock::now();
  auto saved = async::spawn(client->waitForConfirmation(VeltoAppConfirmationCase::PresetSaved, t0, 2 * second));
  auto received = async::spawn(client->waitForConfirmation(VeltoAppConfirmationCase::PresetReceived, t0, 2 * second));
  auto stale = async::spawn(client->waitForConfirmation(VeltoAppConfirmationCase::PresetTransferComplete, t0, second / 5));
  toClient({"/VELTOapp/error", {SimValue::string("only two")}});  // malformed: passed over
  toClient(confirmation("Preset B saved."));
  toClient(confirmation("Preset received."));
  EXPECT_EQ(saved.get().message(), "Preset B saved.");
  EXPECT_EQ(received.get().message(), "Preset received.");
  EXPECT_THROW(stale.get(), osc::ThrowingContinuationError);

  // A device error ends the wait with that error.
  auto failing = async::spawn(client->waitForConfirmation(VeltoAppConfirmationCase::PresetSaved,
                                                          osc::DispatchTime::clock::now(), 10 * second));
  toClient({"/VELTOapp/error", {SimValue::string("File not found."), SimValue::int32(4), SimValue::string("D")}});
  EXPECT_STREQ(thrown<VeltoAppError>(failing.value()).what(), "The device reported an error: File not found.");

  // The server's stop ends a wait with noMatchingConfirmationReceived. The stop must come after
  // the wait has begun (a wait begun offline fails at once with deviceIsOffline): the task tells
  // when it runs, and the wait itself takes no time before it subscribes.
  std::promise<void> began;
  auto stopped = async::spawn([this, &began]() -> asio::awaitable<std::optional<VeltoClientError>> {
    auto wait = client->waitForConfirmation(VeltoAppConfirmationCase::PresetSaved, osc::DispatchTime::clock::now(),
                                            10 * second);
    began.set_value();
    co_return co_await catching<VeltoClientError>(std::move(wait));
  });
  began.get_future().wait();
  std::this_thread::sleep_for(50ms);
  client->disconnect();
  EXPECT_EQ(stopped.get(), VeltoClientError::noMatchingConfirmationReceived());
}

TEST_F(VeltoClientSimulatorTest, AppliedSettingsAreConfirmedByAStatusReport) {
  start();
  AppSettings::Container changes;
  changes.setAppName("Stage Left");
  changes.setExclusiveSolo(true);
  changes.properties["CustomKey"] = "";  // any reported text confirms an empty request
  simulator.clearReceived();
  const auto settings = async::spawn(client->applyAppSettings(changes, 3 * second)).get();
  EXPECT_EQ(settings->appName, "Stage Left");
  EXPECT_TRUE(settings->exclusiveSolo);
  EXPECT_EQ(received("/VELTOpelion/Hardware/AppName"),
            (std::vector<std::string>{"/VELTOpelion/Hardware/AppName ss \"Stage Left\" \"" + uid + "\""}));
  const auto properties = simulator.received(0, "/VELTOapp/control/SetProperty");
  ASSERT_EQ(properties.size(), 2u);  // in the container's order, to the companion port
  EXPECT_EQ(properties[0].port, testsupport::SimPort::companion);
  EXPECT_EQ(properties[0].message.description(),
            "/VELTOapp/control/SetProperty sss \"CustomKey\" \"\" \"" + uid + "\"");
  EXPECT_EQ(properties[1].message.description(),
            "/VELTOapp/control/SetProperty sss \"ExclusiveSolo\" \"1\" \"" + uid + "\"");
  EXPECT_EQ(received("/VELTOpelion/Hardware/StatusUpdate").back(), "/VELTOpelion/Hardware/StatusUpdate ");

  // The client's own status already shows the confirming report.
  EXPECT_EQ(client->status()->appSettings->appName, "Stage Left");
  EXPECT_TRUE(client->status()->appSettings->exclusiveSolo);

  // So does it after a status update that follows a change made another way.
  async::spawn(client->sendAppName("Back Line")).get();
  EXPECT_EQ(async::spawn(client->updateStatus(osc::DispatchTime::clock::now(), 3 * second)).get()->appName,
            "Back Line");
  EXPECT_EQ(client->status()->appSettings->appName, "Back Line");

  // Nothing differs any more: only the status request goes out, and the next report answers.
  async::spawn(client->applyAppSettings(changes, 3 * second)).get();
  simulator.clearReceived();
  AppSettings::Container same;
  same.setAppName("Stage Left");
  EXPECT_EQ(async::spawn(client->applyAppSettings(same, 3 * second)).get()->appName, "Stage Left");
  EXPECT_TRUE(received("/VELTOpelion/Hardware/AppName").empty());
  EXPECT_TRUE(received("/VELTOapp/control/SetProperty").empty());

  // A report with the old name does not confirm a new one: the wait runs into its time-out.
  simulator.update(0, [](DeviceConfig& config) { config.behaviour.silent = true; });
  AppSettings::Container unconfirmed;
  unconfirmed.setExclusiveSolo(false);
  // Shorter than the online window, which the silence starts.
  auto apply = async::spawn(client->applyAppSettings(unconfirmed, second / 5));
  std::this_thread::sleep_for(50ms);
  simulator.sendStatus(0);
  EXPECT_THROW(apply.get(), osc::ThrowingContinuationError);
}

TEST_F(VeltoClientSimulatorTest, EachCommandSendsItsDatagram) {
  start();
  const std::string u = "\"" + uid + "\"";
  using Command = std::function<asio::awaitable<void>(VeltoClient&)>;
  struct Case {
    Command command;
    std::vector<std::string> expected;  // every datagram of the command, by address
  };
  const std::vector<Case> cases = {
      {[](VeltoClient& c) { return c.reboot(); }, {"/VELTOpelion/Hardware/Restart sss \"Reboot\" \"\" " + u}},
      {[](VeltoClient& c) { return c.setUnitName("Rack 2"); }, {"/VELTOpelion/Hardware/UnitName ss \"Rack 2\" " + u}},
      {[](VeltoClient& c) { return c.factoryReset("SN9"); }, {"/VELTOpelion/Hardware/FactoryReset ss \"SN9\" " + u}},
      {[](VeltoClient& c) {
         return c.setFixedIP(*IPv4Address::fromString("10.0.0.5"), *IPv4Address::fromString("255.255.0.0"),
                             *IPv4Address::fromString("10.0.0.1"));
       },
       {"/VELTOpelion/Hardware/FixedIP ssss \"10.0.0.5\" \"255.255.0.0\" \"10.0.0.1\" " + u}},
      {[](VeltoClient& c) { return c.setAutomaticIP(); },
       {"/VELTOpelion/Hardware/FixedIP ssss \"\" \"255.255.255.0\" \"\" " + u}},
      {[](VeltoClient& c) { return c.sendAppName("Mon"); }, {"/VELTOpelion/Hardware/AppName ss \"Mon\" " + u}},
      {[](VeltoClient& c) { return c.switchUser(3, "pw", ConnectionMode::Remote); },
       {"/VELTOpelion/control/SwitchUser isis 3 \"pw\" 90 " + u}},
      {[](VeltoClient& c) { return c.switchUser(2, "", std::nullopt); },
       {"/VELTOpelion/control/SwitchUser iss 2 \"\" " + u}},
      {[](VeltoClient& c) { return c.identify(); },
       {"/VELTOpelion/Hardware/DisplayBlink s " + u, "/Va/control/confirmation s \"<CRITICAL>### IDENTIFY ###\""}},
  };
  for (const auto& c : cases) {
    simulator.clearReceived();
    async::spawn(c.command(*client)).get();
    for (const auto& expected : c.expected) {
      const auto got = simulator.waitFor(0, expected.substr(0, expected.find(' ')), 1, 2s);
      ASSERT_EQ(got.size(), 1u) << expected;
      EXPECT_EQ(got[0].message.description(), expected);
    }
  }
}

TEST_F(VeltoClientSimulatorTest, CompressedRepliesAreReadAndOversizedOnesRejected) {
  simulator.update(0, [](DeviceConfig& config) { config.behaviour.compressAll = true; });
  EXPECT_EQ(start().size(), 4u);
  EXPECT_TRUE(client->isOnline());

  // Inflating beyond the bound is a parse failure, not memory: the client carries on.
  toClient({"/VELTOapp/confirmation",
            {SimValue::blob(std::vector<std::uint8_t>(VeltoOSCDecoder::inflateLimit + 1024)), SimValue::int32(1)}},
           true);
  EXPECT_TRUE(eventually([&] {
    const auto lines = logged(Level::warning);
    return std::find(lines.begin(), lines.end(), "could not parse osc data") != lines.end();
  }));
  const auto t0 = osc::DispatchTime::clock::now();
  auto wait = async::spawn(client->waitForConfirmation(VeltoAppConfirmationCase::PresetReceived, t0, 2 * second));
  std::this_thread::sleep_for(50ms);
  toClient(confirmation("Preset received."), true);
  EXPECT_EQ(wait.get().message(), "Preset received.");
}

TEST_F(VeltoClientSimulatorTest, MalformedStatusReportsAreSurvived) {
  start();
  ASSERT_TRUE(eventually([&] { return client->status()->appSettings->uuid == "5B1E0C3A-8F0D-4C55-9E55-1D2C3B4A5F60"; }));
  const auto before = client->status()->appSettings->uuid;
  toClient({"/VELTOGUI/StatusUpdate", {SimValue::string("<a/>"), SimValue::string("x"), SimValue::string("y")}});
  toClient({"/VELTOGUI/StatusUpdate", {SimValue::blob({'<', 'a', '/', '>'}), SimValue::string("x")}});
  toClient({"/VELTOGUI/StatusUpdate", {SimValue::string("<unclosed>"), SimValue::string("x")}});
  simulator.sendTo(0, "127.0.0.1", listening(), {"/VELTOGUI/StatusUpdate", {}}, false);
  EXPECT_TRUE(eventually([&] { return logged(Level::error).size() == 1; }));
  EXPECT_TRUE(logged(Level::error)[0].starts_with("could not process StatusUpdate "));

  // A status wait ends with the parser's error of a broken document; a good one answers.
  simulator.update(0, [](DeviceConfig& config) { config.behaviour.dropped.insert("/VELTOpelion/Hardware/StatusUpdate"); });
  auto broken = async::spawn(client->updateStatus(osc::DispatchTime::clock::now(), 2 * second));
  std::this_thread::sleep_for(20ms);
  toClient({"/VELTOGUI/StatusUpdate", {SimValue::string("<unclosed>"), SimValue::string("x")}});
  EXPECT_THROW(broken.get(), ZRXMLParserError);
  simulator.update(0, [](DeviceConfig& config) { config.behaviour.dropped.clear(); });
  EXPECT_EQ(async::spawn(client->updateStatus(osc::DispatchTime::clock::now(), 2 * second)).get()->uuid, before);
  EXPECT_EQ(client->status()->appSettings->uuid, before);
  EXPECT_TRUE(client->isOnline());
}

// Compressed reports full of new setting keys, as a hostile peer sends them: what goes beyond the
// bounds is left out with one warning per report, and the client goes on answering its device.
TEST_F(VeltoClientSimulatorTest, StatusReportsFullOfNewKeysAreBoundedAndWarnedAbout) {
  start();
  const std::string uuid = "5B1E0C3A-8F0D-4C55-9E55-1D2C3B4A5F60";
  ASSERT_TRUE(eventually([&] { return client->status()->appSettings->uuid == uuid; }));
  for (int report = 0; report < 2; ++report) {
    std::string xml = R"(<StatusUpdate><Status><Device Name="AppSettings"><Settings>)";
    for (std::size_t k = 0; k < AppSettings::kMaximumOtherKeys; ++k) {
      xml += "<VALUE name=\"R" + std::to_string(report) + "K" + std::to_string(k) + "\" val=\"1\"/>";
    }
    xml += "<VALUE name=\"" + std::string(AppSettings::kMaximumOtherKeySize + 1, 'k') + "\" val=\"1\"/>";
    toClient({"/VELTOGUI/StatusUpdate", {SimValue::string(xml + "</Settings></Device></Status></StatusUpdate>"),
                                         SimValue::string("x")}},
             true);
  }
  const std::vector<std::string> expected = {
      "StatusUpdate: left out 1 app settings beyond the limits",
      "StatusUpdate: left out " + std::to_string(AppSettings::kMaximumOtherKeys + 1) + " app settings beyond the limits"};
  EXPECT_TRUE(eventually([&] { return logged(Level::warning) == expected; }))
      << ::testing::PrintToString(logged(Level::warning));
  EXPECT_EQ(async::spawn(client->updateStatus(osc::DispatchTime::clock::now(), 2 * second)).get()->uuid, uuid);
  EXPECT_TRUE(client->isOnline());
}

}  // namespace
}  // namespace device::testing
