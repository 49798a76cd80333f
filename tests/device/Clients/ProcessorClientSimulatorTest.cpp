// The processor client and the shared preset operations against the device simulator: the guarded
// start, the list, segment layouts both ways (order, loss, retries, dotted names), save, delete,
// load, snapshot, confirmation events, channel parameters and the user XML.

#include "async/Cancellation.h"
#include "device/Clients/OSCEnumerationValue.h"
#include "device/Clients/VeltoAppError.h"
#include "device/Presets/PresetSegmentMessages.h"
#include "gzip/Gzip.h"
#include "osc/OSCServerError.h"
#include "tests/device/Clients/PresetClientFixture.h"

namespace device::testing {
namespace {

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

}  // namespace
}  // namespace device::testing
