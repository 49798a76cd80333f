// The preset manager window's operations end to end: a real device manager finds simulated
// processors on 127.33.<case>.x, the window lists them through its notifications, and drops,
// drags, backups and syncs go through the window to the devices. Dialogs are scripted. The cases of
// each operation are tested against fake devices (PresetOperationsGuiTest),
// deleting through the window in PresetManagerWindowGuiTest.

#include <filesystem>
#include <memory>

#include <QMimeData>
#include <QUrl>
#include <QtTest>

#include "app/Devices/DeviceSelectorViewController.h"
#include "app/PresetManager/ClickedRowTableView.h"
#include "app/PresetManager/PresetManagerPresetsViewController.h"
#include "device/Presets/PresetHandler.h"
#include "app/PresetManager/PresetManagerSourcesViewController.h"
#include "app/PresetManager/PresetManagerWindowController.h"
#include "app/PresetManager/PresetStore.h"
#include "app/PresetManager/PrivateFolder.h"
#include "app/PresetManager/SourcesModel.h"
#include "gzip/Gzip.h"
#include "tests/app/Data/DeviceManagerTesting.h"
#include "tests/app/PresetFilesTesting.h"
#include "tests/app/ScriptedDialogs.h"

using namespace app;
using testsupport::DeviceConfig;
using testsupport::SimPreset;
namespace fs = std::filesystem;
using Texts = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;
using Scripted = app::testing::ScriptedDialogs;
using app::testing::contents;
using app::testing::fileDrop;
using app::testing::tree;
using app::testing::writeFile;

namespace {

Bytes bytesOf(const std::string& text) { return {text.begin(), text.end()}; }
std::string textOf(const Bytes& bytes) { return {bytes.begin(), bytes.end()}; }
std::string document(const std::string& label) { return "<Preset name=\"" + label + "\"/>"; }

SimPreset stored(const std::string& name, const std::string& label) {
  SimPreset preset;
  preset.name = name;
  preset.bytes = bytesOf(document(label));
  return preset;
}

// A processor named `name` holding `presets`, each with a document labelled "<name> <preset>".
DeviceConfig processor(int n, const std::string& name, const Texts& presets) {
  auto config = DeviceConfig::processor(n, "", 2);
  config.name = name;
  for (const auto& preset : presets) config.presets.push_back(stored(preset, name + " " + preset));
  return config;
}

// The window over a started device manager and simulated devices of one test case.
class Scene {
 public:
  Scene(int net, std::vector<DeviceConfig> configs) {
    Texts addresses;
    for (std::size_t k = 0; k < configs.size(); ++k) {
      configs[k].address = "127.33." + std::to_string(net) + "." + std::to_string(k + 1);
      configs[k].discoveryPort = 9110;
      addresses.push_back(configs[k].address);
    }
    simulator = std::make_unique<testsupport::DeviceSimulator>(configs);
    simulator->start();
    manager = std::make_unique<DeviceManager>(
        test::configuration(addresses, static_cast<std::uint16_t>(33000 + 10 * net), center));
    store = std::make_unique<DeviceManagerPresetStore>(*manager, center);
    window = std::make_unique<PresetManagerWindowController>(*store);
    window->show();
    manager->startDiscoverer();
    addresses_ = addresses;
  }
  // An operation's task outlives the window for its last steps (storing a fetched list): the
  // store and the manager stay until those have run.
  ~Scene() {
    window.reset();
    QTest::qWait(300);
    manager->stop();
    QTest::qWait(50);
  }

  // Every device listed, with its preset list stored.
  bool ready() {
    return QTest::qWaitFor(
        [this] {
          const auto& clients = window->sourcesViewController().clients();
          if (clients.size() != addresses_.size()) return false;
          for (const auto& client : manager->clients())
            if (!manager->presets(*client)) return false;
          return true;
        },
        10000);
  }
  int row(std::size_t k) const {
    const auto& clients = window->sourcesViewController().clients();
    for (std::size_t r = 0; r < clients.size(); ++r)
      if (clients[r]->deviceIP() == addresses_.at(k)) return static_cast<int>(r);
    return -1;
  }
  PresetClient client(std::size_t k) const { return window->sourcesViewController().clients().at(row(k)); }
  // Lists device k's presets; true once the rows show `count` of them.
  bool showPresetsOf(std::size_t k, std::size_t count) {
    window->sourcesViewController().tableView().selectRow(row(k));
    return QTest::qWaitFor([&] { return window->presetsViewController().presets().size() == count; }, 10000);
  }
  int presetRow(const std::string& name) const {
    const auto& items = window->presetsViewController().presets();
    for (std::size_t r = 0; r < items.size(); ++r)
      if (items[r].name.name == name) return static_cast<int>(r);
    return -1;
  }
  std::unique_ptr<QMimeData> drag(const Texts& names) {
    std::vector<int> rows;
    for (const auto& name : names) rows.push_back(presetRow(name));
    std::sort(rows.begin(), rows.end());
    return std::unique_ptr<QMimeData>(window->makeDragData(rows));
  }
  bool drop(const QMimeData& data, std::size_t k) {
    auto& model = window->sourcesViewController().model();
    return model.dropMimeData(&data, Qt::CopyAction, -1, -1, model.index(row(k), 0));
  }
  bool idle() {
    return QTest::qWaitFor([this] { return !window->showsProgressViewController(); }, 15000);
  }
  // Device k's presets as "name: document", sorted.
  Texts held(std::size_t k) const {
    Texts texts;
    for (const auto& preset : simulator->config(k).presets)
      texts.push_back(preset.baseName() + (preset.userShow ? ".vup" : "") + ": " + textOf(preset.bytes));
    std::sort(texts.begin(), texts.end());
    return texts;
  }
  std::size_t received(std::size_t k, const std::string& address) const {
    return simulator->received(k, address).size();
  }
  // The names the window's stored list of device k holds.
  Texts listed(std::size_t k) const {
    Texts names;
    for (const auto& client : manager->clients())
      if (client->deviceIP() == addresses_.at(k))
        if (auto list = manager->presets(*client))
          for (const auto& name : list->names) names.push_back(name.name);
    std::sort(names.begin(), names.end());
    return names;
  }

