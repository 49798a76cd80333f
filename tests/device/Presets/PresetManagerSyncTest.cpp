#include "device/Presets/PresetManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "async/Cancellation.h"
#include "device/Clients/VeltoClientError.h"
#include "tests/device/Presets/PresetManagerTesting.h"

namespace {

using device::PresetHandler;
using device::PresetManager;
using device::PresetManagerError;
using device::PresetName;
using device::PresetSegmentHandlerError;
using device::PresetType;
using namespace device::testing;

using Calls = std::vector<std::string>;

class PresetManagerSync : public ::testing::Test {
 public:
  std::shared_ptr<FakeDevice> device(const std::string& label, std::vector<std::string> list,
                                     std::vector<PresetType> types = {PresetType::preset, PresetType::userShow}) {
    return std::make_shared<FakeDevice>(label, std::move(list), calls, std::move(types));
  }
  void addLocal(const std::string& name) {
    PresetManager({}, folder.path).writePresetToLocal(bytesOf("doc local " + name), PresetName(name));
  }
  // Runs the sync over `devices`; the calls the devices saw.
  Calls sync(std::vector<std::shared_ptr<FakeDevice>> devices, const std::string& path = "") {
    manager = std::make_unique<PresetManager>(
        std::vector<std::shared_ptr<PresetHandler>>(devices.begin(), devices.end()),
        path.empty() ? folder.path : path);
    runTask(manager->syncDevices(), prepare);
    return calls->calls;
  }
  std::pair<std::int64_t, std::int64_t> progress() const {
    return {manager->progress()->completedUnitCount(), manager->progress()->totalUnitCount()};
  }

