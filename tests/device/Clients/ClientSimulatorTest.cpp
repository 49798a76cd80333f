// The device clients against the device simulator, each device on its own 127.x address.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <future>
#include <lo/lo.h>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>

#include <gtest/gtest.h>

#include "async/Cancellation.h"
#include "async/TaskHandle.h"
#include "device/Clients/AppClient.h"
#include "device/Clients/OSCEnumerationValue.h"
#include "device/Clients/OfflineEditor.h"
#include "device/Clients/ProcessorClient.h"
#include "device/Clients/RotaverClient.h"
#include "device/Clients/VeltoApp.h"
#include "device/Clients/VeltoAppError.h"
#include "device/Clients/VeltoOSCDecoder.h"
#include "device/Presets/PresetSegmentMessages.h"
#include "device/XML/ZRXMLParser.h"
#include "gzip/Gzip.h"
#include "log/Tallylog.h"
#include "osc/OSCServerError.h"
#include "simulator/DeviceSimulator.h"
#include "tests/log/RecordingDestination.h"
#include "tests/support/Eventually.h"
#include "tests/support/NumericLocale.h"

namespace device::testing {
namespace {

using namespace std::chrono_literals;
using Level = tallylog::Tallylog::Level;
using testsupport::DeviceConfig;
using testsupport::DeviceSimulator;
using testsupport::SimMessage;
using testsupport::SimPreset;
using testsupport::SimValue;
using testsupport::eventually;

constexpr std::uint64_t second = 1'000'000'000;
const std::string clientUidText = "UIDUIDUIDUIDUIDUIDUIDUIDUIDUIDU2";

// Runs an operation of the client to its end on a task; its error passes on.
template <class T>
T run(boost::asio::awaitable<T> operation) {
  return async::spawn(std::move(operation)).get();
}

// The operation's error of type Error, caught on the task's own thread and handed over as a value
// (an exception object shared between threads is freed through a reference count the thread
// sanitizer cannot see); none when it ends without one.
template <class Error, class T>
boost::asio::awaitable<std::optional<Error>> catching(boost::asio::awaitable<T> operation) {
  try {
    co_await std::move(operation);
  } catch (const Error& error) {
    co_return error;
  }
  co_return std::nullopt;
}

// The error of type Error that the operation throws (a test failure when it throws none).
template <class Error, class T>
Error thrown(boost::asio::awaitable<T> operation) {
  auto error = async::spawn(catching<Error>(std::move(operation))).get();
  if (!error) throw std::logic_error("no error of the expected type");
  return *error;
}

template <class T>
VeltoClientError::Case thrownCase(boost::asio::awaitable<T> operation) {
  return thrown<VeltoClientError>(std::move(operation)).errorCase();
}

template <class Client>
class PresetClientFixture : public ::testing::Test {
 protected:
  explicit PresetClientFixture(DeviceConfig config) : simulator({withFreePorts(std::move(config))}) {}

  static DeviceConfig withFreePorts(DeviceConfig config) {
    config.discoveryPort = config.companionPort = 0;
    return config;
  }

  void SetUp() override {
    tallylog::Tallylog::addDestination(log);
    simulator.start();
    options.appPort = simulator.companionPort(0);
    const auto address = simulator.config(0).address;
    if constexpr (std::is_same_v<Client, ProcessorClient>) {
      client = VeltoClient::make<Client>(address, simulator.controlPort(0), 0, std::nullopt, clientUidText, "tbraxl",
                                         SoftwareVersion(5, 7, 13), nullptr, options);
    } else {
      client = VeltoClient::make<Client>(address, simulator.controlPort(0), 0, std::nullopt, clientUidText, "tbraxl",
                                         SoftwareVersion(5, 7, 13), options);
    }
  }

  void TearDown() override {
    const auto queue = client->queue();
    client->disconnect();
    queue->sync([] {});
    client.reset();
    queue->sync([] {});
    tallylog::Tallylog::flush(2);
    tallylog::Tallylog::removeDestination(log);
  }

  void connect() {
    if constexpr (std::is_same_v<Client, ProcessorClient>) {
      run(client->processorStartStep(simulator.config(0).type, ConnectionMode::Admin, 10 * second));
    } else {
      run(client->connectSteps(10 * second));
    }
    connectionSent();
    simulator.clearReceived();
  }
  // A connection ends with the status request, which the client sends without waiting for its
  // answer: waits until the device has it, so that no datagram of the connection is still on its way.
  void connectionSent() const {
    ASSERT_EQ(simulator.waitFor(0, "/VELTOpelion/Hardware/StatusUpdate", 1, 5s).size(), 1u);
  }

  std::uint16_t listening() const { return *client->oscServer()->listeningPort(); }
  void toClient(SimMessage message, bool compressed = false) {
    simulator.sendTo(0, "127.0.0.1", listening(), std::move(message), compressed);
  }

  // The device's received messages as "address types values", in order (one address or all).
  std::vector<std::string> received(std::string_view address = {}) const {
    std::vector<std::string> texts;
    for (const auto& r : simulator.received(0, address)) texts.push_back(r.message.description());
    return texts;
  }
  // The device's received messages without the pings.
  std::vector<std::string> receivedWithoutPings() const {
    auto texts = received();
    std::erase_if(texts, [](const std::string& text) { return text.starts_with("/Vp/Ping"); });
    return texts;
  }
  // The datagrams of a connection in order: `switchUser` is the SwitchUser datagram's types and
  // values before the uid; KeepMePosted goes before it when `postedFirst`.
  std::vector<std::string> connectionDatagrams(const std::string& switchUser, bool postedFirst = false) const {
    const std::string port = std::to_string(listening()), uid = "\"" + clientUidText + "\"";
    std::vector<std::string> texts = {
        "/VELTOpelion/control/ConnectRequest iiiss " + port + " 50713 40 \"tbraxl\" " + uid,
        "/VELTOpelion/control/SwitchUser " + switchUser + " " + uid,
        "/VELTOpelion/Hardware/KeepMePosted Tiis T " + port + " 50713 " + uid,
        "/VELTOpelion/Hardware/StatusUpdate Tis T " + port + " " + uid};
    if (postedFirst) std::swap(texts[1], texts[2]);
    return texts;
  }
  std::vector<std::string> logged(tallylog::Tallylog::Level level) const {
    tallylog::Tallylog::flush(2);
    std::vector<std::string> lines;
    for (const auto& call : log->calls()) {
      if (call.level == level) lines.push_back(call.message);
    }
    return lines;
  }
  void addPreset(std::string name, bool userShow, std::vector<std::uint8_t> bytes,
                 std::optional<std::string> backupDate = std::nullopt) {
    simulator.update(0, [&](DeviceConfig& config) {
      SimPreset preset;
      preset.name = std::move(name);
      preset.userShow = userShow;
      preset.backupDate = std::move(backupDate);
      preset.bytes = std::move(bytes);
      config.presets.push_back(std::move(preset));
    });
  }
  // The stored presets' list texts without their time stamps.
  std::vector<std::string> stored() const {
    std::vector<std::string> names;
    for (const auto& preset : simulator.config(0).presets) {
      names.push_back(preset.baseName() + (preset.userShow ? " (USER SHOW)" : " (PRESET)"));
    }
    return names;
  }

