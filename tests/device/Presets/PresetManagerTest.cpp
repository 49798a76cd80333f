// The preset manager against fake devices in a private temporary folder: its files and errors, and
// the syncs between devices and the folder.

#include "device/Presets/PresetManager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <boost/asio/io_context.hpp>

#include "async/Cancellation.h"
#include "async/TaskHandle.h"
#include "device/Clients/VeltoClientError.h"
#include "device/Presets/PresetHandler.h"
#include "device/Presets/PresetSegmentHandlerError.h"
#include "device/XML/ZRXMLDecodingError.h"
#include "gzip/Gzip.h"
#include "tests/log/RecordingDestination.h"

namespace device::testing {
namespace {

using Calls = std::vector<std::string>;

std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }
std::string textOf(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// A folder made with mkdtemp, removed with everything in it.
struct TemporaryFolder {
  std::string path = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "presets-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
  }();
  ~TemporaryFolder() { std::filesystem::remove_all(path); }
  std::string file(const std::string& name) const { return path + "/" + name; }
  std::set<std::string> entries() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path)) names.insert(entry.path().filename());
    return names;
  }
};

// Registers a waiting destination for its lifetime.
class LogRecorder {
 public:
  LogRecorder() { destination_->setAsynchronously(false), tallylog::Tallylog::addDestination(destination_); }
  ~LogRecorder() { tallylog::Tallylog::removeDestination(destination_); }

  // The messages logged (only the warnings when `warningsOnly`), in order.
  Calls messages(bool warningsOnly = false) const {
    Calls result;
    for (const auto& call : destination_->calls()) {
      EXPECT_EQ(call.file, "PresetManager.cpp");
      if (!warningsOnly || call.level == tallylog::Tallylog::Level::warning) result.push_back(call.message);
    }
    return result;
  }
  Calls warnings() const { return messages(true); }
  // The messages in order, each warning as "warning: MESSAGE" (the sync and the folder log no
  // other levels but verbose).
  Calls lines() const {
    Calls result;
    for (const auto& call : destination_->calls())
      result.push_back((call.level == tallylog::Tallylog::Level::warning ? "warning: " : "") + call.message);
    return result;
  }

 private:
  std::shared_ptr<tallylog::testing::RecordingDestination> destination_ =
      std::make_shared<tallylog::testing::RecordingDestination>();
};

// A device whose port is its label's first letter. It records "LABEL call" in `calls`; the
// document it sends for a name is "doc LABEL name".
class FakeDevice : public PresetHandler {
 public:
  FakeDevice(std::string label, Calls list, std::shared_ptr<Calls> calls,
             std::vector<PresetType> types = {PresetType::preset, PresetType::userShow})
      : label_(std::move(label)), list_(std::move(list)), types_(std::move(types)), calls_(std::move(calls)) {}

  bool online = true;
  std::exception_ptr listError, sendError;
  std::map<std::string, std::exception_ptr> receiveErrors;  // by baseName
  std::function<void(const std::string& call)> onCall;      // after each recorded call
  std::map<std::string, std::string> sent;                  // baseName -> document

  std::string deviceIP() const override { return "127.0.0.1"; }
  std::uint16_t devicePort() const override { return static_cast<std::uint16_t>(label_[0]); }
  std::uint16_t listenPort() const override { return 9000; }
  bool isOnline() const override { return online; }
  std::string description() const override { return label_; }
  std::shared_ptr<PresetSegmentHandler> presetSegmentHandler() const override { return segments_; }
  std::vector<PresetType> supportedPresetTypes() const override { return types_; }