  TemporaryFolder folder;
  LogRecorder log;
  std::shared_ptr<CallLog> calls = std::make_shared<CallLog>();
  std::unique_ptr<PresetManager> manager;
  std::function<void(const async::TaskHandle<void>&)> prepare;
  platform::Progress::Observation observation;
};

TEST_F(PresetManagerSync, WithoutDevicesEveryLocalPresetCountsOnce) {
  addLocal("a");
  addLocal("b");
  EXPECT_TRUE(sync({}).empty());
  EXPECT_EQ(progress(), std::make_pair(std::int64_t{2}, std::int64_t{2}));
  const Calls lines = log.messages("syncDevices");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_TRUE(lines[0].starts_with("received local preset list [")) << lines[0];
  EXPECT_EQ(lines[1], "requested local preset list");
  EXPECT_TRUE(lines[2].starts_with("received local preset list: [")) << lines[2];
  EXPECT_EQ(lines[3], "sync did finish");
}

TEST_F(PresetManagerSync, PullsEachMissingPresetFromTheFirstDeviceThenPushes) {
  const auto a = device("A", {"Song *[2024-01-02T03:04:05.678Z]", "Intro"});
  const auto b = device("B", {"Song", "Outro (PRESET)", "Show (USER SHOW)"});
  const Calls seen = sync({a, b});
  ASSERT_EQ(seen.size(), 7u);
  EXPECT_EQ(Calls(seen.begin(), seen.begin() + 5),
            (Calls{"A list", "B list", "A receive Song", "A receive Intro", "B receive Outro"}));
  EXPECT_EQ((std::set<std::string>(seen.begin() + 5, seen.end())),
            (std::set<std::string>{"B send Intro 0", "A send Outro 0"}));
  EXPECT_EQ(b->sent["Intro"], "doc A Intro");
  EXPECT_EQ(folder.entries(), (std::set<std::string>{"Song.VELTOshow", "Intro.VELTOshow", "Outro.VELTOshow"}));
  EXPECT_EQ(progress(), std::make_pair(std::int64_t{6}, std::int64_t{6}));

  const Calls lines = log.messages("syncDevices");
  EXPECT_EQ(Calls(lines.begin(), lines.begin() + 5),
            (Calls{"received local preset list []", "requesting preset list from A",
                   "received preset list from A: [Song *[2024-01-02T03:04:05.678Z], Intro]",
                   "requesting preset list from B", "received preset list from B: [Song, Outro]"}));
  const Calls transfers = log.messages("transferRequiredRemotePresets");
  EXPECT_EQ(Calls(transfers.begin(), transfers.begin() + 2),
            (Calls{"requested preset Song *[2024-01-02T03:04:05.678Z]",
                   "received preset Song *[2024-01-02T03:04:05.678Z]"}));
  EXPECT_EQ(PresetManager::localPresetList(folder.path).size(), 3u);
  for (const auto& name : PresetManager::localPresetList(folder.path))
    if (name.name == "Song") EXPECT_EQ(name.rawDate, "2024-01-02T03:04:05.678Z");
}

TEST_F(PresetManagerSync, DefaultsAndBackupsAreNeitherPulledNorPushed) {
  addLocal("default");
  addLocal("Live_[bkup_2023]");
  addLocal("Keep");
  addLocal("Song");
  const auto a = device("A", {"Default", "DEFAULTOFF", "Song_[bkup_2024]", "Song *[2020-01-01T00:00:00.000Z]"});
  const auto controller = device("C", {}, {PresetType::userShow});
  const Calls seen = sync({a, controller});
  EXPECT_EQ((std::set<std::string>(seen.begin(), seen.end())),
            (std::set<std::string>{"A list", "C list", "A send Keep 0", "C send Keep 0", "C send Song 0"}));
  EXPECT_EQ(seen.size(), 5u);
  EXPECT_EQ(progress(), std::make_pair(std::int64_t{2}, std::int64_t{2}));
}

TEST_F(PresetManagerSync, SkipsPresetsThatTimeOutOrCannotBeFileNames) {
  const auto a = device("A", {"Bad", "../evil", "Song"});
  a->receiveErrors["Bad"] = errorOf(PresetSegmentHandlerError::timeout());
  EXPECT_EQ(sync({a}), (Calls{"A list", "A receive Bad", "A receive Song"}));
  EXPECT_EQ(folder.entries(), std::set<std::string>{"Song.VELTOshow"});
  EXPECT_EQ(progress(), std::make_pair(std::int64_t{2}, std::int64_t{6}));
  EXPECT_EQ(log.warnings(),
            (Calls{std::string("failed receiveing preset, ") + PresetSegmentHandlerError::timeout().what(),
                   std::string("failed receiveing preset, ") + PresetManagerError::invalidPath().what()}));
}

TEST_F(PresetManagerSync, StopsOnErrorsAndAlwaysFinishes) {
  struct Case {
    const char* title;
    std::function<std::vector<std::shared_ptr<FakeDevice>>(PresetManagerSync&)> setUp;
    std::string path;
    Calls expectedCalls;
    Calls expectedWarnings;
  };
  const Case cases[] = {
      {"missing folder", [](auto&) { return std::vector<std::shared_ptr<FakeDevice>>{}; }, "/nonexistent/presets",
       {}, {"local preset path does not exist"}},
      {"list failure stops before transfers",
       [](PresetManagerSync& test) {
         auto b = test.device("B", {});
         b->listError = errorOf(PresetSegmentHandlerError::timeout());
         return std::vector{test.device("A", {"Song"}), b, test.device("C", {})};
       },
       "", {"A list", "B list"}, {"failed receiving preset list from B"}},
      {"other receive error",
       [](PresetManagerSync& test) {
         auto a = test.device("A", {"Song", "Intro"});
         a->receiveErrors["Song"] = errorOf(device::VeltoClientError::deviceIsOffline());
         return std::vector{a};
       },
       "", {"A list", "A receive Song"}, {}},
      {"send failure",
       [](PresetManagerSync& test) {
         test.addLocal("Song");
         auto a = test.device("A", {});
         a->sendError = errorOf(device::VeltoClientError::deviceIsOffline());
         return std::vector{a, test.device("B", {})};
       },
       "", {"A list", "B list", "A send Song 0"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    TemporaryFolder fresh;
    std::swap(folder.path, fresh.path);
    calls = std::make_shared<CallLog>();
    LogRecorder caseLog;
    const auto devices = c.setUp(*this);
    EXPECT_ANY_THROW(sync(devices, c.path));
    EXPECT_EQ(calls->calls, c.expectedCalls);
    EXPECT_EQ(caseLog.warnings(), c.expectedWarnings);
    EXPECT_EQ(caseLog.messages().back(), "sync did finish");
    std::swap(folder.path, fresh.path);
  }
}

TEST_F(PresetManagerSync, CancellationEndsTheSyncAtTheNextDeviceCall) {
  // Cancelled before it starts: the folder is read, no device is asked.
  prepare = [](const async::TaskHandle<void>& task) { task.cancel(); };
  EXPECT_THROW(sync({device("A", {"Song"})}), async::CancellationError);
  EXPECT_TRUE(calls->calls.empty());
  EXPECT_EQ(log.messages().back(), "sync did finish");

  // A receive ended by cancellation is not skipped like a time-out.
  calls = std::make_shared<CallLog>();
  prepare = {};
  const auto a = device("A", {"Song", "Intro"});
  a->receiveErrors["Song"] = errorOf(async::CancellationError());
  EXPECT_THROW(sync({a}), async::CancellationError);
  EXPECT_EQ(calls->calls, (Calls{"A list", "A receive Song"}));

  // Cancelled during a push: the pause after the send ends it.
  calls = std::make_shared<CallLog>();
  addLocal("x");
  const auto b = device("B", {});
  prepare = [&b](const async::TaskHandle<void>& task) {
    b->onCall = [core = std::weak_ptr(task.core())](const std::string& call) {
      if (const auto task = core.lock(); task && call.starts_with("send")) task->cancel();
    };
  };
  addLocal("y");
  EXPECT_THROW(sync({b, device("C", {})}), async::CancellationError);
  EXPECT_EQ(calls->calls.size(), 3u);  // B list, C list, one send
}

TEST_F(PresetManagerSync, ProgressObserversSeeEveryStep) {
  addLocal("Keep");
  std::vector<std::pair<platform::Progress::Key, std::int64_t>> seen;
  prepare = [&](const async::TaskHandle<void>&) {
    observation = manager->progress()->observe([&](auto key, auto value) { seen.emplace_back(key, value); });
  };
  sync({device("A", {"Song"})});
  using K = platform::Progress::Key;
  EXPECT_EQ(seen, (std::vector<std::pair<K, std::int64_t>>{
                      {K::completedUnitCount, 0}, {K::totalUnitCount, 3}, {K::completedUnitCount, 1},
                      {K::completedUnitCount, 2}, {K::completedUnitCount, 3}}));
}

TEST(PresetManagerDecisions, FirstDeviceWinsAndMissingNamesAreRequired) {
  auto calls = std::make_shared<CallLog>();
  auto device = [&](const char* label) { return std::make_shared<FakeDevice>(label, Calls{}, calls); };
  auto names = [](std::initializer_list<const char*> texts) {
    device::PresetNameList list;
    for (const char* text : texts) list.append(PresetName(text));
    return list;
  };
  const auto a = device("A"), b = device("B"), c = device("C"), sameAsA = device("A2");
  const PresetManager::Container container = {
      {c, names({"z"})}, {a, names({"x", "y (USER SHOW)"})}, {b, names({"y", "w", "x_[bkup_1]"})}};
  const auto unique = PresetManager::uniqueRemotePresets(container);
  ASSERT_EQ(unique.size(), 3u);
  EXPECT_EQ(unique[0].client, c);
  EXPECT_EQ(unique[0].presets.names, names({"z"}).names);
  EXPECT_EQ(unique[1].client, a);
  EXPECT_EQ(unique[1].presets.names, names({"x", "y (USER SHOW)"}).names);
  EXPECT_EQ(unique[2].client, b);
  EXPECT_EQ(unique[2].presets.names, names({"w"}).names);

  const auto required = PresetManager::requiredRemotePresets(
      {PresetName("x *[2001-01-01T00:00:00.000Z]"), PresetName("w_[bkup_1]")},
      {{a, names({"x", "w"})}, {b, names({"w"})}, {sameAsA, names({"v"})}});
  ASSERT_EQ(required.size(), 2u);
  EXPECT_EQ(required[0].presets.names, names({"w", "v"}).names);
  EXPECT_EQ(required[1].presets.names, names({"w"}).names);
}

class PresetManagerCopy : public PresetManagerSync {
 protected:
  Calls copy(const PresetName& name, std::shared_ptr<FakeDevice> from, std::shared_ptr<FakeDevice> to) {
    PresetManager copier({}, folder.path);
    runTask(copier.copyPreset(name, from, to));
    return calls->calls;
  }
};

TEST_F(PresetManagerCopy, BetweenDevicesAndTheFolder) {
  const auto a = device("A", {"Song", "Default"});
  const auto b = device("B", {"Song *[2020-01-01T00:00:00.000Z]"});
  EXPECT_EQ(copy(PresetName("Song"), a, b),
            (Calls{"A list", "B list", "A receive Song", "B delete Song 1", "B send Song 0"}));
  EXPECT_EQ(b->sent["Song"], "doc A Song");

  calls->calls.clear();
  EXPECT_EQ(copy(PresetName("Song *[2021-03-04T05:06:07.890Z]"), a, nullptr), (Calls{"A list", "A receive Song"}));
  EXPECT_EQ(PresetManager::localPresetList(folder.path).at(0).rawDate, "2021-03-04T05:06:07.890Z");

  calls->calls.clear();
  const auto c = device("C", {"Other"});
  EXPECT_EQ(copy(PresetName("Song"), nullptr, c), (Calls{"C list", "C send Song 0"}));
  EXPECT_EQ(c->sent["Song"], "doc A Song");

  calls->calls.clear();
  EXPECT_TRUE(copy(PresetName("Song"), a, a).empty());
  EXPECT_TRUE(copy(PresetName("Song"), nullptr, nullptr).empty());
}

TEST_F(PresetManagerCopy, RefusesOfflineDevicesAndMissingPresets) {
  const auto online = device("A", {"Song", "Default", "Live_[bkup_1]"});
  const auto offline = device("B", {"Song"});
  offline->online = false;
  auto caseOf = [&](const PresetName& name, auto from, auto to) {
    try {
      copy(name, from, to);
    } catch (const device::VeltoClientError& error) {
      return std::string(error.errorCase() == device::VeltoClientError::Case::deviceIsOffline ? "offline" : "?");
    } catch (const PresetManagerError& error) {
      return std::string(error.errorCase() == PresetManagerError::Case::presetDoesNotExistAtSource ? "missing"
                                                                                                    : "other");
    }
    return std::string("copied");
  };
  EXPECT_EQ(caseOf(PresetName("Song"), offline, online), "offline");
  EXPECT_EQ(caseOf(PresetName("Song"), online, offline), "offline");
  EXPECT_EQ(caseOf(PresetName("Song"), nullptr, offline), "offline");
  EXPECT_EQ(calls->calls, Calls{});
  EXPECT_EQ(caseOf(PresetName("Default"), online, nullptr), "missing");
  EXPECT_EQ(caseOf(PresetName("Live_[bkup_1]"), online, nullptr), "missing");
  EXPECT_EQ(caseOf(PresetName("Song"), nullptr, online), "missing");
  EXPECT_EQ(caseOf(PresetName(".."), online, nullptr), "other");
  EXPECT_EQ(calls->calls, (Calls{"A list", "A list", "A list"}));
}

}  // namespace