  // Short periods; time-outs long enough for a sanitizer build on a busy machine (a test of a
  // time-out shortens its own before SetUp). The online window is long enough that no test goes
  // offline by chance while a sanitizer slows the receive loop (an oversized compressed datagram
  // takes seconds to inflate under ThreadSanitizer).
  static VeltoClientOptions generousOptions() {
    VeltoClientOptions o;
    o.pingPeriod = 50ms;
    o.onlineWindow = 30s;
    o.confirmationTimeout = 10 * second;
    o.userShowListTimeout = 10 * second;
    return o;
  }

  VeltoClientOptions options = generousOptions();
  std::shared_ptr<tallylog::testing::RecordingDestination> log =
      std::make_shared<tallylog::testing::RecordingDestination>();
  DeviceSimulator simulator;
  std::shared_ptr<Client> client;
};

// Bytes that do not compress, so the segment count follows the length.
std::vector<std::uint8_t> noise(std::size_t size, std::uint32_t state = 7) {
  std::vector<std::uint8_t> bytes(size);
  for (auto& byte : bytes) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  return bytes;
}

// The base device client against the device simulator (liblo on the device side): the connection's
// datagrams, pings and the online state, reconnects, answer waits, commands, status reports,
// compressed and malformed datagrams.

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

// A reply, then a datagram that inflates past the replay's byte bound: a wait that began before
// the reply still finds it in the replay (only the oversized datagram is not replayed).
TEST_F(VeltoClientSimulatorTest, AReplyBeforeAnOversizedDatagramStaysReplayable) {
  start();
  const auto t0 = osc::DispatchTime::clock::now();
  toClient(confirmation("Preset received."));
  toClient({"/big", {SimValue::blob(std::vector<std::uint8_t>(2 * osc::OSCServer::replayBytes + 100))}}, true);
  toClient({"/marker", {}});
  const auto server = client->oscServer();
  ASSERT_NO_THROW(async::spawn(server->firstMessage("/marker", std::nullopt, 0, t0, 5 * second)).get());
  const auto big = async::spawn(server->firstMessage("/big", std::nullopt, 0, t0, second / 20));
  EXPECT_THROW(big.get(), osc::OSCServerError);  // delivered live, never replayed
  auto wait = async::spawn(client->waitForConfirmation(VeltoAppConfirmationCase::PresetReceived, t0, 2 * second));
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

// The processor client and the shared preset operations against the device simulator: the guarded
// start, the list, segment layouts both ways (order, loss, retries, dotted names), save, delete,
// load, snapshot, confirmation events, channel parameters and the user XML.

class ProcessorClientSimulatorTest : public PresetClientFixture<ProcessorClient> {
 protected:
  ProcessorClientSimulatorTest() : PresetClientFixture(DeviceConfig::processor(1, "127.0.0.61", 4)) {}

  void switchTo(const std::function<void(testsupport::SimBehaviour&)>& change) {
    simulator.update(0, [&change](DeviceConfig& config) { change(config.behaviour); });
  }
  void drop(const std::string& request) {
    switchTo([&request](testsupport::SimBehaviour& b) { b.dropped.insert(request); });
  }
};

TEST_F(ProcessorClientSimulatorTest, StartStepRefusesAppAndControllerAndStartsProcessors) {
  for (const auto& type : {DeviceType::app(), DeviceType::rotaver()}) {
    EXPECT_EQ(thrownCase(client->processorStartStep(type, ConnectionMode::Admin, second)),
              VeltoClientError::Case::unsupportedDeviceType);
    EXPECT_EQ(thrownCase(client->startSession(type, ConnectionMode::Admin, 5 * second)),
              VeltoClientError::Case::unsupportedDeviceType);
  }
  // Not connected, so without a device uid: the preset operations fail before sending anything.
  EXPECT_EQ(thrownCase(client->requestPresetList(second)), VeltoClientError::Case::deviceIsOffline);
  EXPECT_EQ(thrownCase(client->receivePreset(PresetName("A"), 0, second)), VeltoClientError::Case::deviceIsOffline);
  EXPECT_EQ(thrownCase(client->loadPreset(PresetName("A"), second)), VeltoClientError::Case::deviceIsOffline);
  EXPECT_TRUE(received().empty());
  EXPECT_FALSE(client->oscServer()->isRunning());
  connect();
  EXPECT_TRUE(client->isOnline());
  EXPECT_EQ(client->supportedPresetTypes(), std::vector<PresetType>{PresetType::preset});
}

TEST_F(ProcessorClientSimulatorTest, PresetListComesInItsBundleAndReadsEveryStringButTheLast) {
  connect();
  addPreset("Show", false, {1});
  addPreset("Band", true, {2}, "2024-01-02T03:04:05.678Z");
  const auto list = run(client->requestPresetList(second));
  ASSERT_EQ(list.count(), 2u);
  EXPECT_EQ(list.names[0].name, "Show");
  EXPECT_EQ(list.names[1].type, PresetType::userShow);
  EXPECT_TRUE(list.names[1].backupDate.has_value());
  const auto requests = simulator.received(0, "/VELTOpelion/control/RequestListOfPresets");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_TRUE(requests[0].inBundle);
  EXPECT_EQ(requests[0].message.description(),
            "/VELTOpelion/control/RequestListOfPresets Ts T \"" + clientUidText + "\"");

  drop("/VELTOpelion/control/RequestListOfPresets");
  struct Case {
    std::vector<SimValue> values;
    std::vector<std::string> names;
  };
  const std::vector<Case> cases = {
      {{SimValue::string("A"), SimValue::string("B"), SimValue::int32(2)}, {"A", "B"}},
      {{SimValue::string("A"), SimValue::int32(9), SimValue::string("B"), SimValue::string("last")}, {"A", "B"}},
      // An unchanged list is not read again; each change is.
      {{SimValue::string("A"), SimValue::string("C"), SimValue::int32(2)}, {"A", "C"}},
      {{SimValue::string("A"), SimValue::int32(1)}, {"A"}},
      {{SimValue::int32(0)}, {}},
      {{}, {}},  // no argument at all: an empty list, not a failure
      {{SimValue::string("A"), SimValue::string("B"), SimValue::int32(2)}, {"A", "B"}},
  };
  for (const auto& c : cases) {
    const auto before = simulator.received(0, "/VELTOpelion/control/RequestListOfPresets").size();
    auto task = async::spawn(client->requestPresetList(10 * second));
    simulator.waitFor(0, "/VELTOpelion/control/RequestListOfPresets", before + 1);
    toClient({"/VELTOapp/control/PresetList", c.values});
    std::vector<std::string> names;
    for (const auto& name : task.get().names) names.push_back(name.name);
    EXPECT_EQ(names, c.names);
  }
  EXPECT_EQ(thrown<osc::OSCServerError>(client->requestPresetList(second / 10)), osc::OSCServerError::readTimeout());
}

// The segments' layout is PresetSegmentMessages' (tested there); here the file name, the flag and
// the client's uid they carry, and what the device stores.
TEST_F(ProcessorClientSimulatorTest, SendSlicesThePayloadUnderItsFileName) {
  connect();
  const std::tuple<PresetName, std::string, bool> cases[] = {
      {PresetName("Band", std::nullopt, PresetType::userShow, std::nullopt), "Band.vup", false},
      {PresetName("Show", std::nullopt, PresetType::preset, "2024-01-02T03:04:05.678Z"), "Show.VELTOshow", true},
  };
  for (const auto& [name, file, compressed] : cases) {
    simulator.clearReceived();
    EXPECT_TRUE(run(client->sendPreset(noise(2500), name, true)));
    const auto segments = simulator.received(0, "/VELTOpelion/control/presetSeg");
    ASSERT_EQ(segments.size(), 3u) << file;
    std::vector<std::uint8_t> joined;
    for (const auto& segment : segments) {
      const auto& m = segment.message;
      EXPECT_EQ(m.types() + " " + *m.string(0) + " " + *m.string(6), "sbiisTs " + file + " " + clientUidText);
      joined.insert(joined.end(), m.blob(1)->begin(), m.blob(1)->end());
    }
    EXPECT_EQ(joined, compressed ? gzip::gzipped(noise(2500)) : noise(2500));
  }
  EXPECT_EQ(stored(), (std::vector<std::string>{"Band (USER SHOW)", "Show (PRESET)"}));

  simulator.clearReceived();
  EXPECT_FALSE(run(client->sendPreset({}, PresetName("Empty"), false)));
  EXPECT_FALSE(run(client->sendPreset({}, PresetName("Empty", std::nullopt, PresetType::userShow, std::nullopt), false)));
  EXPECT_TRUE(received().empty());
}

class ProcessorClientConfirmationTimeoutTest : public ProcessorClientSimulatorTest {
 protected:
  ProcessorClientConfirmationTimeoutTest() { options.confirmationTimeout = second / 5; }
};

TEST_F(ProcessorClientConfirmationTimeoutTest, SendFailsWithoutPresetReceivedInTime) {
  connect();
  drop("/VELTOpelion/control/presetSeg");
  EXPECT_EQ(thrown<osc::ThrowingContinuationError>(client->sendPreset(noise(10), PresetName("X"), false)),
            osc::ThrowingContinuationError::timeout());
}

TEST_F(ProcessorClientSimulatorTest, ReceiveJoinsSegmentsInAnyOrderAlsoOfDottedNames) {
  connect();
  addPreset("My.Show", false, noise(4200, 1));
  addPreset("Plain", false, noise(900, 2), "2024-01-02T03:04:05.678Z");
  // Segments in reverse order: the handler's unit test covers every order.
  switchTo([](testsupport::SimBehaviour& b) { b.segmentFault = testsupport::SimBehaviour::SegmentFault::reverse; });
  EXPECT_EQ(run(client->receivePreset(PresetName("My.Show"), 0, 10 * second)).data, noise(4200, 1));
  const PresetName backup("Plain", std::nullopt, PresetType::preset, "2024-01-02T03:04:05.678Z");
  EXPECT_EQ(run(client->receivePreset(backup, 0, 10 * second)).data, noise(900, 2));
  EXPECT_EQ(received("/VELTOpelion/control/presetCopyToUSB").front(),
            "/VELTOpelion/control/presetCopyToUSB ss \"My.Show\" \"" + clientUidText + "\"");
}

TEST_F(ProcessorClientSimulatorTest, ReceiveRetriesAfterLossAndSendsAtMostOnePlusRetriesRequests) {
  connect();
  addPreset("Show", false, noise(3500));
  switchTo([](testsupport::SimBehaviour& b) { b.segmentFault = testsupport::SimBehaviour::SegmentFault::dropLast; });
  for (const int retries : {0, 1}) {
    simulator.clearReceived();
    EXPECT_EQ(thrown<PresetSegmentHandlerError>(client->receivePreset(PresetName("Show"), retries, second / 5)),
              PresetSegmentHandlerError::timeout());
    EXPECT_EQ(received("/VELTOpelion/control/presetCopyToUSB").size(), static_cast<std::size_t>(retries + 1));
  }
  // The first answer loses its last segment; the repeated request is answered whole, and the kept
  // part of the first does not spoil it.
  simulator.clearReceived();
  auto task = async::spawn(client->receivePreset(PresetName("Show"), 1, second));
  simulator.waitFor(0, "/VELTOpelion/control/presetCopyToUSB");
  switchTo([](testsupport::SimBehaviour& b) { b.segmentFault = testsupport::SimBehaviour::SegmentFault::none; });
  EXPECT_EQ(task.get().data, noise(3500));
  EXPECT_EQ(received("/VELTOpelion/control/presetCopyToUSB").size(), 2u);
}

TEST_F(ProcessorClientSimulatorTest, ACancelledReceiveLeavesNothingForTheNextOne) {
  connect();
  addPreset("Show", false, noise(3500));
  switchTo([](testsupport::SimBehaviour& b) { b.delays["/VELTOpelion/control/presetCopyToUSB"] = 300ms; });
  // The answer to the cancelled request still arrives and completes its set.
  const auto abandoned = client->presetSegmentHandler()->waitForPreset("Show", simulator.config(0).uid);
  auto task = async::spawn(
      catching<async::CancellationError>(client->receivePreset(PresetName("Show"), 0, 10 * second)));
  simulator.waitFor(0, "/VELTOpelion/control/presetCopyToUSB");
  task.cancel();
  EXPECT_TRUE(task.get().has_value());
  EXPECT_EQ(run(abandoned.value(10 * second)).data, noise(3500));
  switchTo([](testsupport::SimBehaviour& b) { b.delays.clear(); });
  EXPECT_EQ(run(client->receivePreset(PresetName("Show"), 0, 2 * second)).data, noise(3500));
}

TEST_F(ProcessorClientSimulatorTest, SaveDeleteAndLoadWithTheDevicesAnswers) {
  connect();
  const PresetName show("Show");
  const PresetName backup("Show", std::nullopt, PresetType::preset, "2024-01-02T03:04:05.678Z");
  run(client->savePreset(show, 5 * second));
  run(client->savePreset(backup, 5 * second));
  EXPECT_EQ(received("/VELTOpelion/control/presetSave"),
            (std::vector<std::string>{
                "/VELTOpelion/control/presetSave TsTs T \"Show\" T \"" + clientUidText + "\"",
                "/VELTOpelion/control/presetSave TsTs T \"Show_[bkup_2024-01-02T03:04:05.678Z]\" T \"" + clientUidText + "\""}));
  EXPECT_EQ(stored(), (std::vector<std::string>{"Show (PRESET)", "Show_[bkup_2024-01-02T03:04:05.678Z] (PRESET)"}));

  run(client->loadPreset(show, 5 * second));
  run(client->loadPreset(backup, 5 * second));
  EXPECT_EQ(thrown<VeltoClientError>(client->loadPreset(PresetName("Gone"), second)),
            VeltoClientError::presetSelectFailed("ERROR: File not found."));

  run(client->deletePreset(backup, true));
  run(client->deletePreset(show, false));
  EXPECT_TRUE(stored().empty());
  run(client->deletePreset(show, false));  // missing, tolerated
  EXPECT_EQ(thrown<VeltoAppError>(client->deletePreset(show, true)).message(), "File not found.");
  run(client->deletePreset(PresetName("Band", std::nullopt, PresetType::userShow, std::nullopt), false));
  EXPECT_EQ(received("/VELTOpelion/control/presetDelete").back(),
            "/VELTOpelion/control/presetDelete Tss T \"Band.vup\" \"" + clientUidText + "\"");

  switchTo([](testsupport::SimBehaviour& b) { b.failingPresets = {"Bad"}; });
  EXPECT_EQ(thrown<VeltoAppError>(client->savePreset(PresetName("Bad"), second)).code(), 4);
  EXPECT_EQ(thrown<VeltoAppError>(client->deletePreset(PresetName("Bad"), false)).code(), 4);
  addPreset("Bad", false, {1});
  EXPECT_EQ(thrown<VeltoClientError>(client->loadPreset(PresetName("Bad"), second)).text(),
            "ERROR: Preset could not be loaded.");

  drop("/VELTOpelion/control/presetSave");
  EXPECT_EQ(thrown<osc::ThrowingContinuationError>(client->savePreset(show, second / 10)),
            osc::ThrowingContinuationError::timeout());
}

TEST_F(ProcessorClientSimulatorTest, LoadRepliesAreJudgedByShapeAndText) {
  connect();
  drop("/VELTOpelion/control/presetSelect");
  struct Case {
    std::vector<SimValue> reply;
    std::optional<std::string> failure;
  };
  const std::vector<Case> cases = {
      {{SimValue::string("Preset A loaded.")}, "malformed osc reply message"},
      {{SimValue::int32(1), SimValue::string("x")}, "reply message could not be parsed"},
      {{SimValue::string("ERROR: busy"), SimValue::string("x")}, "ERROR: busy"},
      {{SimValue::string("anything"), SimValue::int32(3)}, std::nullopt},
  };
  for (const auto& c : cases) {
    const auto before = simulator.received(0, "/VELTOpelion/control/presetSelect").size();
    auto task = async::spawn(catching<VeltoClientError>(client->loadPreset(PresetName("A"), 10 * second)));
    simulator.waitFor(0, "/VELTOpelion/control/presetSelect", before + 1);
    toClient({"/Va/control/presetLoadComplete", c.reply});
    const auto error = task.get();
    EXPECT_EQ(error, c.failure ? std::optional(VeltoClientError::presetSelectFailed(*c.failure)) : std::nullopt);
  }
  EXPECT_EQ(thrown<osc::OSCServerError>(client->loadPreset(PresetName("A"), second / 10)),
            osc::OSCServerError::readTimeout());
}

TEST_F(ProcessorClientSimulatorTest, SnapshotSavesFetchesAndDeletesATemporaryPreset) {
  connect();
  const PresetData data = run(client->snapshotCurrentState(10 * second));
  const std::string text(data.data.begin(), data.data.end());
  EXPECT_NE(text.find("<UserList>"), std::string::npos) << text;
  EXPECT_TRUE(stored().empty());
  const auto saves = simulator.received(0, "/VELTOpelion/control/presetSave");
  ASSERT_EQ(saves.size(), 1u);
  EXPECT_EQ(saves[0].message.string(1)->size(), 36u);
}

struct RecordingEvents : PresetEventHandler, ProcessorClientEventHandler {
  std::mutex mutex;
  std::vector<std::string> events;
  void note(std::string text) {
    std::lock_guard lock(mutex);
    events.push_back(std::move(text));
  }
  std::vector<std::string> taken() {
    std::lock_guard lock(mutex);
    return events;
  }
  void presetSaved(PresetHandler&) override { note("saved"); }
  void presetReceived(PresetHandler&) override { note("received"); }
  static std::string text(const char* what, int user, int channel, const std::string& value, bool relayed,
                          const std::optional<std::string>& uid) {
    return std::string(what) + " " + std::to_string(user) + "/" + std::to_string(channel) + " " + value +
           (relayed ? " relayed" : "") + " " + uid.value_or("-");
  }
  void gainDbReceived(ProcessorClient&, std::uint8_t u, std::uint16_t c, float v, bool r,
                      const std::optional<std::string>& id) override {
    note(text("gain", u, c, std::to_string(v), r, id));
  }
  void muteReceived(ProcessorClient&, std::uint8_t u, std::uint16_t c, bool v, bool r,
                    const std::optional<std::string>& id) override {
    note(text("mute", u, c, v ? "on" : "off", r, id));
  }
  void soloReceived(ProcessorClient&, std::uint8_t u, std::uint16_t c, bool v, bool r,
                    const std::optional<std::string>& id) override {
    note(text("solo", u, c, v ? "on" : "off", r, id));
  }
  void azimuthReceived(ProcessorClient&, std::uint8_t u, std::uint16_t c, float v, bool r,
                       const std::optional<std::string>& id) override {
    note(text("azi", u, c, std::to_string(v), r, id));
  }
  void elevationReceived(ProcessorClient&, std::uint8_t u, std::uint16_t c, float v, bool r,
                         const std::optional<std::string>& id) override {
    note(text("ele", u, c, std::to_string(v), r, id));
  }
  void modeVisibleReceived(ProcessorClient&, std::uint8_t u, std::uint16_t c, RenderMode v, bool r,
                           const std::optional<std::string>& id) override {
    note(text("mode", u, c, description(v), r, id));
  }
};

TEST_F(ProcessorClientSimulatorTest, ConfirmationCodesAndChannelParametersReachTheObservers) {
  connect();
  auto events = std::make_shared<RecordingEvents>();
  client->setPresetEventHandler(events);
  client->setEventHandler(events);
  // The code decides, not the text.
  for (const auto& [text, code] : std::vector<std::pair<std::string, int>>{
           {"Preset X saved.", 1}, {"Preset received.", 5}, {"Preset received.", 2}, {"whatever", 3}}) {
    toClient({"/VELTOapp/confirmation", {SimValue::string(text), SimValue::int32(code), SimValue::string("D")}});
  }
  toClient({"/VELTOapp/confirmation", {SimValue::string("short")}});
  // Only the relayed (seven-part) form matches the handler's pattern.
  simulator.sendChannelParameter(0, 2, 7, "gaindB", SimValue::float32(-3.5f), true, "U");
  simulator.sendChannelParameter(0, 2, 7, "gaindB", SimValue::float32(-1.0f), false, "U");
  simulator.sendChannelParameter(0, 1, 3, "mute", SimValue::boolean(true), true);
  simulator.sendChannelParameter(0, 1, 3, "solo", SimValue::boolean(false), true);
  simulator.sendChannelParameter(0, 1, 3, "azi", SimValue::float32(0.5f), true);
  simulator.sendChannelParameter(0, 1, 3, "ele", SimValue::float32(0.25f), true);
  simulator.sendChannelParameter(0, 1, 3, "modeVisible", SimValue::int32(2), true);
  simulator.sendChannelParameter(0, 1, 3, "volume", SimValue::float32(1.0f), true);
  simulator.sendChannelParameter(0, 1, 3, "mute", SimValue::float32(1.0f), true);  // wrong kind
  const std::vector<std::string> expected = {"received", "saved",
                                             "gain 2/7 -3.500000 relayed U",
                                             "mute 1/3 on relayed -",
                                             "solo 1/3 off relayed -",
                                             "azi 1/3 0.500000 relayed -",
                                             "ele 1/3 0.250000 relayed -",
                                             "mode 1/3 " + description(*asEnumeration<RenderMode>(osc::OSCValue(std::int32_t{2}))) + " relayed -"};
  EXPECT_TRUE(eventually([&] { return events->taken().size() >= expected.size(); }));
  client->queue()->sync([] {});
  client->queue()->sync([] {});
  // Preset events are queued once more, so they may come after the channel reports.
  auto taken = events->taken();
  std::sort(taken.begin(), taken.end());
  auto sortedExpected = expected;
  std::sort(sortedExpected.begin(), sortedExpected.end());
  EXPECT_EQ(taken, sortedExpected);
}

TEST_F(ProcessorClientSimulatorTest, UserXmlIsMergedIntoThePresetAndBadOnesAreLogged) {
  connect();
  simulator.sendUserXml(0, "<Preset Name=\"Renamed\" Version=\"1\"><UserList><User Name=\"Bass\" Icon=\"bass\"/>"
                          "</UserList></Preset>");
  EXPECT_TRUE(eventually([&] { return client->preset()->name.name == "Renamed"; }));
  toClient({"/VELTOapp/user/UserInfo", {SimValue::string("<a/>"), SimValue::string("<b/>")}});
  toClient({"/VELTOapp/user/UserInfo", {SimValue::int32(1)}});
  simulator.sendUserXml(0, "not xml");
  const std::vector<std::string> expected = {"parameters are missing", "no valid string", "invalid xml"};
  EXPECT_TRUE(eventually([&] { return logged(Level::warning).size() >= expected.size(); }));
  EXPECT_EQ(logged(Level::warning), expected);
  EXPECT_EQ(client->preset()->userList->users[0]->name, "Bass");
}

// The app and controller clients against the device simulator: their connection orders, their
// name rules for user shows, the user-show save and delete confirmed by the list, the app's
// device-side delete and its user-info handling.

class AppClientSimulatorTest : public PresetClientFixture<AppClient> {
 protected:
  AppClientSimulatorTest() : PresetClientFixture(DeviceConfig::app(1, "127.0.0.62")) {}
};

class RotaverClientSimulatorTest : public PresetClientFixture<RotaverClient> {
 protected:
  RotaverClientSimulatorTest() : PresetClientFixture(DeviceConfig::controller(1, "127.0.0.63")) {}
};

TEST(UserShowNamesTest, SendAndReceiveNamesAndSegmentKeys) {
  const std::vector<std::pair<std::string, std::string>> sent = {
      {"A.vup", "A"}, {"A.vup.vup", "A"}, {"A", "A"}, {"A.vupX.vup", "AX"}, {"A.vupX", "A.vupX"}, {".vup", ""}};
  for (const auto& [name, expected] : sent) EXPECT_EQ(userShowSendName(name), expected) << name;
  const std::vector<std::pair<std::string, std::string>> fetched = {{"A", "A.vup"}, {"A.vup", "A.vup"}, {"A.VUP", "A.VUP.vup"}};
  for (const auto& [name, expected] : fetched) EXPECT_EQ(userShowReceiveName(name), expected) << name;
  const std::vector<std::pair<std::string, std::string>> keys = {
      {"Show.vup", "Show"},         {"My.Show.vup", "My.Show"}, {"My.Show.VELTOshow", "My.Show"},
      {"My.Show", "My.Show"},       {"Show", "Show"},           {"A.vup.VELTOshow", "A.vup"},
      {"x/y.vup", "x/y"},           {".vup", ""}};
  for (const auto& [name, expected] : keys) EXPECT_EQ(VeltoPresetClient::segmentKey(name), expected) << name;
}

TEST_F(AppClientSimulatorTest, ConnectsAsUser9111InAdminModeWhateverModeIsAsked) {
  const auto infos = run(client->connect(ConnectionMode::Musician, 10 * second));
  ASSERT_EQ(infos.size(), 1u);
  connectionSent();
  EXPECT_EQ(receivedWithoutPings(), connectionDatagrams("isis 9111 \"\" 40"));
  EXPECT_EQ(client->preset()->userList->users.size(), 1u);
  EXPECT_EQ(client->supportedPresetTypes(), (std::vector<PresetType>{PresetType::preset, PresetType::userShow}));

  EXPECT_EQ(thrownCase(client->connectSteps(second)), VeltoClientError::Case::connectionAlreadyStarted);
  for (auto unsupported : {0, 1, 2}) {
    auto op = unsupported == 0   ? client->loadPreset(PresetName("A"), second)
              : unsupported == 1 ? client->savePreset(PresetName("A"), second)
                                 : client->unsupportedPresetOperation();
    EXPECT_EQ(thrownCase(std::move(op)), VeltoClientError::Case::actionUnsupportedByDevice);
  }
}

TEST_F(AppClientSimulatorTest, UserInfosOfTheAppUpdateTheFirstUserOnly) {
  connect();
  simulator.update(0, [](DeviceConfig& config) {
    config.users[0].name = "Drums";
    config.users[0].icon = "drums";
  });
  simulator.sendUserInfos(0);
  EXPECT_TRUE(eventually([&] { return client->preset()->userList->users[0]->name == "Drums"; }));
  EXPECT_EQ(client->preset()->userList->users[0]->icon, "drums");
  toClient({"/VELTOapp/control/UserInfo", {SimValue::int32(1)}});
  EXPECT_TRUE(eventually([&] { return logged(Level::warning) == std::vector<std::string>{"invalid user info"}; }));
}

TEST_F(AppClientSimulatorTest, PresetsAndUserShowsTravelUnderTheirNamesAndDeleteByKind) {
  connect();
  EXPECT_TRUE(run(client->sendPreset(noise(1500), PresetName("Live.vup", std::nullopt, PresetType::userShow, std::nullopt), false)));
  EXPECT_TRUE(run(client->sendPreset(noise(700), PresetName("My.Mix"), true)));
  EXPECT_EQ(stored(), (std::vector<std::string>{"Live (USER SHOW)", "My.Mix (PRESET)"}));
  EXPECT_EQ(*simulator.received(0, "/VELTOpelion/control/presetSeg").front().message.string(0), "Live.vup");

  // Fetched as name + ".vup": the device finds the user show, and the segments come back under it.
  EXPECT_EQ(run(client->receivePreset(PresetName("Live", std::nullopt, PresetType::userShow, std::nullopt), 0, 5 * second)).data,
            noise(1500));
  EXPECT_EQ(received("/VELTOpelion/control/presetCopyToUSB").back(),
            "/VELTOpelion/control/presetCopyToUSB ss \"Live.vup\" \"" + clientUidText + "\"");

  // A preset goes through the control port (the processor's test has its rules for missing ones).
  run(client->deletePreset(PresetName("My.Mix"), true));
  EXPECT_EQ(thrown<VeltoAppError>(client->deletePreset(PresetName("My.Mix"), true)).message(),
            "File not found.");
  // A user show goes through the companion port and must be gone from the list.
  const PresetName live("Live", std::nullopt, PresetType::userShow, std::nullopt);
  run(client->deletePreset(live, true));
  EXPECT_TRUE(stored().empty());
  EXPECT_EQ(received("/Va/control/PresetDelete"),
            std::vector<std::string>{"/Va/control/PresetDelete ss \"Live.vup\" \"" + clientUidText + "\""});
  addPreset("Live", true, {1}, "2024-01-02T03:04:05.678Z");
  simulator.update(0, [](DeviceConfig& config) { config.behaviour.failingPresets = {"Live.vup"}; });
  EXPECT_EQ(thrownCase(client->deletePreset(live, false)), VeltoClientError::Case::presetDeleteFailed);
}

TEST_F(RotaverClientSimulatorTest, ConnectsWithKeepMePostedBeforeUserOneWithoutMode) {
  EXPECT_EQ(client->supportedPresetTypes(), std::vector<PresetType>{PresetType::userShow});
  const auto infos = run(client->connect(ConnectionMode::Musician, 10 * second));
  ASSERT_EQ(infos.size(), 1u);
  connectionSent();
  EXPECT_EQ(receivedWithoutPings(), connectionDatagrams("iss 1 \"\"", true));
  const auto preset = client->preset();
  ASSERT_EQ(preset->userList->users.size(), 1u);
  EXPECT_EQ(preset->userList->users[0]->channelSettingsList->channelSettings.size(), 6u);
}

TEST_F(RotaverClientSimulatorTest, UserShowsAreSavedLoadedAndDeletedThroughTheCompanionPort) {
  const PresetName show("Show");
  EXPECT_EQ(thrownCase(client->loadPreset(show, 5 * second)), VeltoClientError::Case::deviceIsOffline);
  EXPECT_EQ(thrownCase(client->savePreset(show, 5 * second)), VeltoClientError::Case::deviceIsOffline);
  EXPECT_EQ(thrownCase(client->sendPreset({1}, show, false)), VeltoClientError::Case::deviceIsOffline);
  EXPECT_EQ(thrownCase(client->receivePreset(show, 0, 5 * second)), VeltoClientError::Case::deviceIsOffline);
  EXPECT_TRUE(simulator.received().empty());

  connect();
  run(client->savePreset(show, 5 * second));
  EXPECT_EQ(stored(), std::vector<std::string>{"Show (USER SHOW)"});
  run(client->loadPreset(show, 5 * second));
  simulator.waitFor(0, "/Va/control/PresetLoad");  // sent without an answer
  const auto companion = simulator.received(0, "");
  std::vector<std::string> toCompanion;
  for (const auto& r : companion) {
    if (r.port == testsupport::SimPort::companion) toCompanion.push_back(r.message.description());
  }
  EXPECT_EQ(toCompanion, (std::vector<std::string>{"/Va/control/PresetSave ss \"Show.vup\" \"" + clientUidText + "\"",
                                                   "/Va/control/PresetLoad ss \"Show.vup\" \"" + clientUidText + "\""}));

  // The type plays no part in a delete: every name goes as a user show.
  run(client->deletePreset(PresetName("Show"), false));
  EXPECT_TRUE(stored().empty());

  simulator.update(0, [](DeviceConfig& config) { config.behaviour.failingPresets = {"Gone.vup"}; });
  EXPECT_EQ(thrownCase(client->savePreset(PresetName("Gone"), 5 * second)),
            VeltoClientError::Case::presetSaveFailed);
  // Only a backup of the name is listed: the save counts, the delete does not.
  addPreset("Gone", true, {1}, "2024-01-02T03:04:05.678Z");
  run(client->savePreset(PresetName("Gone"), 5 * second));
  EXPECT_EQ(thrownCase(client->deletePreset(PresetName("Gone"), false)),
            VeltoClientError::Case::presetDeleteFailed);
}

TEST_F(RotaverClientSimulatorTest, UserShowsTravelInSegmentsUnderTheirNames) {
  connect();
  const PresetName show("Set.List.vup", std::nullopt, PresetType::userShow, std::nullopt);
  EXPECT_TRUE(run(client->sendPreset(noise(2100), show, false)));
  EXPECT_EQ(*simulator.received(0, "/VELTOpelion/control/presetSeg").front().message.string(0), "Set.List.vup");
  EXPECT_EQ(stored(), std::vector<std::string>{"Set.List (USER SHOW)"});
  // Asked for as "Set.List.vup", gathered under "Set.List".
  EXPECT_EQ(run(client->receivePreset(PresetName("Set.List", std::nullopt, PresetType::userShow, std::nullopt), 1, 5 * second)).data,
            noise(2100));
}

// What the companion-app endpoint and the offline editor's configuration put on the wire, with
// liblo as the independent receiver on 127.0.0.1.
// A liblo server on a port of its own: the independent receiver that checks what our senders put
// on the wire. Each datagram becomes one line: path, then (when there are arguments) the type
// tags and the values, "s" and "i" as text, "T"/"F" as the tag alone.
class LoReceiver {
 public:
  LoReceiver() : server_(lo_server_new_with_proto(nullptr, LO_UDP, nullptr), &lo_server_free) {
    lo_server_add_method(server_.get(), nullptr, nullptr, &LoReceiver::received, this);
  }
  std::uint16_t port() const { return static_cast<std::uint16_t>(lo_server_get_port(server_.get())); }

  // The next datagram's line, or "nothing" after two seconds.
  std::string next() {
    for (int waited = 0; lines_.empty() && waited < 2000; waited += 10) lo_server_recv_noblock(server_.get(), 10);
    if (lines_.empty()) return "nothing";
    auto [line, sourcePort] = std::move(lines_.front());
    lines_.pop_front();
    lastSourcePort_ = sourcePort;
    return line;
  }
  // The sending port of the datagram last taken by next().
  std::uint16_t lastSourcePort() const { return lastSourcePort_; }

 private:
  static int received(const char* path, const char* types, lo_arg** argv, int argc, lo_message message, void* self) {
    std::string line = path + std::string(argc ? " " : "") + types;
    // liblo's argument pointers need not be aligned for its union: copy the bytes out.
    for (int k = 0; k < argc; ++k) {
      const auto* bytes = reinterpret_cast<const char*>(argv[k]);
      std::int32_t i = 0;
      if (types[k] == 'i') line.append(" ").append(std::to_string((std::memcpy(&i, bytes, 4), i)));
      if (types[k] == 's') line.append(" ").append(bytes);
    }
    const auto sourcePort = std::stoi(lo_address_get_port(lo_message_get_source(message)));
    static_cast<LoReceiver*>(self)->lines_.emplace_back(std::move(line), static_cast<std::uint16_t>(sourcePort));
    return 0;
  }

  std::unique_ptr<std::remove_pointer_t<lo_server>, decltype(&lo_server_free)> server_;
  std::deque<std::pair<std::string, std::uint16_t>> lines_;
  std::uint16_t lastSourcePort_ = 0;
};


constexpr const char* kUid = "0123456789ABCDEF0123456789ABCDEF";

struct Endpoint {
  LoReceiver receiver;
  VeltoApp app{"127.0.0.1", kUid, receiver.port()};
};

// The wire form of each operation; the preset and property ones end in the client's uid.
std::string preset(const std::string& operation, const std::string& file) {
  return "/Va/control/Preset" + operation + " ss " + file + " " + kUid;
}
std::string property(const std::string& keyAndValue) {
  return "/VELTOapp/control/SetProperty sss " + keyAndValue + " " + kUid;
}

TEST(VeltoApp, SendsOneDatagramPerOperation) {
  using App = const VeltoApp&;
  const std::pair<std::function<void(App)>, std::string> cases[] = {
      {[](App a) { a.showOverlayMessage("Hello"); }, "/Va/Vr/OverlayMessage s Hello"},
      {[](App a) { a.removeOverlayMessage("Hello"); }, "/Va/Vr/RemoveOverlayMessage s Hello"},
      {[](App a) { a.showScreen(device::AppScreen::meters); }, "/Va/screen/METERS"},
      {[](App a) { a.showScreen(device::AppScreen::channelDetails); }, "/Va/screen/CHANNELDETAILS"},
      {[](App a) { a.showStage1(3); }, "/Va/screen/STAGE1 i 3"},
      {[](App a) { a.showStage2(4); }, "/Va/screen/STAGE2 i 4"},
      {[](App a) { a.showChannelFocus(); }, "/Va/screen/CHANNELFOCUS i -1"},
      {[](App a) { a.showChannelDetails(17); }, "/Va/screen/CHANNELDETAILS i 17"},
      {[](App a) { a.showUser(2); }, "/Va/screen/user i 2"},
      {[](App a) { a.showNextUser(); }, "/Va/screen/nextUser"},
      {[](App a) { a.showPreviousUser(); }, "/Va/screen/previousUser"},
      {[](App a) { a.connect("Mac", 5); }, "/Va/control/connect si Mac 5"},
      {[](App a) { a.setMode(device::ConnectionMode::Remote); }, "/Va/control/mode i 90"},
      {[](App a) { a.sendError(""); }, "/VELTOapp/error s "},
      {[](App a) { a.sendConfirmation("<CRITICAL>### IDENTIFY ###"); },
       "/Va/control/confirmation s <CRITICAL>### IDENTIFY ###"},
      {[](App a) { a.darkenDisplay(); }, "/Va/Vr/Display/Dark T"},
      {[](App a) { a.undarkenDisplay(); }, "/Va/Vr/Display/Dark F"},
      {[](App a) { a.dimDisplay(); }, "/Va/Vr/Display/Dim T"},
      {[](App a) { a.setDisplayDimmed(false); }, "/Va/Vr/Display/Dim F"},
      {[](App a) { a.loadUserShow("Show"); }, preset("Load", "Show.vup")},
      {[](App a) { a.saveUserShow(device::PresetName("Show.vup")); }, preset("Save", "Show.vup")},
      {[](App a) { a.deleteUserShow("Show"); }, preset("Delete", "Show.vup")},
      {[](App a) { a.deleteUserShow("Show.VUP"); }, preset("Delete", "Show.VUP.vup")},
      {[](App a) { a.deleteUserShow(""); }, preset("Delete", ".vup")},
      {[](App a) { a.saveToSlot(0); }, preset("Save", "SLOT_0.vup")},
      {[](App a) { a.deleteSlot(0); }, preset("Delete", "SLOT_00.vup")},
      {[](App a) { a.saveToSlot(9); }, preset("Save", "SLOT_09.vup")},
      {[](App a) { a.deleteSlot(9); }, preset("Delete", "SLOT_09.vup")},
      {[](App a) { a.saveToSlot(10); }, preset("Save", "SLOT_10.vup")},
      {[](App a) { a.deleteSlot(64); }, preset("Delete", "SLOT_64.vup")},
      {[](App a) { a.setProperty("AppName", "Stage Left"); }, property("AppName Stage Left")},
      {[](App a) { a.setExclusiveSolo(true); }, property("ExclusiveSolo 1")},
      {[](App a) { a.setRelativeGroupMixing(false); }, property("RelativeGroupMixing 0")},
      {[](App a) { a.setDemoModeAvailable(true); }, property("DemoModeAvailable 1")},
      {[](App a) { a.setMonoStereo3DAvailable(true); }, property("MonoStereo3DAvailable 1")},
      {[](App a) { a.setMuteSoloAvailable(false); }, property("RotvMuteSoloAvailable 0")},
      {[](App a) { a.setChannelGainStep(0.5f); }, property("ChannelGainStepdB 0.5")},
      {[](App a) { a.setGroupGainStep(1.0f); }, property("GroupGainStepdB 1.0")},
  };
  const testsupport::NumericLocale decimalComma;  // the steps' texts do not follow the locale
  Endpoint endpoint;
  const VeltoApp copy = endpoint.app;  // copies share the one OSC client
  EXPECT_EQ(copy.oscClient(), endpoint.app.oscClient());
  for (const auto& [operation, expected] : cases) {
    operation(copy);
    EXPECT_EQ(endpoint.receiver.next(), expected);
  }
}

TEST(VeltoApp, RefusesSlotsAbove64BeforeSendingAndReportsSendErrors) {
  Endpoint endpoint;
  EXPECT_THROW(endpoint.app.saveToSlot(65), VeltoAppEndpointError);
  try {
    endpoint.app.deleteSlot(65);
    ADD_FAILURE() << "slot 65 was accepted";
  } catch (const VeltoAppEndpointError& e) {
    EXPECT_EQ(e, VeltoAppEndpointError::invalidRotaverSlot());
    EXPECT_STREQ(e.what(), "There is no controller slot 65 (slots go from 0 to 64).");
  }
  endpoint.app.showNextUser();
  EXPECT_EQ(endpoint.receiver.next(), "/Va/screen/nextUser");  // nothing went out before it
  // Send errors reach the caller.
  EXPECT_THROW(endpoint.app.showOverlayMessage(std::string(70000, 'x')), net::SocketError);  // over a datagram
  EXPECT_THROW(endpoint.app.showOverlayMessage("\xFF"), osc::OSCValueError);                 // not UTF-8
}

using Mode = OfflineEditor::ClockSpeedMode;
using Error = OfflineEditor::EditorError;

TEST(OfflineEditor, SendsItsConfigurationAsOneMessage) {
  LoReceiver editor;
  const OfflineEditor::Address address{"127.0.0.1", editor.port()};
  const auto pelion16Inputs = device::DeviceType::pelion(16).numberOfInputs();
  const std::pair<std::function<OfflineEditor()>, std::string> cases[] = {
      {[&] { return OfflineEditor::tamo(address); }, "iiiFi 400 5 1 24"},
      {[&] { return OfflineEditor::pelion(16, true, Mode::s96khz, address); },
       "iiiTi 1000 16 2 " + std::to_string(pelion16Inputs)},
      {[&] { return OfflineEditor::sirel24(false, Mode::auto_, address); }, "iiiFi 5000 12 0 24"},
      {[&] { return OfflineEditor::sirel64(true, Mode::s48khz, address); }, "iiiTi 5000 12 1 64"},
      {[&] { return OfflineEditor::zelvarine(false, Mode::s96khz, address); }, "iiiFi 3000 16 2 128"},
      {[&] { return OfflineEditor::hxb(Mode::s48khz, address); }, "iiiFi 2000 16 1 64"},
  };
  for (const auto& [make, expected] : cases) {
    OfflineEditor configuration = make();
    configuration.sendConfiguration();
    EXPECT_EQ(editor.next(), "/Vp/co/OfflineEditor " + expected);
  }
}

TEST(OfflineEditor, FactoriesCheckTheClockSpeedModeFirst) {
  using C = Error::Case;
  const std::pair<std::function<void()>, std::optional<C>> cases[] = {
      {[] { OfflineEditor::pelion(0, false, Mode::s48khz); }, C::unsupportedNumberOfMixes},
      {[] { OfflineEditor::pelion(17, false, Mode::s48khz); }, C::unsupportedNumberOfMixes},
      {[] { OfflineEditor::pelion(17, false, Mode::auto_); }, C::unsupportedClockSpeedMode},
      {[] { OfflineEditor::pelion(1, false, Mode::auto_); }, C::unsupportedClockSpeedMode},
      {[] { OfflineEditor::pelion(1, false, Mode::s48khz); }, std::nullopt},
      {[] { OfflineEditor::zelvarine(true, Mode::auto_); }, C::unsupportedClockSpeedMode},
      {[] { OfflineEditor::hxb(Mode::auto_); }, C::unsupportedClockSpeedMode},
      {[] { OfflineEditor::sirel64(true, Mode::auto_); }, std::nullopt},
  };
  for (const auto& [make, expected] : cases) {
    std::optional<C> thrown;
    try {
      make();
    } catch (const Error& e) {
      thrown = e.errorCase();
    }
    EXPECT_EQ(thrown, expected);
  }
  EXPECT_STREQ(Error(C::unsupportedNumberOfMixes, 17).what(),
               "The offline editor cannot run a processor with 17 mixes (it takes 1 to 16).");
  EXPECT_EQ(OfflineEditor::clockSpeedMode(2), Mode::s96khz);
  EXPECT_FALSE(OfflineEditor::clockSpeedMode(3));
}

// Later sends reuse the client made by the first, also when they overlap.
TEST(OfflineEditor, SendsFromOneClient) {
  LoReceiver editor;
  OfflineEditor configuration = OfflineEditor::tamo({"127.0.0.1", editor.port()});
  std::thread first([&] { configuration.sendConfiguration(); });
  std::thread second([&] { configuration.sendConfiguration(); });
  first.join();
  second.join();
  configuration.sendConfiguration();
  std::set<std::uint16_t> sourcePorts;
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(editor.next(), "/Vp/co/OfflineEditor iiiFi 400 5 1 24");
    sourcePorts.insert(editor.lastSourcePort());
  }
  EXPECT_EQ(sourcePorts.size(), 1u);
}

}  // namespace
}  // namespace device::testing
