#include "device/Presets/PresetManager.h"

#include <gtest/gtest.h>

#include "async/Cancellation.h"
#include "device/Clients/VeltoClientError.h"
#include "device/Presets/PresetSegmentHandlerError.h"
#include "device/XML/ZRXMLDecodingError.h"
#include "tests/device/Presets/PresetManagerTesting.h"

namespace {

using device::Preset;
using device::PresetHandler;
using device::PresetManager;
using device::PresetManagerError;
using device::PresetName;
using device::PresetSegmentHandlerError;
using device::PresetType;
using namespace device::testing;
using Devices = std::vector<std::shared_ptr<FakeDevice>>;
using Units = std::pair<std::int64_t, std::int64_t>;  // completed, total

std::set<std::string> asSet(const Calls& calls, std::size_t from = 0) { return {calls.begin() + from, calls.end()}; }

class PresetManagerSync : public ::testing::Test {
 public:
  std::shared_ptr<FakeDevice> device(const std::string& label, Calls list,
                                     std::vector<PresetType> types = {PresetType::preset, PresetType::userShow}) {
    return std::make_shared<FakeDevice>(label, std::move(list), calls, std::move(types));
  }
  void addLocal(const std::string& name) {
    PresetManager({}, folder.path).writePresetToLocal(bytesOf("doc local " + name), PresetName(name));
  }
  // Runs a sync over `devices`; the calls the devices saw.
  Calls sync(const Devices& devices, const std::string& path = "") {
    manager = std::make_unique<PresetManager>(std::vector<std::shared_ptr<device::PresetHandler>>(devices.begin(), devices.end()),
                                              path.empty() ? folder.path : path);
    runTask(manager->syncDevices(), prepare);
    return *calls;
  }
  Units progress() const { return {manager->progress()->completedUnitCount(), manager->progress()->totalUnitCount()}; }