  test::LogLines log;  // keeps the manager's log out of the test output
  platform::NotificationCenter center;
  std::unique_ptr<testsupport::DeviceSimulator> simulator;
  std::unique_ptr<DeviceManager> manager;
  std::unique_ptr<DeviceManagerPresetStore> store;
  std::unique_ptr<PresetManagerWindowController> window;

 private:
  Texts addresses_;
};

constexpr const char* kCopyOut = "/VELTOpelion/control/presetCopyToUSB";

}  // namespace

class PresetOperationsSimulatorGuiTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // "All" overwrites every name the target holds: the documents reach it and its list is fetched again.
  void copyAfterAllOverwritesTheNamesTheTargetHolds() {
    Scripted dialogs;
    dialogs.answers = {alertThirdButtonReturn};
    Scene scene(1, {processor(1, "A", {"Verse", "Chorus", "Intro"}), processor(2, "B", {"Verse", "Chorus"})});
    QVERIFY(scene.ready());
    QVERIFY(scene.showPresetsOf(0, 3));
    auto data = scene.drag({"Verse", "Chorus", "Intro"});
    scene.drop(*data, 1);
    QVERIFY(scene.idle());
    QTRY_COMPARE_WITH_TIMEOUT(scene.held(1).size(), std::size_t{3}, 10000);
    QCOMPARE(scene.held(1), (Texts{"Chorus: " + document("A Chorus"), "Intro: " + document("A Intro"),
                                   "Verse: " + document("A Verse")}));
    QCOMPARE(app::testing::questionTexts(dialogs), Texts{"Would you like to overwrite \"Chorus\"? [3]"});
    QCOMPARE(dialogs.alerts.size(), std::size_t{1});
    QTRY_COMPARE_WITH_TIMEOUT(scene.listed(1), (Texts{"Chorus", "Intro", "Verse"}), 10000);
  }

  void aFailingThirdOfFiveEndsTheCopyWithItsAlert() {
    Scripted dialogs;
    auto target = processor(2, "B", {});
    target.behaviour.failingPresets = {"P3"};  // the device refuses to store it
    Scene scene(4, {processor(1, "A", {"P1", "P2", "P3", "P4", "P5"}), target});
    QVERIFY(scene.ready());
    QVERIFY(scene.showPresetsOf(0, 5));
    auto data = scene.drag({"P1", "P2", "P3", "P4", "P5"});
    QVERIFY(scene.drop(*data, 1));
    QTRY_COMPARE_WITH_TIMEOUT(dialogs.informativeTexts(), Texts{"Coult not copy preset \"P3\""}, 10000);
    QVERIFY(scene.idle());
    QCOMPARE(scene.held(1), (Texts{"P1: " + document("A P1"), "P2: " + document("A P2")}));
    QCOMPARE(scene.received(0, kCopyOut), std::size_t{3});  // nothing asked after the failure
    QTRY_COMPARE_WITH_TIMEOUT(scene.listed(1), (Texts{"P1", "P2"}), 10000);
  }

  void importSendsPlainZlibAndGzipFilesAndRefusesUserShows() {
    Scripted dialogs;
    PrivateFolder folder("import-test");
    Scene scene(6, {processor(1, "A", {})});
    QVERIFY(scene.ready());
    const auto text = bytesOf(document("file"));
    const auto plain = writeFile(folder.path() / "Plain.VELTOshow", text);
    const auto zipped = writeFile(folder.path() / "Zipped.VELTOshow", gzip::gzipped(text));
    const auto gz = writeFile(folder.path() / "Gz.VELTOshow", gzip::gzipped(text, gzip::CompressionLevel::defaultCompression(), 31));
    const auto show = writeFile(folder.path() / "Show.vup", text);
    QVERIFY(scene.drop(*fileDrop({plain, zipped, gz, show}), 0));
    QVERIFY(scene.idle());
    const auto url = QUrl::fromLocalFile(QString::fromStdString(show.string())).toString(QUrl::FullyEncoded).toStdString();
    QCOMPARE(dialogs.informativeTexts(), Texts{"File at " + url + " is not not supported by this device."});
    QTRY_COMPARE_WITH_TIMEOUT(scene.held(0).size(), std::size_t{3}, 10000);
    const std::string doc = document("file");
    QCOMPARE(scene.held(0), (Texts{"Gz: " + doc, "Plain: " + doc, "Zipped: " + doc}));
    QTRY_COMPARE_WITH_TIMEOUT(scene.listed(0), (Texts{"Gz", "Plain", "Zipped"}), 10000);
  }

  void backupWritesAFolderPerDevice() {
    Scripted dialogs;
    PrivateFolder folder("backup-test");
    dialogs.folders = {folder.path()};
    Scene scene(8, {processor(1, "Alpha", {"P1", "P2"}), processor(2, "a/b", {"Q1", "Q2", "Q3"})});
    QVERIFY(scene.ready());
    scene.window->backupClients({scene.client(0), scene.client(1)});
    QVERIFY(scene.idle());
    const std::string alpha = "SIM-PROC-1 - Alpha", ab = "SIM-PROC-2 - a_b";
    QCOMPARE(tree(folder.path()), (Texts{alpha, alpha + "/P1.VELTOshow", alpha + "/P2.VELTOshow", ab,
                                         ab + "/Q1.VELTOshow", ab + "/Q2.VELTOshow", ab + "/Q3.VELTOshow"}));
    QCOMPARE(contents(folder.path() / ab / "Q2.VELTOshow"), document("a/b Q2"));
    QVERIFY(dialogs.alerts.empty());
  }

  void syncOfOneDeviceIsRefusedAndTwoDevicesShareTheirPresets() {
    Scripted dialogs;
    PrivateFolder folder("sync-test");
    dialogs.folders = {folder.path()};
    Scene scene(9, {processor(1, "A", {"Pa"}), processor(2, "B", {"Pb"})});
    QVERIFY(scene.ready());
    scene.window->syncDevices();
    auto* selector = scene.window->findChild<DeviceSelectorViewController*>();
    QVERIFY(selector != nullptr);
    selector->selectHandler({0});
    QCOMPARE(dialogs.informativeTexts(), Texts{"Please select at least two devices!"});
    dialogs.alerts.clear();
    dialogs.answers = {alertFirstButtonReturn};
    selector->selectHandler({0, 1});
    QVERIFY(scene.idle());
    QTRY_COMPARE_WITH_TIMEOUT(scene.held(0).size(), std::size_t{2}, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(scene.held(1).size(), std::size_t{2}, 15000);
    QCOMPARE(dialogs.informativeTexts(), Texts{"Would you also like to create a local copy of the synced presets?"});
    for (std::size_t k : {0u, 1u}) QCOMPARE(scene.held(k), (Texts{"Pa: " + document("A Pa"), "Pb: " + document("B Pb")}));
    QCOMPARE(tree(folder.path()), (Texts{"Pa.VELTOshow", "Pb.VELTOshow"}));
    QTRY_VERIFY(scene.window->findChild<DeviceSelectorViewController*>() == nullptr);
  }

  void exportWritesCompleteFilesOfPresentDevices() {
    Scripted dialogs;
    Scene scene(11, {processor(1, "A", {"P1", "P2", "P3"}), processor(2, "B", {"Q1"})});
    QVERIFY(scene.ready());
    QVERIFY(scene.showPresetsOf(0, 3));
    auto data = scene.drag({"P1", "P2", "P3"});
    Texts files;
    for (const auto& url : data->urls()) {
      const fs::path path = url.toLocalFile().toStdString();
      files.push_back(path.filename().string() + ": " + contents(path));
    }
    QCOMPARE(files, (Texts{"P1.VELTOshow: " + document("A P1"), "P2.VELTOshow: " + document("A P2"),
                           "P3.VELTOshow: " + document("A P3")}));
    QVERIFY(dialogs.alerts.empty());
    QVERIFY(scene.idle());

    // The device falls silent and leaves the list before a target asks for the files.
    QVERIFY(scene.showPresetsOf(1, 1));
    auto gone = scene.drag({"Q1"});
    scene.simulator->update(1, [](DeviceConfig& c) { c.behaviour.silent = true; });
    QTRY_COMPARE_WITH_TIMEOUT(scene.window->sourcesViewController().clients().size(), std::size_t{1}, 10000);
    QVERIFY(gone->urls().isEmpty());
    QCOMPARE(dialogs.informativeTexts(), Texts{"device no longer available"});
    QVERIFY(!scene.window->showsProgressViewController());
  }

};

QTEST_MAIN(PresetOperationsSimulatorGuiTest)
#include "PresetOperationsSimulatorGuiTest.moc"
