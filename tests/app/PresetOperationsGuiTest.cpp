// The preset operations of the presets list: copying dragged presets onto a device, importing dropped
// preset files, backing devices up into a folder, syncing devices, and dragging presets out as files.

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <QWidget>
#include <QtTest>

#include "app/Devices/DeviceSelectorViewController.h"
#include "app/PresetManager/PresetOperationHost.h"
#include "app/PresetManager/PresetOperations.h"
#include "app/PresetManager/PrivateFolder.h"
#include "async/Cancellation.h"
#include "device/Presets/PresetHandler.h"
#include "gzip/Gzip.h"
#include "tests/app/PresetFilesTesting.h"
#include "tests/app/ScriptedDialogs.h"

// Test support of the preset operations: devices that keep presets in memory and record what they
// are asked, and a headless host whose sheet records its status lines.
namespace app::testing {

using Calls = std::vector<std::string>;
using device::PresetName;
using device::PresetType;

inline std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }
inline std::string textOf(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

inline PresetName preset(const std::string& name) { return {name, std::nullopt, PresetType::preset, std::nullopt}; }
inline PresetName userShow(const std::string& name) {
  return {name, std::nullopt, PresetType::userShow, std::nullopt};
}

// A device that stores documents by base name; it records "LABEL call NAME" in the shared call log
// and fails a call whose text is in `failing`. `onCall` runs before each call is answered.
class FakePresetDevice : public device::PresetHandler {
 public:
  FakePresetDevice(std::string label, std::shared_ptr<Calls> calls,
                   std::vector<PresetType> types = {PresetType::preset, PresetType::userShow})
      : label_(std::move(label)), types_(std::move(types)), calls_(std::move(calls)) {}

  std::vector<PresetName> presets;
  std::map<std::string, std::string> documents;  // baseName -> document
  std::set<std::string> failing;                 // e.g. "receive C"
  std::function<void(const std::string& call)> onCall;
  std::chrono::milliseconds delay{0};  // each call answers after this pause (cancellable)

  void add(const PresetName& name, std::string document = {}) {
    presets.push_back(name);
    documents[name.baseName()] = document.empty() ? "doc " + label_ + " " + name.baseName() : std::move(document);
  }
  device::PresetNameList list() const { return {presets}; }

  std::string deviceIP() const override { return "127.0.0." + std::to_string(static_cast<int>(label_[0])); }
  std::uint16_t devicePort() const override { return 9000; }
  std::uint16_t listenPort() const override { return 9001; }
  bool isOnline() const override { return true; }
  std::string description() const override { return label_; }
  std::shared_ptr<device::PresetSegmentHandler> presetSegmentHandler() const override { return segments_; }
  std::vector<PresetType> supportedPresetTypes() const override { return types_; }

  Task<device::PresetNameList> requestPresetList(std::uint64_t) override {
    record("list");
    co_await pause();
    co_return list();
  }
  Task<device::PresetData> receivePreset(PresetName name, int, std::uint64_t) override {
    record("receive " + name.baseName());
    co_await pause();
    auto found = documents.find(name.baseName());
    if (found == documents.end()) throw std::runtime_error("no preset " + name.baseName());
    co_return device::PresetData(bytesOf(found->second));
  }
  Task<bool> sendPreset(std::vector<std::uint8_t> bytes, PresetName name, bool flag) override {
    record("send " + name.baseName() + (flag ? " 1" : " 0"));
    co_await pause();
    if (std::find(presets.begin(), presets.end(), name) == presets.end()) presets.push_back(name);
    documents[name.baseName()] = textOf(bytes);
    co_return true;
  }
  Task<void> deletePreset(PresetName name, bool flag) override {
    record("delete " + name.baseName() + (flag ? " 1" : " 0"));
    std::erase(presets, name);
    documents.erase(name.baseName());
    co_return;
  }
  Task<void> loadPreset(PresetName, std::uint64_t) override { co_return; }
  Task<void> savePreset(PresetName, std::uint64_t) override { co_return; }

 private:
  Task<void> pause() const {
    if (delay.count() > 0) co_await async::sleep(delay);
  }
  void record(const std::string& call) {
    calls_->push_back(label_ + " " + call);
    if (onCall) onCall(call);
    if (failing.count(call) != 0) throw std::runtime_error(label_ + " failed to " + call);
  }

  std::string label_;
  std::vector<PresetType> types_;
  std::shared_ptr<Calls> calls_;
  std::shared_ptr<device::PresetSegmentHandler> segments_ = device::PresetSegmentHandler::make();
};

// The window and the device manager of the operations, without widgets but for a parent window.
class FakeHost : public PresetOperationHost, private ProgressSheet::View {
 public:
  FakeHost() { sheet.setView(this); }
  ~FakeHost() override { sheet.setView(nullptr); }

  // A device of the sources list with its stored list and info (serial "SN-" + label).
  std::shared_ptr<FakePresetDevice> addDevice(const std::string& label, std::vector<PresetType> types,
                                              bool storeList = true) {
    auto device = std::make_shared<FakePresetDevice>(label, calls, std::move(types));
    sources.push_back(device);
    infos[device.get()] = {"SN-" + label, label};
    if (storeList) stored[device.get()] = device->list();
    return device;
  }
  // Stores the device's current list, as the device manager's polling would.
  void poll(const FakePresetDevice& device) { stored[&device] = device.list(); }

  std::shared_ptr<Calls> calls = std::make_shared<Calls>();
  std::map<const device::PresetHandler*, device::PresetNameList> stored;
  std::map<const device::PresetHandler*, PresetDeviceInfo> infos;
  std::set<const device::PresetHandler*> controllers;  // not offered by the sync
  std::vector<Client> sources;
  std::vector<PresetItem> items;
  std::vector<std::string> storedFor;  // the device names of storePresets, in order
  ProgressSheet sheet;
  std::vector<std::string> statuses;  // every status line shown, in order
  std::vector<std::string> shownTitles;
  int finishedCount = 0;
  QWidget widget;

  std::optional<device::PresetNameList> storedPresets(const Client& client) const override {
    auto found = stored.find(client.get());
    if (found == stored.end()) return std::nullopt;
    return found->second;
  }
  void storePresets(device::PresetNameList presets, const Client& client) override {
    stored[client.get()] = std::move(presets);
    storedFor.push_back(displayName(client));
  }
  std::optional<PresetDeviceInfo> deviceInfo(const Client& client) const override {
    auto found = infos.find(client.get());
    if (found == infos.end()) return std::nullopt;
    return found->second;
  }
  std::string deviceIP(const Client& client) const override { return client->deviceIP(); }
  bool isSyncCandidate(const Client& client) const override { return controllers.count(client.get()) == 0; }
  std::vector<Client> sourceClients() const override { return sources; }
  std::vector<PresetItem> presetItems() const override { return items; }
  QWidget* window() const override { return const_cast<QWidget*>(&widget); }

  void showProgress(const std::string& title, std::optional<std::string> subtitle, int maxValue,
                    std::function<void()> cancelHandler) override {
    sheet.title = title;
    sheet.subtitle = std::move(subtitle);
    sheet.cancelHandler = std::move(cancelHandler);
    sheet.finishedHandler = [this] { ++finishedCount; };
    sheet.setMaxValue(maxValue);
    sheet.present();
    sheet.setValue(0);
    shownTitles.push_back(title);
  }
  ProgressSheet& progressSheet() override { return sheet; }
  bool showsProgress() const override { return sheet.isShown(); }
  void closeProgress() override { sheet.closeByOwner(); }

 private:
  void sheetChanged() override {
    if (!sheet.statusText().empty() && (statuses.empty() || statuses.back() != sheet.statusText()))
      statuses.push_back(sheet.statusText());
  }
  void sheetClosed() override {}
};

}  // namespace app::testing