  Task<PresetNameList> requestPresetList(std::uint64_t) override {
    record("list", listError);
    PresetNameList list;
    for (const auto& text : list_) list.append(PresetName(text));
    co_return list;
  }
  Task<PresetData> receivePreset(PresetName name, int retries, std::uint64_t timeout) override {
    EXPECT_EQ(std::make_pair(retries, timeout), std::make_pair(1, std::uint64_t{10'000'000'000}));
    const auto error = receiveErrors.find(name.baseName());
    record("receive " + name.baseName(), error == receiveErrors.end() ? nullptr : error->second);
    co_return PresetData(bytesOf("doc " + label_ + " " + name.baseName()));
  }
  Task<bool> sendPreset(std::vector<std::uint8_t> bytes, PresetName name, bool flag) override {
    record("send " + name.baseName() + (flag ? " 1" : " 0"), sendError);
    sent[name.baseName()] = textOf(bytes);
    co_return true;
  }
  Task<void> deletePreset(PresetName name, bool flag) override {
    record("delete " + name.baseName() + (flag ? " 1" : " 0"), nullptr);
    co_return;
  }
  Task<void> loadPreset(PresetName, std::uint64_t) override { co_return; }
  Task<void> savePreset(PresetName, std::uint64_t) override { co_return; }

 private:
  void record(const std::string& call, const std::exception_ptr& error) {
    calls_->push_back(label_ + " " + call);
    if (onCall) onCall(call);
    if (error) std::rethrow_exception(error);
  }

  std::string label_;
  Calls list_;
  std::vector<PresetType> types_;
  std::shared_ptr<Calls> calls_;
  std::shared_ptr<PresetSegmentHandler> segments_ = PresetSegmentHandler::make();
};

// Runs `body` as a task on the calling thread to its end and throws what it threw; `prepare` sees
// the task before it starts.
void runTask(boost::asio::awaitable<void> body,
                    const std::function<void(const async::TaskHandle<void>&)>& prepare = {}) {
  boost::asio::io_context context;
  const auto handle = async::spawn(context.get_executor(), std::move(body));
  if (prepare) prepare(handle);
  context.run();
  handle.get();
}

using Devices = std::vector<std::shared_ptr<FakeDevice>>;
using Units = std::pair<std::int64_t, std::int64_t>;  // completed, total

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The case of the PresetManagerError `action` throws; "none" when it throws none.
std::string errorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const PresetManagerError& error) {
    return std::to_string(static_cast<int>(error.errorCase()));
  }
  return "none";
}
const std::string emptyPreset = "1", presetDoesNotExist = "3", invalidPath = "4";

TEST(PresetManagerFolder, ListsOnlyPresetFilesWithTheirModificationTime) {
  TemporaryFolder folder;
  for (const char* name : {"a.VELTOshow", "b.vup", "c.txt", "d.veltoshow", "e.VELTOshow.bak"})
    writeFile(folder.file(name), bytesOf("x"));
  const timespec times[2] = {{0, UTIME_NOW}, {1'600'000'000, 250'000'000}};
  ::utimensat(AT_FDCWD, folder.file("a.VELTOshow").c_str(), times, 0);

  const auto names = PresetManager::localPresetList(folder.path);
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0], PresetName("a", std::nullopt, PresetType::preset, std::nullopt));
  EXPECT_EQ(names[0].rawDate, "2020-09-13T12:26:40.250Z");
  EXPECT_THROW(PresetManager::localPresetList(folder.file("missing")), std::filesystem::filesystem_error);
}

TEST(PresetManagerFolder, WritesCompressedWithTheNamesDateOrNow) {
  TemporaryFolder folder;
  const PresetManager manager({}, folder.path + "/");
  const PresetName dated("Song *[2021-03-04T05:06:07.890Z]");
  const auto before = std::chrono::system_clock::now() - std::chrono::milliseconds(1);
  manager.writePresetToLocal(bytesOf("<doc/>"), dated);
  manager.writePresetToLocal(bytesOf("<live/>"), PresetName("Live_[bkup_2022-01-01]"));
  const auto after = std::chrono::system_clock::now();

  EXPECT_EQ(folder.entries(), (std::set<std::string>{"Song.VELTOshow", "Live_[bkup_2022-01-01].VELTOshow"}));
  std::ifstream file(folder.file("Song.VELTOshow"), std::ios::binary);
  EXPECT_TRUE(gzip::isZlibCompressed(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {})));
  EXPECT_EQ(textOf(manager.loadPreset(dated).data), "<doc/>");
  for (const PresetName& listed : PresetManager::localPresetList(folder.path)) {
    if (listed.name == "Song") {
      EXPECT_EQ(listed.rawDate, dated.rawDate);
    } else {
      EXPECT_EQ(listed.backupDate, "2022-01-01");
      EXPECT_TRUE(listed.date() >= before && listed.date() <= after) << listed.rawDate.value_or("none");
    }
  }
  EXPECT_EQ(PresetManager::presetPath("/p", "a"), PresetManager::presetPath("/p/", "a"));
  EXPECT_TRUE(PresetManager::defaultLocalPath().ends_with("/VODEZevovoravevez/Presets/"));
}

