// The preset manager window over the device manager and real device clients of simulated devices:
// the presets of a processor, and deleting two of them at the device, after which the device's
// fresh list reaches the rows through the manager's notifications.

#include <QtTest>

#include "../DevicesTesting.h"
#include "../ScriptedDialogs.h"
#include "app/PresetManager/ClickedRowTableView.h"
#include "app/PresetManager/PresetClient.h"
#include "app/PresetManager/PresetManagerPresetsViewController.h"
#include "app/PresetManager/PresetManagerSourcesViewController.h"
#include "app/PresetManager/PresetManagerWindowController.h"
#include "app/PresetManager/PresetStore.h"
#include "app/PresetManager/PresetsModel.h"
#include "app/PresetManager/SourcesModel.h"

using app::testing::SimulatedDevices;
using testsupport::DeviceConfig;
using testsupport::SimPreset;

class PresetManagerSimulatorGuiTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void deletesPresetsAtTheDeviceAndFollowsItsList() {
    auto config = app::testing::named(DeviceConfig::processor(1, ""), "Stage");
    for (const char* name : {"Verse", "chorus", "Bridge", "default"}) config.presets.push_back(SimPreset{name});
    SimulatedDevices devices({config}, 60);
    QVERIFY(devices.connect(0));
    app::testing::ScriptedDialogs dialogs;
    app::DeviceManagerPresetStore store(devices.manager(), devices.center);
    app::PresetManagerWindowController window(store);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // The manager announces the device and stores its first list.
    auto client = devices.clients[0];
    devices.post(app::DeviceManager::kSourceAdded, 0);
    QTRY_COMPARE(window.sourcesViewController().model().rowCount(), 1);
    QCOMPARE(window.sourcesViewController().model().index(0, 0).data().toString(),
             QString("Stage@") + QString::fromStdString(client->deviceIP()));
    auto handler = app::asPresetClient(client);
    auto listed = async::spawn([handler]() { return handler->requestPresetList(2'000'000'000); });
    QVERIFY(app::testing::finishes(listed));
    devices.manager().setPresets(listed.get(), client);
    window.sourcesViewController().tableView().selectRow(0);
    auto& presets = window.presetsViewController();
    auto names = [&presets] {
      QStringList texts;
      for (const auto& item : presets.presets()) texts << QString::fromStdString(item.name.name);
      return texts;
    };
    QTRY_COMPARE(names(), (QStringList{"Bridge", "chorus", "Verse"}));

    presets.tableView().selectRow(0);
    presets.tableView().selectionModel()->select(presets.model().index(2, 0),
                                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
    presets.deletePresetsPressed();
    QTRY_COMPARE(names(), QStringList{"chorus"});
    std::vector<std::string> left;
    for (const auto& preset : devices.simulator->config(0).presets) left.push_back(preset.name);
    QCOMPARE(left, (std::vector<std::string>{"chorus", "default"}));
    QVERIFY(!window.showsProgressViewController());
    QVERIFY(dialogs.alerts.empty());
  }
};

QTEST_MAIN(PresetManagerSimulatorGuiTest)
#include "PresetManagerSimulatorGuiTest.moc"