using namespace app;
using namespace app::testing;
namespace fs = std::filesystem;

namespace {

using Texts = std::vector<std::string>;

template <class T>
void waitFor(const std::optional<async::TaskHandle<T>>& task) {
  QVERIFY(task);
  QTRY_VERIFY_WITH_TIMEOUT(task->isFinished(), 5000);
}

// A host with a source device A (presets P1..Pn) listed in the presets list, and a target B.
struct CopyScene {
  std::shared_ptr<FakeHost> host = std::make_shared<FakeHost>();
  std::shared_ptr<FakePresetDevice> a = host->addDevice("A", {PresetType::preset, PresetType::userShow});
  std::shared_ptr<FakePresetDevice> b;
  PresetOperations operations{host};

  CopyScene(int sourcePresets, const Texts& onTarget) {
    for (int i = 1; i <= sourcePresets; ++i) a->add(preset("P" + std::to_string(i)));
    host->poll(*a);
    b = host->addDevice("B", {PresetType::preset});
    for (const auto& name : onTarget) b->add(preset(name));
    host->poll(*b);
    for (const auto& name : a->presets) host->items.push_back({a, name});
    host->calls->clear();
  }
  std::unique_ptr<QMimeData> drag(const std::vector<int>& rows) {
    return std::unique_ptr<QMimeData>(operations.dragData(rows));
  }
  // Drops rows on B; true when a copy started, which is then run to its end.
  bool dropOnB(const std::vector<int>& rows) {
    auto task = PresetCopier(host).copyPresets(*drag(rows), b);
    if (!task) return false;
    if (!QTest::qWaitFor([&] { return task->isFinished(); }, 5000)) throw std::runtime_error("the copy hangs");
    return true;
  }
};

// Two devices: "Alpha" (serial SN-Alpha) with presets, user shows, a default and a backup, and
// B1 (named after its serial) with presets only.
struct BackupScene {
  std::shared_ptr<FakeHost> host = std::make_shared<FakeHost>();
  std::shared_ptr<FakePresetDevice> alpha = host->addDevice("Alpha", {PresetType::preset, PresetType::userShow}, false);
  std::shared_ptr<FakePresetDevice> b1 = host->addDevice("B1", {PresetType::preset}, false);
  PrivateFolder folder{"backup-test"};