TEST(PresetManagerFolder, OverwritingLeavesOneFileAndAFailedReplaceKeepsTheOld) {
  TemporaryFolder folder;
  const PresetManager manager({}, folder.path);
  manager.writePresetToLocal(bytesOf("old"), PresetName("Song"));
  manager.writePresetToLocal(bytesOf("new"), PresetName("Song *[2021-03-04T05:06:07.890Z]"));
  EXPECT_EQ(folder.entries(), std::set<std::string>{"Song.VELTOshow"});
  EXPECT_EQ(textOf(manager.loadPreset(PresetName("Song")).data), "new");

  // What stands at the path cannot be replaced: it stays, the new file is dropped, the error
  // reaches the caller.
  std::filesystem::create_directories(folder.file("Live.VELTOshow/inside"));
  EXPECT_THROW(manager.writePresetToLocal(bytesOf("new"), PresetName("Live")), std::filesystem::filesystem_error);
  EXPECT_TRUE(std::filesystem::exists(folder.file("Live.VELTOshow/inside")));
  EXPECT_EQ(folder.entries(), (std::set<std::string>{"Song.VELTOshow", "Live.VELTOshow"}));

  // A folder that cannot take the file; an empty document.
  EXPECT_THROW(PresetManager({}, folder.file("missing")).writePresetToLocal(bytesOf("x"), PresetName("Song")),
               std::filesystem::filesystem_error);
  manager.writePresetToLocal({}, PresetName("Empty"));
  EXPECT_FALSE(std::filesystem::exists(folder.file("Empty.VELTOshow")));
}

