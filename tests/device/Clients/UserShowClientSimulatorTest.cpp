// The app and controller clients against the device simulator: their connection orders, their
// name rules for user shows, the user-show save and delete confirmed by the list, the app's
// device-side delete and its user-info handling.

#include "device/Clients/VeltoAppError.h"
#include "tests/device/Clients/PresetClientFixture.h"

namespace device::testing {
namespace {

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

}  // namespace
}  // namespace device::testing