  TemporaryFolder folder;
  LogRecorder log;
  std::shared_ptr<Calls> calls = std::make_shared<Calls>();
  std::unique_ptr<PresetManager> manager;
  std::function<void(const async::TaskHandle<void>&)> prepare;
};

TEST_F(PresetManagerSync, WithoutDevicesEveryLocalPresetCountsOnce) {
  addLocal("a");
  addLocal("b");
  EXPECT_TRUE(sync({}).empty());
  EXPECT_EQ(progress(), Units(2, 2));
}

TEST_F(PresetManagerSync, PullsEachMissingPresetFromTheFirstDeviceThenPushes) {
  const auto a = device("A", {"Song *[2024-01-02T03:04:05.678Z]", "Intro"});
  const auto b = device("B", {"Song", "Outro (PRESET)", "Show (USER SHOW)"});
  const Calls seen = sync({a, b});
  ASSERT_EQ(seen.size(), 7u);
  EXPECT_EQ(Calls(seen.begin(), seen.begin() + 5),
            (Calls{"A list", "B list", "A receive Song", "A receive Intro", "B receive Outro"}));
  EXPECT_EQ(asSet(seen, 5), (std::set<std::string>{"B send Intro 0", "A send Outro 0"}));
  EXPECT_EQ(b->sent["Intro"], "doc A Intro");
  EXPECT_EQ(progress(), Units(6, 6));
  for (const auto& name : PresetManager::localPresetList(folder.path)) {
    if (name.name == "Song") {
      EXPECT_EQ(name.rawDate, "2024-01-02T03:04:05.678Z");
    }
  }
}

TEST_F(PresetManagerSync, DefaultsAndBackupsAreNeitherPulledNorPushed) {
  for (const char* name : {"default", "Live_[bkup_2023]", "Keep", "Song"}) addLocal(name);
  const auto a = device("A", {"Default", "DEFAULTOFF", "Song_[bkup_2024]", "Song *[2020-01-01T00:00:00.000Z]"});
  const auto showsOnly = device("C", {}, {PresetType::userShow});
  const Calls seen = sync({a, showsOnly});
  EXPECT_EQ(seen.size(), 5u);
  EXPECT_EQ(asSet(seen), (std::set<std::string>{"A list", "C list", "A send Keep 0", "C send Keep 0", "C send Song 0"}));
  EXPECT_EQ(progress(), Units(2, 2));
}

TEST_F(PresetManagerSync, SkipsPresetsThatTimeOutOrCannotBeFileNames) {
  const std::string tooLong(246, 'L');  // with ".VELTOshow" longer than a file name may be
  const auto a = device("A", {"Bad", tooLong, "../evil", "Song"});
  a->receiveErrors["Bad"] = std::make_exception_ptr(PresetSegmentHandlerError::timeout());
  EXPECT_EQ(sync({a}), (Calls{"A list", "A receive Bad", "A receive " + tooLong, "A receive Song"}));
  EXPECT_EQ(folder.entries(), std::set<std::string>{"Song.VELTOshow"});
  EXPECT_EQ(progress(), Units(2, 8));
  EXPECT_EQ(log.warnings().size(), 3u);  // one per skipped preset
}

TEST_F(PresetManagerSync, StopsOnErrorsAndAlwaysFinishes) {
  struct Case {
    const char* title;
    std::function<Devices()> setUp;
    std::string path;
    Calls expectedCalls, expectedWarnings;
  };
  const Case cases[] = {
      {"missing folder", [] { return Devices{}; }, "/nonexistent/presets", {}, {"local preset path does not exist"}},
      {"list failure stops before transfers",
       [&] {
         auto b = device("B", {});
         b->listError = std::make_exception_ptr(PresetSegmentHandlerError::timeout());
         return Devices{device("A", {"Song"}), b, device("C", {})};
       },
       "", {"A list", "B list"}, {"failed receiving preset list from B"}},
      {"other receive error", [&] { return Devices{device("A", {"Song", "Intro"})}; }, "", {"A list", "A receive Song"}, {}},
      {"send failure", [&] { return addLocal("Intro"), Devices{device("A", {}), device("B", {})}; }, "",
       {"A list", "B list", "A send Intro 0"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    TemporaryFolder fresh;
    std::swap(folder.path, fresh.path);
    calls->clear();
    LogRecorder caseLog;
    Devices devices = c.setUp();
    for (const auto& d : devices) {  // any failure other than a segment handler's stops the sync
      d->receiveErrors["Song"] = d->sendError = std::make_exception_ptr(device::VeltoClientError::deviceIsOffline());
    }
    EXPECT_ANY_THROW(sync(devices, c.path));
    EXPECT_EQ(*calls, c.expectedCalls);
    EXPECT_EQ(caseLog.warnings(), c.expectedWarnings);
    EXPECT_EQ(caseLog.messages().back(), "sync did finish");
    std::swap(folder.path, fresh.path);
  }
}

TEST_F(PresetManagerSync, CancellationEndsTheSyncAtTheNextDeviceCall) {
  // Cancelled before it starts: the folder is read, no device is asked.
  prepare = [](const async::TaskHandle<void>& task) { task.cancel(); };
  EXPECT_THROW(sync({device("A", {"Song"})}), async::CancellationError);
  EXPECT_TRUE(calls->empty());
  EXPECT_EQ(log.messages().back(), "sync did finish");

  // A receive ended by cancellation is not skipped like a time-out.
  prepare = {};
  const auto a = device("A", {"Song", "Intro"});
  a->receiveErrors["Song"] = std::make_exception_ptr(async::CancellationError());
  EXPECT_THROW(sync({a}), async::CancellationError);
  EXPECT_EQ(*calls, (Calls{"A list", "A receive Song"}));

  // Cancelled by the first send: the pause after it ends the push.
  calls->clear();
  addLocal("x");
  addLocal("y");
  const auto b = device("B", {});
  prepare = [&b](const async::TaskHandle<void>& task) {
    b->onCall = [core = std::weak_ptr(task.core())](const std::string& call) {
      if (const auto task = core.lock(); task && call.starts_with("send")) task->cancel();
    };
  };
  EXPECT_THROW(sync({b, device("C", {})}), async::CancellationError);
  EXPECT_EQ(calls->size(), 3u);  // both lists, one send
}

TEST(PresetManagerDecisions, FirstDeviceWinsAndMissingNamesAreRequired) {
  auto calls = std::make_shared<Calls>();
  auto device = [&](const char* label) { return std::make_shared<FakeDevice>(label, Calls{}, calls); };
  auto names = [](std::initializer_list<const char*> texts) {
    device::PresetNameList list;
    for (const char* text : texts) list.append(PresetName(text));
    return list;
  };
  const auto a = device("A"), b = device("B"), c = device("C"), sameAsA = device("A2");
  const auto unique = PresetManager::uniqueRemotePresets(
      {{c, names({"z"})}, {a, names({"x", "y (USER SHOW)"})}, {b, names({"y", "w", "x_[bkup_1]"})}});
  ASSERT_EQ(unique.size(), 3u);
  EXPECT_EQ(std::make_tuple(unique[0].client, unique[1].client, unique[2].client), std::make_tuple(c, a, b));
  EXPECT_EQ(unique[1].presets.names, names({"x", "y (USER SHOW)"}).names);
  EXPECT_EQ(unique[2].presets.names, names({"w"}).names);

  const auto required = PresetManager::requiredRemotePresets(
      {PresetName("x *[2001-01-01T00:00:00.000Z]"), PresetName("w_[bkup_1]")},
      {{a, names({"x", "w"})}, {b, names({"w"})}, {sameAsA, names({"v"})}});
  ASSERT_EQ(required.size(), 2u);
  EXPECT_EQ(required[0].presets.names, names({"w", "v"}).names);
  EXPECT_EQ(required[1].presets.names, names({"w"}).names);
}

class PresetManagerCopy : public PresetManagerSync {
 public:
  // The calls of one copy, or the error it threw.
  Calls copy(const PresetName& name, std::shared_ptr<FakeDevice> from, std::shared_ptr<FakeDevice> to) {
    calls->clear();
    try {
      runTask(PresetManager({}, folder.path).copyPreset(name, from, to));
    } catch (const std::exception& error) {
      return {error.what()};
    }
    return *calls;
  }
};

TEST_F(PresetManagerCopy, BetweenDevicesAndTheFolder) {
  const auto a = device("A", {"Song", "Default", "Live_[bkup_1]"});
  const auto b = device("B", {"Song *[2020-01-01T00:00:00.000Z]"});
  const auto offline = device("O", {"Song"});
  offline->online = false;
  const auto missing = [](const char* name) {
    return std::string(PresetManagerError::presetDoesNotExistAtSource(PresetName(name).description()).what());
  };
  const std::string isOffline = device::VeltoClientError::deviceIsOffline().what();

  EXPECT_EQ(copy(PresetName("Song"), a, b), (Calls{"A list", "B list", "A receive Song", "B delete Song 1", "B send Song 0"}));
  EXPECT_EQ(b->sent["Song"], "doc A Song");
  EXPECT_EQ(copy(PresetName("Song *[2021-03-04T05:06:07.890Z]"), a, nullptr), (Calls{"A list", "A receive Song"}));
  EXPECT_EQ(PresetManager::localPresetList(folder.path).at(0).rawDate, "2021-03-04T05:06:07.890Z");
  const auto c = device("C", {"Other"});
  EXPECT_EQ(copy(PresetName("Song"), nullptr, c), (Calls{"C list", "C send Song 0"}));
  EXPECT_EQ(c->sent["Song"], "doc A Song");

  EXPECT_TRUE(copy(PresetName("Song"), a, a).empty());
  EXPECT_TRUE(copy(PresetName("Song"), nullptr, nullptr).empty());
  EXPECT_EQ(copy(PresetName("Song"), offline, a), Calls{isOffline});
  EXPECT_EQ(copy(PresetName("Song"), nullptr, offline), Calls{isOffline});
  EXPECT_EQ(copy(PresetName("Default"), a, nullptr), Calls{missing("Default")});
  EXPECT_EQ(copy(PresetName("Live_[bkup_1]"), a, b), Calls{missing("Live_[bkup_1]")});
  EXPECT_EQ(copy(PresetName("Intro"), nullptr, a), Calls{missing("Intro")});
  EXPECT_EQ(copy(PresetName(".."), a, nullptr), Calls{PresetManagerError::invalidPath("..").what()});
}

TEST(PresetHandler, SupportsTheTypesItLists) {
  const auto calls = std::make_shared<Calls>();
  const std::pair<std::vector<PresetType>, std::pair<bool, bool>> cases[] = {
      {{PresetType::preset, PresetType::userShow}, {true, true}},
      {{PresetType::userShow}, {false, true}},
      {{PresetType::preset}, {true, false}},
      {{}, {false, false}},
  };
  for (const auto& [types, expected] : cases) {
    const FakeDevice client("A", {}, calls, types);
    EXPECT_EQ(std::make_pair(client.supportsPresetType(PresetType::preset),
                             client.supportsPresetType(PresetType::userShow)),
              expected);
  }
  // One device: the same address and port, whatever else differs.
  EXPECT_TRUE(PresetHandler::sameDevice(FakeDevice("A", {}, calls, {}), FakeDevice("A", {"x"}, calls)));
  EXPECT_FALSE(PresetHandler::sameDevice(FakeDevice("A", {}, calls), FakeDevice("B", {}, calls)));
}

TEST(PresetHandler, WholePresetOperationsUseTheDocumentsName) {
  const auto calls = std::make_shared<Calls>();
  FakeDevice client("A", {}, calls, {PresetType::preset});
  const auto writable = Preset::emptyPreset();
  writable->name = PresetName("Live_[bkup_2024] *[2024-02-03T04:05:06.789Z]");
  EXPECT_TRUE(async::spawn(client.sendPresetModel(writable, true)).get());
  async::spawn(client.deletePresetModel(writable, true)).get();
  EXPECT_EQ(*calls, (Calls{"A send Live_[bkup_2024] 1", "A delete Live_[bkup_2024] 1"}));
  EXPECT_FALSE(client.sent.at("Live_[bkup_2024]").empty());

  // A document that cannot be written is not sent: its error reaches the caller.
  calls->clear();
  EXPECT_THROW(async::spawn(client.sendPresetModel(Preset::makeDefault(1, 1), false)).get(),
               device::ZRXMLDecodingError);
  EXPECT_TRUE(calls->empty());
}

}  // namespace