TEST(PresetManagerFolder, LogsEachWrite) {
  TemporaryFolder folder;
  const PresetManager manager({}, folder.path);
  std::filesystem::create_directories(folder.file("Live.VELTOshow/inside"));
  const struct {
    std::vector<std::uint8_t> bytes;
    PresetName name;
    Calls lines;
  } cases[] = {
      {bytesOf("a"), PresetName("Song"), {"writing preset Song to disk"}},
      {bytesOf("b"), PresetName("Song *[2021-03-04T05:06:07.890Z]"),
       {"overwriting preset Song *[2021-03-04T05:06:07.890Z]",
        "writing preset Song *[2021-03-04T05:06:07.890Z] to disk"}},
      {bytesOf("d"), PresetName("Live"), {"warning: failed deleting preset Live"}},
      {{}, PresetName("Empty"), {"warning: preset Empty is empty"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name.description());
    const LogRecorder log;
    try {
      manager.writePresetToLocal(c.bytes, c.name);
    } catch (const std::filesystem::filesystem_error&) {
    }
    EXPECT_EQ(log.lines(), c.lines);
  }
}

TEST(PresetManagerFolder, RefusesNamesThatAreNoPlainFileNames) {
  TemporaryFolder folder;
  const std::string inside = folder.file("inside");
  std::filesystem::create_directory(inside);
  writeFile(folder.file("outside.VELTOshow"), gzip::gzipped(bytesOf("keep")));
  const PresetManager manager({}, inside);
  const PresetName names[] = {
      PresetName(""),
      PresetName("."),
      PresetName(".."),
      PresetName("../outside"),
      PresetName("a/b"),
      PresetName(std::string("a\0b", 3), std::nullopt, PresetType::preset, std::nullopt),
      PresetName("x", std::nullopt, PresetType::preset, "/../../outside"),
  };
  for (const PresetName& name : names) {
    SCOPED_TRACE(name.baseName());
    EXPECT_EQ(errorOf([&] { manager.writePresetToLocal(bytesOf("x"), name); }), invalidPath);
    EXPECT_EQ(errorOf([&] { PresetManager::deletePresetFromLocal(name, inside); }), invalidPath);
    EXPECT_EQ(errorOf([&] { manager.loadPreset(name); }), invalidPath);
  }
  EXPECT_EQ(errorOf([&] { PresetManager::loadPresetFromDisk("../outside.VELTOshow", inside); }), invalidPath);
  EXPECT_TRUE(std::filesystem::is_empty(inside));
  EXPECT_EQ(folder.entries(), (std::set<std::string>{"inside", "outside.VELTOshow"}));
}

TEST(PresetManagerFolder, ReadingAndDeletingReportWhatIsWrong) {
  TemporaryFolder folder;
  writeFile(folder.file("empty.VELTOshow"), {});
  writeFile(folder.file("plain.VELTOshow"), bytesOf("<not compressed/>"));
  EXPECT_EQ(errorOf([&] { PresetManager::loadPresetFromDisk(folder.file("empty.VELTOshow")); }), emptyPreset);
  EXPECT_EQ(errorOf([&] { PresetManager::loadPresetFromDisk(folder.file("none.VELTOshow")); }), presetDoesNotExist);
  EXPECT_THROW(PresetManager::loadPresetFromDisk(folder.file("plain.VELTOshow")), gzip::GzipError);

  PresetManager::deletePresetFromLocal(PresetName("plain"), folder.path);
  EXPECT_FALSE(std::filesystem::exists(folder.file("plain.VELTOshow")));
  EXPECT_THROW(PresetManager::deletePresetFromLocal(PresetName("plain"), folder.path), std::filesystem::filesystem_error);
}


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

TEST_F(PresetManagerSync, LogsEachStep) {
  using ::testing::AllOf;
  using ::testing::HasSubstr;
  using ::testing::StartsWith;
  using Lines = std::vector<::testing::Matcher<std::string>>;
  // Dated names: the folder lists a file with its modification time, which a write takes from the name.
  const std::string song = "Song *[2024-01-02T03:04:05.678Z]", keep = "Keep *[2020-01-01T00:00:00.000Z]";
  const std::string tooLong(246, 'L');  // with ".VELTOshow" longer than a file name may be
  const auto skipped = [](const std::exception& reason) {
    return std::string("warning: failed receiveing preset, ") + reason.what();
  };
  const struct {
    const char* title;
    std::function<Devices()> setUp;
    Lines lines;
  } cases[] = {
      {"pulls from the first device that lists a name",
       [&] { return Devices{device("A", {song}), device("B", {"Song", "Show (USER SHOW)", "Default"})}; },
       {"received local preset list []", "requesting preset list from A", "received preset list from A: [" + song + "]",
        "requesting preset list from B", "received preset list from B: [Song]", "requested preset " + song,
        "received preset " + song, "writing preset " + song + " to disk", "requested local preset list",
        "received local preset list: [" + song + "]", "sync did finish"}},
      {"pushes what the folder holds", [&] { return addLocal(keep), Devices{device("A", {})}; },
       {"received local preset list [" + keep + "]", "requesting preset list from A", "received preset list from A: []",
        "requested local preset list", "received local preset list: [" + keep + "]", "sent preset " + keep,
        "sync did finish"}},
      {"skips what it cannot receive or store",
       [&] {
         auto a = device("A", {"Bad", "Cut", tooLong, "../evil", song});
         a->receiveErrors["Bad"] = std::make_exception_ptr(PresetSegmentHandlerError::timeout());
         a->receiveErrors["Cut"] = std::make_exception_ptr(PresetSegmentHandlerError::incompleteReceive());
         return Devices{a};
       },
       {"received local preset list []", "requesting preset list from A",
        "received preset list from A: [Bad, Cut, " + tooLong + ", ../evil, " + song + "]", "requested preset Bad",
        skipped(PresetSegmentHandlerError::timeout()), "requested preset Cut",
        skipped(PresetSegmentHandlerError::incompleteReceive()), "requested preset " + tooLong,
        "received preset " + tooLong,
        AllOf(StartsWith("warning: failed receiveing preset, "), HasSubstr("File name too long")),
        skipped(PresetManagerError::invalidPath("../evil")), "requested preset " + song, "received preset " + song,
        "writing preset " + song + " to disk", "requested local preset list",
        "received local preset list: [" + song + "]", "sync did finish"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    TemporaryFolder fresh;
    std::swap(folder.path, fresh.path);
    const Devices devices = c.setUp();
    const LogRecorder caseLog;
    sync(devices);
    EXPECT_THAT(caseLog.lines(), ::testing::ElementsAreArray(c.lines));
    std::swap(folder.path, fresh.path);
  }
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
}  // namespace device::testing