  BackupScene() {
    alpha->add(preset("P1"));
    alpha->add(userShow("P1"));
    alpha->add(preset("Default"));
    alpha->add({"P1", std::nullopt, PresetType::preset, std::string("2024")});
    alpha->add(preset("a/b"));
    b1->add(preset("Q1"));
    b1->add(preset("Q2"));
    host->poll(*alpha);
    host->poll(*b1);
    host->infos[b1.get()] = {"B1", "B1"};
  }
};

}  // namespace

class PresetOperationsGuiTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void copyAsksOnlyAboutNamesTheTargetHolds_data() {
    QTest::addColumn<int>("presets");
    QTest::addColumn<Texts>("onTarget");
    QTest::addColumn<std::vector<int>>("answers");
    QTest::addColumn<Texts>("questions");
    QTest::addColumn<Texts>("calls");
    const Texts noCalls;
    QTest::newRow("one, Yes") << 1 << Texts{"P1"} << std::vector<int>{1000}
                              << Texts{"Would you like to overwrite \"P1\"? [2]"}
                              << Texts{"A receive P1", "B delete P1 1", "B send P1 0", "B list"};
    QTest::newRow("one, No: no copy") << 1 << Texts{"P1"} << std::vector<int>{1001}
                                      << Texts{"Would you like to overwrite \"P1\"? [2]"} << noCalls;
    QTest::newRow("All overwrites later names unasked, new names are sent without a delete")
        << 3 << Texts{"P1", "P3", "default"} << std::vector<int>{1002}
        << Texts{"Would you like to overwrite \"P1\"? [3]"}
        << Texts{"A receive P1", "B delete P1 1", "B send P1 0", "A receive P2", "B send P2 0",
                 "A receive P3", "B delete P3 1", "B send P3 0", "B list"};
    QTest::newRow("Yes asks again, No skips")
        << 3 << Texts{"P1", "P3"} << std::vector<int>{1000, 1001}
        << Texts{"Would you like to overwrite \"P1\"? [3]", "Would you like to overwrite \"P3\"? [3]"}
        << Texts{"A receive P1", "B delete P1 1", "B send P1 0", "A receive P2", "B send P2 0", "B list"};
  }
  void copyAsksOnlyAboutNamesTheTargetHolds() {
    QFETCH(int, presets);
    QFETCH(Texts, onTarget);
    QFETCH(std::vector<int>, answers);
    QFETCH(Texts, questions);
    QFETCH(Texts, calls);
    ScriptedDialogs dialogs;
    dialogs.answers.assign(answers.begin(), answers.end());
    CopyScene scene(presets, onTarget);
    std::vector<int> rows;
    for (int row = 0; row < presets; ++row) rows.push_back(row);
    QCOMPARE(scene.dropOnB(rows), !calls.empty());
    QCOMPARE(questionTexts(dialogs), questions);
    QCOMPARE(*scene.host->calls, calls);
    if (calls.empty()) {
      QVERIFY(scene.host->shownTitles.empty());
      return;
    }
    QCOMPARE(scene.host->shownTitles, Texts{"Copying Presets"});
    QCOMPARE(scene.host->sheet.subtitleText(), std::string("Copying your selected presets to B"));
    QVERIFY(!scene.host->sheet.isShown());
    QCOMPARE(scene.host->storedFor, Texts{"B"});
  }

  void aFailingThirdOfFiveEndsTheCopyWithItsAlert() {
    ScriptedDialogs dialogs;
    CopyScene scene(5, {});
    scene.a->failing = {"receive P3"};
    QVERIFY(scene.dropOnB({0, 1, 2, 3, 4}));
    QCOMPARE(*scene.host->calls, (Texts{"A receive P1", "B send P1 0", "A receive P2", "B send P2 0", "A receive P3"}));
    QCOMPARE(scene.host->statuses, (Texts{"1/5 Copying P1", "2/5 Copying P2"}));
    QCOMPARE(dialogs.informativeTexts(), Texts{"Coult not copy preset \"P3\""});
    QVERIFY(!scene.host->sheet.isShown());
    QCOMPARE(scene.host->finishedCount, 0);
    QVERIFY(scene.host->storedFor.empty());
  }

  void cancelStopsTheCopyBeforeTheNextDeviceStepSilently() {
    ScriptedDialogs dialogs;
    CopyScene scene(3, {});
    scene.b->onCall = [&](const std::string& call) {
      if (call == "send P2 0") scene.host->sheet.cancelPressed();
    };
    QVERIFY(scene.dropOnB({0, 1, 2}));
    QCOMPARE(*scene.host->calls, (Texts{"A receive P1", "B send P1 0", "A receive P2", "B send P2 0"}));
    QVERIFY(dialogs.alerts.empty());
    QVERIFY(scene.host->storedFor.empty());
  }

  void dropsThatGiveNoJobStartNothing_data() {
    QTest::addColumn<QString>("change");
    QTest::newRow("presets of the target itself") << "own";
    QTest::newRow("a row that now holds another preset") << "reloaded";
    QTest::newRow("a row that no longer exists") << "shrunk";
    QTest::newRow("a target without a stored list") << "unlisted";
    QTest::newRow("a type the target does not take") << "userShow";
  }
  void dropsThatGiveNoJobStartNothing() {
    QFETCH(QString, change);
    ScriptedDialogs dialogs;
    CopyScene scene(1, {});
    auto data = scene.drag({0});
    auto target = scene.b;
    if (change == "own") target = scene.a;
    if (change == "reloaded") scene.host->items = {{scene.a, preset("Other")}};
    if (change == "shrunk") scene.host->items.clear();
    if (change == "unlisted") scene.host->stored.erase(scene.b.get());
    if (change == "userShow") {
      scene.host->items = {{scene.a, userShow("P1")}};
      data = scene.drag({0});
    }
    QVERIFY(!PresetCopier(scene.host).copyPresets(*data, target));
    // Not offered to the import either: the drag holds no files.
    QVERIFY(!scene.operations.dropOnSource(*data, target));
    QVERIFY(scene.host->calls->empty());
    QVERIFY(scene.host->shownTitles.empty());
    QVERIFY(dialogs.alerts.empty());
  }

  void importSendsEachKindOfFileAsTheDeviceExpectsIt() {
    ScriptedDialogs dialogs;
    PrivateFolder folder("import-test");
    const std::string doc = "<Preset name=\"x\"/>";
    const auto& dir = folder.path();
    std::vector<fs::path> files{
        writeFile(dir / "Plain.VELTOshow", bytesOf(doc)),
        writeFile(dir / "Zipped.VELTOshow", gzip::gzipped(bytesOf(doc))),
        writeFile(dir / "Gz.VELTOshow", gzip::gzipped(bytesOf(doc), gzip::CompressionLevel(), 31)),
        writeFile(dir / "Stage.vup", gzip::gzipped(bytesOf("show"))),
        writeFile(dir / "BAD.VELTOSHOW", bytesOf(doc)),
        writeFile(dir / "Broken.VELTOshow", {0x1f, 0x8b, 1, 2, 3}),
        writeFile(dir / "notes.txt", bytesOf("x")),
        dir / "Gone.VELTOshow",
    };
    fs::create_symlink(dir / "Plain.VELTOshow", dir / "Link.VELTOshow");
    files.push_back(dir / "Link.VELTOshow");

    auto host = std::make_shared<FakeHost>();
    auto device = host->addDevice("A", {PresetType::preset, PresetType::userShow});
    auto task = PresetImporter(host).importPresetFiles(*fileDrop(files), device);
    QVERIFY(task);
    QTRY_VERIFY(task->isFinished());

    const std::string badURL = QUrl::fromLocalFile(QString::fromStdString((dir / "BAD.VELTOSHOW").string()))
                                   .toString(QUrl::FullyEncoded)
                                   .toStdString();
    const Texts alerts = dialogs.informativeTexts();
    QCOMPARE(alerts.size(), std::size_t{2});
    QCOMPARE(alerts[0], "File at " + badURL + " is not a valid VELTO file.");
    QCOMPARE(*host->calls, (Texts{"A send Plain 0", "A send Zipped 0", "A send Gz 0", "A send Stage 0",
                                  "A send Link 0", "A list"}));
    for (const auto& name : {"Plain", "Zipped", "Gz", "Link"}) QCOMPARE(device->documents[name], doc);
    QCOMPARE(device->documents["Stage"], textOf(gzip::gzipped(bytesOf("show"))));
    QCOMPARE(host->statuses.front(), std::string("1/6 importing Plain"));
    QCOMPARE(host->storedFor, Texts{"A"});
  }

  void importRefusesTypesTheDeviceDoesNotTake() {
    ScriptedDialogs dialogs;
    PrivateFolder folder("import-test");
    auto file = writeFile(folder.path() / "Stage.vup", bytesOf("show"));
    auto host = std::make_shared<FakeHost>();
    auto device = host->addDevice("A", {PresetType::preset});
    QVERIFY(!PresetOperations(host).dropOnSource(*fileDrop({file}), device));
    const std::string url = QUrl::fromLocalFile(QString::fromStdString(file.string())).toString().toStdString();
    QCOMPARE(dialogs.informativeTexts(), Texts{"File at " + url + " is not not supported by this device."});
    QVERIFY(host->calls->empty());
  }

  void importAfterAllDeletesOnlyNamesThatExist() {
    ScriptedDialogs dialogs;
    dialogs.answers = {1002};
    PrivateFolder folder("import-test");
    std::vector<fs::path> files;
    for (const auto& name : {"A1", "New", "B1"}) files.push_back(writeFile(folder.path() / (std::string(name) + ".VELTOshow"), bytesOf(name)));
    auto host = std::make_shared<FakeHost>();
    auto device = std::make_shared<FakePresetDevice>("D", host->calls);
    device->add(preset("A1"));
    device->add(preset("B1"));
    host->sources = {device};
    host->poll(*device);
    auto task = PresetImporter(host).importPresetFiles(*fileDrop(files), device);
    QVERIFY(task);
    QTRY_VERIFY(task->isFinished());
    QCOMPARE(questionTexts(dialogs), Texts{"Would you like to overwrite \"A1\"? [3]"});
    QCOMPARE(*host->calls, (Texts{"D delete A1 1", "D send A1 0", "D send New 0", "D delete B1 1", "D send B1 0",
                                  "D list"}));
    QCOMPARE(dialogs.alerts.size(), std::size_t{1});
  }

  void importNamesTheFileItCannotRead_data() {
    QTest::addColumn<QString>("dropped");
    QTest::newRow("the file") << "Second.VELTOshow";
    QTest::newRow("a link to it") << "Link.VELTOshow";
  }
  void importNamesTheFileItCannotRead() {
    QFETCH(QString, dropped);
    ScriptedDialogs dialogs;
    PrivateFolder folder("import-test");
    const auto first = writeFile(folder.path() / "First.VELTOshow", bytesOf("doc"));
    const auto second = writeFile(folder.path() / "Second.VELTOshow", bytesOf("doc"));
    fs::create_symlink(second, folder.path() / "Link.VELTOshow");
    auto host = std::make_shared<FakeHost>();
    auto device = host->addDevice("A", {PresetType::preset});
    device->onCall = [&](const std::string& call) {
      if (call == "send First 0") fs::remove(second);  // gone after the drop, before its job
    };
    waitFor(PresetImporter(host).importPresetFiles(*fileDrop({first, folder.path() / dropped.toStdString()}), device));
    QCOMPARE(dialogs.informativeTexts(), Texts{"Could not load preset Second.VELTOshow"});
    QCOMPARE(dialogs.alerts.at(0).messageText, std::string("Error"));
    QCOMPARE(*host->calls, (Texts{"A send First 0", "A list"}));
  }

  void eachOperationsSheetSaysWhatRuns_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<std::string>("title");
    QTest::addColumn<std::string>("subtitle");
    QTest::newRow("backup") << "backup" << std::string("Backup Device(s)")
                            << std::string("All presets will be stored locally as a backup");
    QTest::newRow("sync") << "sync" << std::string("Syncing Devices")
                          << std::string("All of your selected devices will be synced now.");
    QTest::newRow("import") << "import" << std::string("Importing Presets")
                            << std::string("Copying presets to your devices.");
    QTest::newRow("export") << "export" << std::string("Exporting") << std::string("Exporting your presets ...");
  }
  void eachOperationsSheetSaysWhatRuns() {
    QFETCH(QString, operation);
    QFETCH(std::string, title);
    QFETCH(std::string, subtitle);
    ScriptedDialogs dialogs;
    dialogs.answers = {1001};  // the sync keeps no local copy
    PrivateFolder folder("sheet-test");
    dialogs.folders = {folder.path()};  // the backup's folder
    auto host = std::make_shared<FakeHost>();
    auto a = host->addDevice("A", {PresetType::preset});
    auto b = host->addDevice("B", {PresetType::preset});
    a->add(preset("P1"));
    host->poll(*a);
    host->items.push_back({a, preset("P1")});
    PresetOperations operations(host);
    if (operation == "backup") waitFor(DeviceBackup(host).backupClients({a}));
    if (operation == "sync") waitFor(DeviceSync(host).startSync({a, b}, {}));
    if (operation == "import") {
      const auto file = writeFile(folder.path() / "New.VELTOshow", bytesOf("x"));
      waitFor(PresetImporter(host).importPresetFiles(*fileDrop({file}), b));
    }
    if (operation == "export") QCOMPARE(std::unique_ptr<QMimeData>(operations.dragData({0}))->urls().size(), 1);
    QCOMPARE(host->shownTitles, Texts{title});
    QCOMPARE(host->sheet.subtitleText(), subtitle);
  }

  void backupWritesOneFolderPerDeviceWithStatusesOverBoth() {
    ScriptedDialogs dialogs;
    BackupScene scene;
    dialogs.folders = {scene.folder.path()};
    auto task = DeviceBackup(scene.host).backupClients({scene.alpha, scene.b1});
    waitFor(task);
    QCOMPARE(dialogs.choosers.at(0).title, std::string("Backup Device(s)"));
    QCOMPARE(dialogs.choosers.at(0).message, std::string("Select a directory for backing up your presets."));
    QCOMPARE(tree(scene.folder.path()), (Texts{"B1", "B1/Q1.VELTOshow", "B1/Q2.VELTOshow", "SN-Alpha - Alpha",
                                               "SN-Alpha - Alpha/P1.VELTOshow", "SN-Alpha - Alpha/P1.vup",
                                               "SN-Alpha - Alpha/a_b.VELTOshow"}));
    QCOMPARE(contents(scene.folder.path() / "B1/Q2.VELTOshow"), std::string("doc B1 Q2"));
    QCOMPARE(scene.host->statuses,
             (Texts{"1/5 Transfering P1", "1/5 Storing P1", "2/5 Transfering P1", "2/5 Storing P1",
                    "3/5 Transfering a/b", "3/5 Storing a/b", "4/5 Transfering Q1", "4/5 Storing Q1",
                    "5/5 Transfering Q2", "5/5 Storing Q2"}));
    QCOMPARE(scene.host->finishedCount, 1);
    QVERIFY(dialogs.alerts.empty());

    // Again into the same folder: the folders are reused, the files replaced.
    scene.b1->documents["Q2"] = "new Q2";
    dialogs.folders = {scene.folder.path()};
    waitFor(DeviceBackup(scene.host).backupClients({scene.b1}));
    QCOMPARE(contents(scene.folder.path() / "B1/Q2.VELTOshow"), std::string("new Q2"));
    QCOMPARE(tree(scene.folder.path()).size(), std::size_t{7});
  }

  void backupStopsWithTheAlertOfWhatIsMissing_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<std::string>("alert");
    QTest::addColumn<bool>("started");
    QTest::newRow("no folder chosen") << "noFolder" << std::string() << false;
    QTest::newRow("no device info") << "noInfo" << std::string("no device infos available for 127.0.0.66") << false;
    QTest::newRow("no stored list") << "noList" << std::string("no presets available for 127.0.0.66") << false;
    QTest::newRow("a device folder name that is no file name") << "dots" << std::string("Directory for .. could not be created") << true;
    QTest::newRow("a preset name that is no file name") << "dotPreset" << std::string("Could not save preset to disk") << true;
    QTest::newRow("a failing receive") << "receive" << std::string("Could not transfer Q2 from B1") << true;
    QTest::newRow("a list gone after the count") << "listGone" << std::string("no presets available for 127.0.0.66") << true;
  }
  void backupStopsWithTheAlertOfWhatIsMissing() {
    QFETCH(QString, change);
    QFETCH(std::string, alert);
    QFETCH(bool, started);
    ScriptedDialogs dialogs;
    BackupScene scene;
    if (change != "noFolder") dialogs.folders = {scene.folder.path()};
    if (change == "noInfo") scene.host->infos.erase(scene.b1.get());
    if (change == "noList") scene.host->stored.erase(scene.b1.get());
    if (change == "dots") scene.host->infos[scene.b1.get()] = {"..", ".."};
    if (change == "dotPreset") {
      scene.b1->add(preset(".."));
      scene.host->poll(*scene.b1);
    }
    if (change == "receive") scene.b1->failing = {"receive Q2"};
    if (change == "listGone")
      scene.alpha->onCall = [&](const std::string&) { scene.host->stored.erase(scene.b1.get()); };
    auto task = DeviceBackup(scene.host).backupClients({scene.alpha, scene.b1});
    QCOMPARE(task.has_value(), started);
    if (task) waitFor(task);
    QCOMPARE(dialogs.informativeTexts(), alert.empty() ? Texts{} : Texts{alert});
    QVERIFY(!scene.host->sheet.isShown());
  }

  void backupCancelEndsAtTheNextPresetAndAnEmptyBackupClosesItsSheet() {
    ScriptedDialogs dialogs;
    BackupScene scene;
    dialogs.folders = {scene.folder.path(), scene.folder.path()};
    scene.alpha->onCall = [&](const std::string& call) {
      if (call == "receive P1") scene.host->sheet.cancelPressed();
    };
    waitFor(DeviceBackup(scene.host).backupClients({scene.alpha, scene.b1}));
    // The preset under way when cancelled is still stored; nothing after it.
    QCOMPARE(tree(scene.folder.path()), (Texts{"SN-Alpha - Alpha", "SN-Alpha - Alpha/P1.VELTOshow"}));
    QVERIFY(dialogs.alerts.empty());

    auto empty = scene.host->addDevice("Empty", {PresetType::preset});
    waitFor(DeviceBackup(scene.host).backupClients({empty}));
    QVERIFY(fs::is_directory(scene.folder.path() / "SN-Empty - Empty"));
    QVERIFY(!scene.host->sheet.isShown());
  }

  void backupSelectorWantsAtLeastOneDevice() {
    ScriptedDialogs dialogs;
    BackupScene scene;
    PresetOperations(scene.host).backupDevices();
    auto* selector = scene.host->widget.findChild<DeviceSelectorViewController*>();
    QVERIFY(selector);
    QCOMPARE(selector->selection().size(), std::size_t{2});
    selector->selectHandler({});
    QCOMPARE(dialogs.informativeTexts(), Texts{"Please select at least one device!"});
    QVERIFY(selector->isVisible());
    selector->selectHandler({1});  // the folder chooser is cancelled
    QCOMPARE(dialogs.choosers.size(), std::size_t{1});
    QTRY_VERIFY(scene.host->widget.findChild<DeviceSelectorViewController*>() == nullptr);
  }

  void syncWantsTwoDevicesAndLeavesControllersOut() {
    ScriptedDialogs dialogs;
    auto host = std::make_shared<FakeHost>();
    host->addDevice("P", {PresetType::preset});
    auto controller = host->addDevice("R", {PresetType::userShow});
    host->controllers.insert(controller.get());
    PresetOperations(host).syncDevices();
    auto* selector = host->widget.findChild<DeviceSelectorViewController*>();
    QVERIFY(selector);
    QCOMPARE(selector->selection().size(), std::size_t{1});
    QTest::mouseClick(selector->findChild<QPushButton*>("selectButton"), Qt::LeftButton);
    QCOMPARE(dialogs.informativeTexts(), Texts{"Please select at least two devices!"});
    QVERIFY(selector->isVisible());
    QVERIFY(host->shownTitles.empty());
  }

  void syncBringsTwoDevicesAndTheChosenFolderIntoStep() {
    ScriptedDialogs dialogs;
    PrivateFolder folder("sync-test");
    dialogs.folders = {folder.path()};  // "Yes" to the local copy, then this folder
    auto host = std::make_shared<FakeHost>();
    auto a = host->addDevice("A", {PresetType::preset});
    auto b = host->addDevice("B", {PresetType::preset});
    a->add(preset("Pa"));
    b->add(preset("Pb"));
    bool selectorClosed = false;
    auto task = DeviceSync(host).startSync({a, b}, [&] { selectorClosed = true; });
    waitFor(task);
    QVERIFY(selectorClosed);
    QCOMPARE(dialogs.alerts.at(0).informativeText,
             std::string("Would you also like to create a local copy of the synced presets?"));
    QCOMPARE(dialogs.alerts.size(), std::size_t{1});
    QCOMPARE(tree(folder.path()), (Texts{"Pa.VELTOshow", "Pb.VELTOshow"}));
    QCOMPARE(a->documents["Pb"], std::string("doc B Pb"));
    QCOMPARE(b->documents["Pa"], std::string("doc A Pa"));
    QCOMPARE(host->storedFor, (Texts{"A", "B"}));
    QCOMPARE(host->shownTitles, Texts{"Syncing Devices"});
    QVERIFY(!host->sheet.isShown());
    QCOMPARE(host->finishedCount, 1);
  }

  void syncWithoutAFolderUsesAFreshPrivateOne() {
    ScriptedDialogs dialogs;
    dialogs.answers = {1001};  // no local copy
    PrivateFolder temporary("sync-tmp");
    const std::string savedTmp = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    ::setenv("TMPDIR", temporary.path().c_str(), 1);
    std::ofstream(temporary.path() / "Stale.VELTOshow") << "stale";
    auto host = std::make_shared<FakeHost>();
    auto a = host->addDevice("A", {PresetType::preset});
    auto b = host->addDevice("B", {PresetType::preset});
    a->add(preset("Pa"));
    waitFor(DeviceSync(host).startSync({a, b}, {}));
    if (savedTmp.empty()) ::unsetenv("TMPDIR"); else ::setenv("TMPDIR", savedTmp.c_str(), 1);
    QCOMPARE(b->documents["Pa"], std::string("doc A Pa"));
    QCOMPARE(a->documents.count("Stale"), std::size_t{0});
    QCOMPARE(tree(temporary.path()), Texts{"Stale.VELTOshow"});
    QVERIFY(dialogs.choosers.empty());
  }

  void syncFailureAndCancel_data() {
    QTest::addColumn<bool>("cancel");
    QTest::newRow("a failing list request") << false;
    QTest::newRow("cancel") << true;
  }
  void syncFailureAndCancel() {
    QFETCH(bool, cancel);
    ScriptedDialogs dialogs;
    dialogs.answers = {1001};
    auto host = std::make_shared<FakeHost>();
    auto a = host->addDevice("A", {PresetType::preset});
    auto b = host->addDevice("B", {PresetType::preset});
    a->add(preset("Pa"));
    if (cancel) {
      // Pressed while the device answers, as a user would.
      a->delay = std::chrono::milliseconds(5);
      a->onCall = [&](const std::string& call) {
        if (call == "list") host->sheet.cancelPressed();
      };
    } else {
      b->failing = {"list"};
    }
    waitFor(DeviceSync(host).startSync({a, b}, {}));
    QCOMPARE(dialogs.informativeTexts().size(), std::size_t(cancel ? 1 : 2));
    if (!cancel) QCOMPARE(dialogs.informativeTexts().back(), std::string("B failed to list"));
    QVERIFY(b->documents.empty());
    QVERIFY(!host->sheet.isShown());
  }

  void exportWritesCompleteFilesOncePerDrag() {
    ScriptedDialogs dialogs;
    auto host = std::make_shared<FakeHost>();
    auto a = host->addDevice("A", {PresetType::preset, PresetType::userShow});
    a->add(preset("P1"));
    a->add(userShow("Stage"));
    a->add({"P1", std::nullopt, PresetType::preset, std::string("D")});
    for (const auto& name : a->presets) host->items.push_back({a, name});
    PresetOperations operations(host);
    std::unique_ptr<QMimeData> data(operations.dragData({0, 1, 2}));
    QVERIFY(data->hasFormat(presetMimeType(PresetType::preset)));
    QVERIFY(data->hasFormat(presetMimeType(PresetType::userShow)));
    const QList<QUrl> urls = data->urls();
    QCOMPARE(urls.size(), 3);
    Texts names;
    for (const auto& url : urls) {
      const fs::path path = url.toLocalFile().toStdString();
      QVERIFY(path.string().rfind(PresetExporter::exportFolder().string(), 0) == 0);
      names.push_back(path.filename().string() + ": " + contents(path));
    }
    QCOMPARE(names, (Texts{"P1.VELTOshow: doc A P1", "Stage.vup: doc A Stage", "P1_[bkup_D].VELTOshow: doc A P1_[bkup_D]"}));
    QCOMPARE(host->shownTitles, Texts{"Exporting"});
    QCOMPARE(host->statuses, (Texts{"1/3 Storing P1", "2/3 Storing Stage", "3/3 Storing P1"}));
    QVERIFY(!host->sheet.isShown());
    // A second request of the same drag hands out the same files without fetching again.
    QCOMPARE(data->urls(), urls);
    QCOMPARE(host->calls->size(), std::size_t{3});
  }

  void exportHandsOutOnlyCompleteFiles_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<std::string>("alert");
    QTest::addColumn<int>("files");
    QTest::newRow("device gone") << "gone" << std::string("device no longer available") << 0;
    QTest::newRow("second fails") << "fails" << std::string("A failed to receive P2") << 1;
    QTest::newRow("unsafe name") << "unsafe" << std::string("invalid") << 1;
    QTest::newRow("cancel") << "cancel" << std::string() << 1;
  }
  void exportHandsOutOnlyCompleteFiles() {
    QFETCH(QString, change);
    QFETCH(std::string, alert);
    QFETCH(int, files);
    ScriptedDialogs dialogs;
    auto host = std::make_shared<FakeHost>();
    auto a = host->addDevice("A", {PresetType::preset});
    a->add(preset("P1"));
    a->add(preset(change == "unsafe" ? ".." : "P2"));
    a->add(preset("P3"));
    for (const auto& name : a->presets) host->items.push_back({a, name});
    PresetOperations operations(host);
    std::unique_ptr<QMimeData> data(operations.dragData({0, 1, 2}));
    if (change == "gone") host->sources.clear();
    if (change == "fails") a->failing = {"receive P2"};
    if (change == "cancel")
      a->onCall = [&](const std::string& call) {
        if (call == "receive P2") host->sheet.cancelPressed();
      };
    QCOMPARE(data->urls().size(), files);
    const Texts alerts = dialogs.informativeTexts();
    QCOMPARE(alerts.size(), std::size_t{alert.empty() ? 0u : 1u});
    if (!alert.empty() && change != "unsafe") QCOMPARE(alerts[0], alert);
    QVERIFY(std::find(host->calls->begin(), host->calls->end(), "A receive P3") == host->calls->end());
    QVERIFY(!host->sheet.isShown());
  }
};

QTEST_MAIN(PresetOperationsGuiTest)
#include "PresetOperationsGuiTest.moc"
