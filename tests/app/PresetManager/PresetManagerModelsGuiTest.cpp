// The two list models of the preset manager window, each watched by QAbstractItemModelTester:
// row building, filtering and order of the presets list, its in-place reloads (duplicates
// included), and the sources list's additions, removals and re-sorting.

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

#include "PresetManagerTesting.h"
#include "app/PresetManager/PresetClient.h"
#include "app/PresetManager/PresetsModel.h"
#include "app/PresetManager/SourcesModel.h"

using app::PresetsModel;
using app::SourcesModel;
using app::testing::columnTexts;
using app::testing::FakePresetClient;
using app::testing::FakePresetStore;
using app::testing::presetNames;
using device::DeviceType;
using device::PresetNameList;

class PresetManagerModelsGuiTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void presetRowsAreFilteredAndSortedByLowerCasedName() {
    FakePresetStore store;
    auto stage = FakePresetClient::make("127.0.0.2", "Stage", DeviceType::pelion(4));
    auto laptop = FakePresetClient::make("127.0.0.3", "Laptop", DeviceType::app());
    auto unknown = FakePresetClient::make("127.0.0.4", std::nullopt, std::nullopt);
    store.setPresets(presetNames({"gamma (PRESET)", "Alpha (PRESET)", "Default (PRESET)", "Show (USER SHOW)",
                                  "Old_[bkup_2023-01-01] (PRESET)"}),
                     stage);
    store.setPresets(presetNames({"alpha (PRESET)", "Beta (USER SHOW)", "DEFAULTOFF (PRESET)", "default (USER SHOW)"}),
                     laptop);
    PresetsModel model(store);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);

    model.setClients({stage, laptop, unknown});  // `unknown` has no stored list
    // Equal lower-cased names keep client order; the processor's user show, back-ups and defaults go.
    QCOMPARE(columnTexts(model, PresetsModel::nameColumn), (QStringList{"Alpha", "alpha", "Beta", "gamma"}));
    QCOMPARE(columnTexts(model, PresetsModel::deviceColumn), (QStringList{"Stage", "Laptop", "Laptop", "Stage"}));
    model.setClients({laptop, stage});
    QCOMPARE(columnTexts(model, PresetsModel::nameColumn), (QStringList{"alpha", "Alpha", "Beta", "gamma"}));
    // A device that has not reported its information is named by its address.
    store.setPresets(presetNames({"Solo (PRESET)"}), unknown);
    model.setClients({unknown});
    QCOMPARE(columnTexts(model, PresetsModel::deviceColumn), QStringList{"127.0.0.4"});
    QCOMPARE(model.draggableRows({0}), std::vector<int>{});
  }

  void reloadsKeepStayingRowsAlsoWithDuplicates() {
    FakePresetStore store;
    auto stage = FakePresetClient::make("127.0.0.2", "Stage", DeviceType::pelion(4));
    auto side = FakePresetClient::make("127.0.0.3", "Side", DeviceType::pelion(4));
    store.setPresets(presetNames({"X (PRESET)", "X (PRESET)", "Y (PRESET)"}), stage);
    store.setPresets(presetNames({"X (PRESET)"}), side);
    PresetsModel model(store);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setClients({stage, side});
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

    struct Step {
      PresetNameList stageList;
      QStringList devices;  // of the rows after the reload
      int removals, insertions;
    };
    const Step steps[] = {
        {presetNames({"X (PRESET)", "Y (PRESET)"}), {"Stage", "Side", "Y"}, 1, 0},
        {presetNames({"X (PRESET)", "X (PRESET)", "X (PRESET)", "Y (PRESET)"}),
         {"Stage", "Stage", "Stage", "Side", "Y"},
         0,
         2},
        {presetNames({"X (PRESET)", "X (PRESET)", "X (PRESET)", "Y (PRESET)"}),
         {"Stage", "Stage", "Stage", "Side", "Y"},
         0,
         0},
        {presetNames({"Y (PRESET)", "Z (PRESET)"}), {"Side", "Y", "Z"}, 3, 1},
    };
    for (const auto& step : steps) {
      removed.clear();
      inserted.clear();
      store.setPresets(step.stageList, stage);
      model.reloadPresets();
      QStringList shown;
      for (int row = 0; row < model.rowCount(); ++row) {
        const auto& item = model.presets()[static_cast<std::size_t>(row)];
        shown << (item.name.name == "X" ? model.index(row, PresetsModel::deviceColumn).data().toString()
                                        : QString::fromStdString(item.name.name));
      }
      QCOMPARE(shown, step.devices);
      QCOMPARE(removed.count(), step.removals);
      QCOMPARE(inserted.count(), step.insertions);
    }
    QCOMPARE(reset.count(), 0);
    // Staying rows that swap places (equal names, client order changed) reset the model.
    store.setPresets(presetNames({"X (PRESET)"}), stage);
    model.reloadPresets();
    model.setClients({side, stage});
    QCOMPARE(reset.count(), 1);
    QCOMPARE(columnTexts(model, PresetsModel::deviceColumn), (QStringList{"Side", "Stage"}));
  }

  void sourcesKeepTheirRowsWhenAnAdditionSortsTheList() {
    auto zeta = FakePresetClient::make("127.0.0.9", "zeta", DeviceType::pelion(4));
    auto alpha = FakePresetClient::make("127.0.0.8", "Alpha", DeviceType::rotaver());
    auto address = FakePresetClient::make("127.0.0.5", std::nullopt, std::nullopt);
    auto beta = FakePresetClient::make("127.0.0.7", "beta", DeviceType::app());
    SourcesModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setClients({zeta, alpha});  // the first rows keep the manager's order
    QCOMPARE(columnTexts(model, 0), (QStringList{"zeta@127.0.0.9", "Alpha@127.0.0.8"}));
    QPersistentModelIndex zetaRow = model.index(0, 0);

    model.clientAdded(beta);
    QCOMPARE(columnTexts(model, 0), (QStringList{"Alpha@127.0.0.8", "beta@127.0.0.7", "zeta@127.0.0.9"}));
    QCOMPARE(zetaRow.row(), 2);  // persistent indexes (selections) follow their device
    for (int row = 0; row < model.rowCount(); ++row) {
      QCOMPARE(QString::fromStdString(app::sourceTitle(*model.client(row))), model.index(row, 0).data().toString());
    }
    model.clientAdded(address);  // sorted by its address, "1" before "A"
    model.clientAdded(beta);     // already listed
    QCOMPARE(columnTexts(model, 0), (QStringList{"127.0.0.5", "Alpha@127.0.0.8", "beta@127.0.0.7", "zeta@127.0.0.9"}));
    QStringList icons;
    for (int row = 0; row < model.rowCount(); ++row)
      icons << model.index(row, 0).data(SourcesModel::iconNameRole).toString();
    QCOMPARE(icons, (QStringList{"questionmark.app", "gamecontroller", "laptopcomputer", "music.note.tv"}));
    QVERIFY(!model.index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());

    model.clientRemoved(alpha);
    model.clientRemoved(alpha);  // not listed any more
    QCOMPARE(columnTexts(model, 0), (QStringList{"127.0.0.5", "beta@127.0.0.7", "zeta@127.0.0.9"}));
    QCOMPARE(zetaRow.row(), 2);
  }
};

QTEST_MAIN(PresetManagerModelsGuiTest)
#include "PresetManagerModelsGuiTest.moc"
