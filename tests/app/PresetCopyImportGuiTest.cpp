// The copy of dragged presets onto a device and the import of dropped preset files.

#include <filesystem>
#include <memory>

#include <QMimeData>
#include <QUrl>
#include <QtTest>

#include "app/PresetManager/PresetOperations.h"
#include "app/PresetManager/PrivateFolder.h"
#include "gzip/Gzip.h"
#include "tests/app/PresetFilesTesting.h"
#include "tests/app/PresetOperationsTesting.h"
#include "tests/app/ScriptedDialogs.h"

using namespace app;
using namespace app::testing;
namespace fs = std::filesystem;

namespace {

using Texts = std::vector<std::string>;

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

}  // namespace

class PresetCopyImportGuiTest : public QObject {
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
};

QTEST_MAIN(PresetCopyImportGuiTest)
#include "PresetCopyImportGuiTest.moc"
