// The preset manager window with scripted device clients: sources that come and go, the presets
// of the selection, the targeted rows of a right-click, deleting (progress, failure, cancel),
// loading, menu enabling, and identify at a simulated device. And its two list models, each watched
// by QAbstractItemModelTester: row building, filtering and order of the presets list, its in-place
// reloads (duplicates included), and the sources list's additions, removals and re-sorting.

#include <chrono>
#include <initializer_list>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include <QAbstractItemModel>
#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QStringList>
#include <QtTest>

#include "../GuiTesting.h"
#include "../ScriptedDialogs.h"
#include "app/Data/DeviceManager.h"
#include "app/PresetManager/ClickedRowTableView.h"
#include "app/PresetManager/PresetClient.h"
#include "app/PresetManager/PresetManagerPresetsViewController.h"
#include "app/PresetManager/PresetManagerSourcesViewController.h"
#include "app/PresetManager/PresetManagerWindowController.h"
#include "app/PresetManager/PresetStore.h"
#include "app/PresetManager/PresetsModel.h"
#include "app/PresetManager/ProgressViewController.h"
#include "app/PresetManager/SourcesModel.h"
#include "async/Cancellation.h"
#include "device/Clients/AppClient.h"
#include "device/Clients/VeltoClient.h"
#include "device/Model/PresetNameList.h"
#include "device/Presets/PresetHandler.h"
#include "simulator/DeviceSimulator.h"

// Test support of the preset manager window: a device client with scripted preset operations, the
// window's store in memory, and list helpers.
namespace app::testing {

// A device's list from list texts ("Name (PRESET)", "Show (USER SHOW)", ...).
inline device::PresetNameList presetNames(std::initializer_list<const char*> texts) {
  device::PresetNameList list;
  for (const char* text : texts) list.append(device::PresetName(std::string_view(text)));
  return list;
}

// The display texts of one column, top to bottom.
inline QStringList columnTexts(const QAbstractItemModel& model, int column = 0) {
  QStringList texts;
  for (int row = 0; row < model.rowCount(); ++row) texts << model.index(row, column).data().toString();
  return texts;
}

// A real VeltoClient (aimed at a simulated device when a test wants its identify()), whose device info
// and type the test sets, and whose PresetHandler operations work on a name list in memory. Used from
// the GUI thread only (main tasks).
class FakePresetClient : public device::VeltoClient, public device::PresetHandler {
 public:
  FakePresetClient(Key key, std::string ip, std::uint16_t port, std::vector<device::PresetType> types,
                   Options options = {})
      : VeltoClient(key, std::move(ip), port, 0, std::nullopt, std::nullopt, "tbraxl", device::SoftwareVersion(1, 0, 0),
                    options),
        types_(std::move(types)) {}

  // Types: processor (presets only), app (presets and user shows), controller (user shows only).
  static std::shared_ptr<FakePresetClient> make(std::string ip, std::optional<std::string> name,
                                                std::optional<device::DeviceType> type, std::uint16_t port = 9000,
                                                Options options = {}) {
    using device::PresetType;
    std::vector<PresetType> types{PresetType::preset};
    if (type && type->value() == device::DeviceType::Value::app) types = {PresetType::preset, PresetType::userShow};
    if (type && type->value() == device::DeviceType::Value::rotaver) types = {PresetType::userShow};
    auto client = VeltoClient::make<FakePresetClient>(std::move(ip), port, std::move(types), options);
    client->withState([&](State& state) {
      state.deviceType = type;
      if (name) {
        state.deviceInfo = device::UserInfo::Device("SN-" + *name, type.value_or(device::DeviceType::pelion(4)),
                                                    client->VeltoClient::deviceIP(), port,
                                                    device::SoftwareVersion(3, 0, 0), *name, 8, 4, "UID-" + *name);
      }
    });
    return client;
  }

  // --- Script and record. ---
  device::PresetNameList list;
  std::set<std::string> failingDeletes;  // names whose deletion fails
  std::optional<std::string> loadError;  // a load throws this text
  std::chrono::milliseconds delay{0};    // each deletion waits this long (cancellable)
  std::vector<std::string> deleted;
  std::vector<std::string> loaded;
  int listRequests = 0;
  // Runs as each deletion begins (to look at the progress sheet then).
  std::function<void(const device::PresetName&)> onDelete;

  // --- PresetHandler. ---
  std::string deviceIP() const override { return VeltoClient::deviceIP(); }
  std::uint16_t devicePort() const override { return VeltoClient::devicePort(); }
  std::uint16_t listenPort() const override { return VeltoClient::listenPort(); }
  bool isOnline() const override { return true; }
  std::string description() const override { return VeltoClient::description(); }
  std::shared_ptr<device::PresetSegmentHandler> presetSegmentHandler() const override { return segments_; }
  std::vector<device::PresetType> supportedPresetTypes() const override { return types_; }

  Task<device::PresetNameList> requestPresetList(std::uint64_t) override {
    ++listRequests;
    co_return list;
  }
  Task<void> loadPreset(device::PresetName name, std::uint64_t) override {
    if (loadError) throw std::runtime_error(*loadError);
    loaded.push_back(name.name);
    co_return;
  }
  Task<void> deletePreset(device::PresetName name, bool) override {
    if (onDelete) onDelete(name);
    if (delay.count() > 0) co_await async::sleep(delay);
    if (failingDeletes.count(name.name) != 0) throw std::runtime_error("File not found.");
    for (auto it = list.names.begin(); it != list.names.end(); ++it) {
      if (*it == name) {
        list.names.erase(it);
        break;
      }
    }
    deleted.push_back(name.name);
  }
  Task<bool> sendPreset(std::vector<std::uint8_t>, device::PresetName, bool) override { throw unsupported(); }
  Task<device::PresetData> receivePreset(device::PresetName, int, std::uint64_t) override { throw unsupported(); }
  Task<void> savePreset(device::PresetName, std::uint64_t) override { throw unsupported(); }

 private:
  static std::logic_error unsupported() { return std::logic_error("not scripted"); }

  std::vector<device::PresetType> types_;
  std::shared_ptr<device::PresetSegmentHandler> segments_ = device::PresetSegmentHandler::make();
};

// The window's store without a device manager: online clients and stored lists in memory, and the
// four notifications posted on its own center, as the device manager posts them.
class FakePresetStore : public PresetStore {
 public:
  std::vector<Client> clients() const override {
    std::lock_guard lock(mutex_);
    return online_;
  }
  std::optional<device::PresetNameList> presets(const device::VeltoClient& client) const override {
    std::lock_guard lock(mutex_);
    auto found = lists_.find(&client);
    if (found == lists_.end()) return std::nullopt;
    return found->second;
  }
  void setPresets(device::PresetNameList presets, Client client) override {
    {
      std::lock_guard lock(mutex_);
      lists_[client.get()] = presets;
    }
    center_.post(DeviceManager::kPresetsAdded, nullptr,
                 {{DeviceManager::kClientKey, client}, {DeviceManager::kPresetsKey, std::move(presets)}});
  }
  platform::NotificationCenter& notificationCenter() const override { return center_; }

  // A device connects (listed at once, announced after) or goes.
  void connect(const Client& client) {
    {
      std::lock_guard lock(mutex_);
      online_.push_back(client);
    }
    center_.post(DeviceManager::kSourceAdded, nullptr, {{DeviceManager::kClientKey, client}});
  }
  void disconnect(const Client& client) {
    {
      std::lock_guard lock(mutex_);
      std::erase(online_, client);
    }
    center_.post(DeviceManager::kSourceRemoved, nullptr, {{DeviceManager::kClientKey, client}});
  }

 private:
  mutable std::mutex mutex_;
  mutable platform::NotificationCenter center_;
  std::vector<Client> online_;
  std::map<const device::VeltoClient*, device::PresetNameList> lists_;
};

}  // namespace app::testing


using app::ClickedRowTableView;
using app::PresetManagerWindowController;
using app::PresetsModel;
using app::SourcesModel;
using namespace app::testing;
using device::DeviceType;
using device::PresetName;
using device::PresetNameList;

namespace {

// Right-clicks `row` of the table (the selection stays), opening its context menu.
QMenu& openMenuAt(ClickedRowTableView& view, QMenu& menu, int row) {
  auto center = view.visualRect(view.model()->index(row, 0)).center();
  QContextMenuEvent event(QContextMenuEvent::Mouse, center, view.viewport()->mapToGlobal(center));
  QApplication::sendEvent(view.viewport(), &event);
  return menu;
}

QAction* action(QMenu& menu, const char* name) { return menu.findChild<QAction*>(name); }

void select(ClickedRowTableView& view, std::initializer_list<int> selected) {
  view.clearSelection();
  for (int row : selected) {
    view.selectionModel()->select(view.model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
}

}  // namespace

class PresetManagerWindowGuiTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<FakePresetStore> store_;
  std::unique_ptr<app::testing::ScriptedDialogs> dialogs_;
  std::unique_ptr<PresetManagerWindowController> window_;

  void openWindow() {
    window_ = std::make_unique<PresetManagerWindowController>(*store_);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }
  ClickedRowTableView& sourcesTable() { return window_->sourcesViewController().tableView(); }
  ClickedRowTableView& presetsTable() { return window_->presetsViewController().tableView(); }
  QMenu& presetsMenu() { return window_->presetsViewController().menu(); }
  app::ProgressSheet& sheet() { return window_->progressViewController().sheet(); }

  // One processor with three presets, listed and selected.
  std::shared_ptr<FakePresetClient> showStageWithThreePresets() {
    auto stage = FakePresetClient::make("127.0.0.2", "Stage", DeviceType::pelion(4));
    stage->list = presetNames({"A (PRESET)", "B (PRESET)", "C (PRESET)", "default (PRESET)"});
    store_->setPresets(stage->list, stage);
    store_->connect(stage);
    openWindow();
    select(sourcesTable(), {0});
    [&] { QTRY_COMPARE(window_->presetsViewController().presets().size(), std::size_t{3}); }();
    return stage;
  }

 private Q_SLOTS:
  void init() {
    store_ = std::make_unique<FakePresetStore>();
    dialogs_ = std::make_unique<app::testing::ScriptedDialogs>();
  }
  void cleanup() {
    window_.reset();
    QTest::qWait(20);  // tasks posted by the test end before their clients go
    dialogs_.reset();
    store_.reset();
  }

  void theSheetsStateFollowsItsThreeWaysOfClosing() {
    openWindow();
    std::vector<std::string> events;
    auto record = [&] {
      events.push_back(std::string("cancel:") + (window_->showsProgressViewController() ? "shown" : "hidden") + ":" +
                       std::to_string(window_->maxFilePromiseCounter()));
    };
    // Cancel: the sheet's finish resets the state before the operation's cancel action runs.
    window_->showProgress("Export", std::nullopt, 0, record);
    QVERIFY(sheet().isIndeterminate());
    QCOMPARE(sheet().maximum(), 100);
    QCOMPARE(sheet().subtitleText(), std::string());
    window_->setMaxFilePromiseCounter(4);
    app::testing::pressCancel(window_->progressViewController(), true);
    QCOMPARE(events, std::vector<std::string>{"cancel:hidden:0"});
    QTRY_VERIFY(!window_->progressViewController().isVisible());
    window_->closeProgressAfterFailure();  // the failure after a cancel closes nothing twice

    // By itself at its maximum; an error path afterwards does nothing.
    window_->showProgress("Copy", "to Stage", 2, {});
    QTRY_VERIFY(window_->progressViewController().isVisible());
    window_->setMaxFilePromiseCounter(2);
    window_->setProgressValue(2);
    QVERIFY(!window_->showsProgressViewController());
    QCOMPARE(window_->maxFilePromiseCounter(), 0);
    QTRY_VERIFY(!window_->progressViewController().isVisible());

    // By the owner after a failure: no handler, the counter stays.
    window_->showProgress("Copy", "to Stage", 5, record);
    window_->setMaxFilePromiseCounter(3);
    window_->closeProgressAfterFailure();
    QVERIFY(!window_->showsProgressViewController());
    QCOMPARE(window_->maxFilePromiseCounter(), 3);
    QCOMPARE(events.size(), std::size_t{1});
    QTRY_VERIFY(!window_->progressViewController().isVisible());
  }

  void sourcesComeAndGoAndTheSelectionFollowsItsDevice() {
    auto zeta = FakePresetClient::make("127.0.0.9", "zeta", DeviceType::pelion(4));
    auto alpha = FakePresetClient::make("127.0.0.8", "Alpha", DeviceType::rotaver());
    store_->connect(zeta);
    store_->connect(alpha);
    openWindow();
    auto& model = window_->sourcesViewController().model();
    QCOMPARE(columnTexts(model), (QStringList{"zeta@127.0.0.9", "Alpha@127.0.0.8"}));
    select(sourcesTable(), {0});
    QCOMPARE(window_->presetsViewController().clients(), std::vector<app::PresetClient>{zeta});

    // Devices come from the manager's threads; a client that handles no presets is left out.
    auto beta = FakePresetClient::make("127.0.0.7", "beta", DeviceType::app());
    auto plain = device::VeltoClient::make("127.0.0.6", 9000, 0, std::nullopt, std::nullopt, "tbraxl",
                                           device::SoftwareVersion(1, 0, 0));
    std::thread([&] {
      store_->connect(beta);
      store_->connect(plain);
      store_->connect(beta);
    }).join();
    QTRY_COMPARE(columnTexts(model), (QStringList{"Alpha@127.0.0.8", "beta@127.0.0.7", "zeta@127.0.0.9"}));
    QCOMPARE(sourcesTable().selectedRows(), std::vector<int>{2});
    QCOMPARE(window_->presetsViewController().clients(), std::vector<app::PresetClient>{zeta});

    std::thread([&] { store_->disconnect(zeta); }).join();
    QTRY_COMPARE(columnTexts(model), (QStringList{"Alpha@127.0.0.8", "beta@127.0.0.7"}));
    QVERIFY(window_->presetsViewController().clients().empty());
  }

  void theDeviceColumnShowsForTwoClientsAndNotificationsReload() {
    auto stage = FakePresetClient::make("127.0.0.2", "Stage", DeviceType::pelion(4));
    auto side = FakePresetClient::make("127.0.0.3", "Side", DeviceType::pelion(4));
    store_->connect(stage);
    store_->connect(side);
    openWindow();
    select(sourcesTable(), {0});
    QVERIFY(presetsTable().isColumnHidden(PresetsModel::deviceColumn));
    select(sourcesTable(), {0, 1});
    QVERIFY(!presetsTable().isColumnHidden(PresetsModel::deviceColumn));
    std::thread([&] { store_->setPresets(presetNames({"gamma (PRESET)", "alpha (PRESET)"}), side); }).join();
    std::thread([&] { store_->setPresets(presetNames({"Beta (PRESET)"}), stage); }).join();
    QTRY_COMPARE(columnTexts(window_->presetsViewController().model()), (QStringList{"alpha", "Beta", "gamma"}));
  }

  void rightClickTargetsTheSelectionPlusItsRow() {
    auto stage = showStageWithThreePresets();
    select(presetsTable(), {0, 2});
    auto& menu = openMenuAt(presetsTable(), presetsMenu(), 1);
    QCOMPARE(presetsTable().targetedRows(), (std::vector<int>{0, 1, 2}));
    QVERIFY(action(menu, "deletePresetsPressed")->isEnabled());
    QVERIFY(!action(menu, "loadPresetPressed")->isEnabled());
    QCOMPARE(presetsTable().selectedRows(), (std::vector<int>{0, 2}));  // the right-click kept it
    app::testing::saveScreenshot(*window_, "preset-manager-menu");
    action(menu, "deletePresetsPressed")->trigger();
    menu.hide();
    QTRY_COMPARE(stage->deleted, (std::vector<std::string>{"A", "B", "C"}));
    QTRY_COMPARE(presetsTable().clickedRow(), -1);

    // Right-clicking empty space with nothing selected enables nothing.
    QTRY_VERIFY(window_->presetsViewController().presets().empty());
    presetsTable().clearSelection();
    auto& empty = openMenuAt(presetsTable(), presetsMenu(), 5);
    QVERIFY(!action(empty, "deletePresetsPressed")->isEnabled());
    QVERIFY(!action(empty, "loadPresetPressed")->isEnabled());
    empty.hide();
  }

  void deletingThreeCountsClosesAndRefreshes() {
    auto stage = showStageWithThreePresets();
    struct Seen {
      int value;
      std::string status;
      bool shown;
    };
    std::vector<Seen> seen;
    stage->onDelete = [&](const PresetName&) {
      seen.push_back({sheet().value(), sheet().statusText(), sheet().isShown()});
    };
    select(presetsTable(), {0, 1, 2});
    window_->presetsViewController().deletePresetsPressed();
    QVERIFY(window_->showsProgressViewController());
    QCOMPARE(sheet().titleText(), std::string("Delete"));
    QCOMPARE(sheet().subtitleText(), std::string("Deleting your selected presets."));
    QTRY_COMPARE(stage->listRequests, 1);
    QCOMPARE(seen.size(), std::size_t{3});
    const char* statuses[] = {"1/3 Deleting A", "2/3 Deleting B", "3/3 Deleting C"};
    for (int k = 0; k < 3; ++k) {
      QCOMPARE(seen[k].value, k + 1);
      QCOMPARE(seen[k].status, std::string(statuses[k]));
      QCOMPARE(seen[k].shown, k < 2);  // the sheet closes as the last deletion begins
    }
    QVERIFY(!window_->showsProgressViewController());
    // The refreshed list reaches the rows through the store's notification.
    QTRY_VERIFY(window_->presetsViewController().presets().empty());
    QVERIFY(dialogs_->alerts.empty());
  }

  void aFailedSecondDeletionStopsWithAnAlert() {
    auto stage = showStageWithThreePresets();
    stage->failingDeletes = {"B"};
    select(presetsTable(), {0, 1, 2});
    window_->presetsViewController().deletePresetsPressed();
    QTRY_COMPARE(dialogs_->informativeTexts(), std::vector<std::string>{"Could not delete Preset(s)!"});
    QCOMPARE(dialogs_->alerts[0].messageText, std::string("Error"));
    QCOMPARE(dialogs_->windows[0], static_cast<QWidget*>(window_.get()));
    QCOMPARE(stage->deleted, std::vector<std::string>{"A"});
    QVERIFY(!window_->showsProgressViewController());
    QTRY_VERIFY(!window_->progressViewController().isVisible());
    QTest::qWait(50);
    QCOMPARE(stage->listRequests, 0);  // nothing refreshed
  }

  void cancelStopsTheDeletionSilently() {
    auto stage = showStageWithThreePresets();
    stage->delay = std::chrono::milliseconds(300);
    select(presetsTable(), {0, 1, 2});
    window_->presetsViewController().deletePresetsPressed();
    QTRY_COMPARE(stage->deleted.size(), std::size_t{1});
    app::testing::pressCancel(window_->progressViewController(), false);
    QVERIFY(!window_->showsProgressViewController());
    QTest::qWait(700);  // past the end of the deletion under way
    QCOMPARE(stage->deleted, std::vector<std::string>{"A"});
    QVERIFY(dialogs_->alerts.empty());
    QCOMPARE(stage->listRequests, 0);
  }

  void loadAsksFirstAndReportsFailures() {
    auto stage = showStageWithThreePresets();
    select(presetsTable(), {1});
    struct Case {
      int answer;
      std::optional<std::string> error;
      std::vector<std::string> loaded;
      std::vector<std::string> texts;  // informative texts after the question's
    };
    const Case cases[] = {
        {app::alertSecondButtonReturn, std::nullopt, {}, {}},
        {app::alertFirstButtonReturn, std::nullopt, {"B"}, {}},
        {app::alertFirstButtonReturn, "Preset not found.", {"B"}, {"Could not load Preset!\nPreset not found."}},
    };
    for (const auto& c : cases) {
      dialogs_->alerts.clear();
      dialogs_->answers = {c.answer};
      stage->loadError = c.error;
      window_->presetsViewController().loadPresetPressed();
      QTest::qWait(50);
      QCOMPARE(stage->loaded, c.loaded);
      QVERIFY(!dialogs_->alerts.empty());
      const auto& question = dialogs_->alerts[0];
      QCOMPARE(question.messageText, std::string("Warning!"));
      QCOMPARE(question.informativeText,
               std::string("Are you sure you want to load \"B\" on \"Stage\" This will overwrite all current "
                           "settings on the processor!"));
      QCOMPARE(question.buttons, (std::vector<std::string>{"Load", "Cancel"}));
      std::vector<std::string> rest;
      for (std::size_t k = 1; k < dialogs_->alerts.size(); ++k) rest.push_back(dialogs_->alerts[k].informativeText);
      QCOMPARE(rest, c.texts);
    }
  }

  void anAppsUserShowCannotBeLoaded() {
    auto laptop =
        device::VeltoClient::make<device::AppClient>("127.0.0.5", std::uint16_t{9000}, std::uint16_t{0}, std::nullopt,
                                                     std::nullopt, "tbraxl", device::SoftwareVersion(1, 0, 0));
    auto rotaver = FakePresetClient::make("127.0.0.4", "Pad", DeviceType::rotaver());
    store_->setPresets(presetNames({"Live (USER SHOW)", "Song (PRESET)"}), laptop);
    store_->setPresets(presetNames({"Mix (USER SHOW)"}), rotaver);
    store_->connect(laptop);
    store_->connect(rotaver);
    openWindow();
    select(sourcesTable(), {0, 1});
    QTRY_COMPARE(columnTexts(window_->presetsViewController().model()), (QStringList{"Live", "Mix", "Song"}));
    const bool loadable[] = {false, true, true};
    for (int row = 0; row < 3; ++row) {
      presetsTable().clearSelection();
      auto& menu = openMenuAt(presetsTable(), presetsMenu(), row);
      QCOMPARE(action(menu, "loadPresetPressed")->isEnabled(), loadable[row]);
      menu.hide();
      QTRY_COMPARE(presetsTable().clickedRow(), -1);
    }
  }

  void identifyMakesTheSimulatedDevicesBlink() {
    auto config = testsupport::DeviceConfig::processor(1, "127.0.0.61", 4);
    config.discoveryPort = config.companionPort = 0;
    testsupport::DeviceSimulator simulator{{config}};
    simulator.start();
    device::VeltoClientOptions options;
    options.appPort = simulator.companionPort(0);
    auto stage =
        FakePresetClient::make("127.0.0.61", "Stage", DeviceType::pelion(4), simulator.controlPort(0), options);
    auto side = FakePresetClient::make("127.0.0.62", "Side", DeviceType::pelion(4));
    store_->connect(side);
    store_->connect(stage);
    openWindow();
    auto& menu = openMenuAt(sourcesTable(), window_->sourcesViewController().menu(), 1);
    QVERIFY(action(menu, "identifyPressed")->isEnabled());
    action(menu, "identifyPressed")->trigger();
    menu.hide();
    // The row is taken at once: the list changes before the task runs.
    store_->disconnect(stage);
    // The event loop runs the task meanwhile.
    QTRY_COMPARE(simulator.received(0, "/VELTOpelion/Hardware/DisplayBlink").size(), std::size_t{1});
    QTRY_COMPARE(simulator.received(0, "/Va/control/confirmation").size(), std::size_t{1});
    auto confirmations = simulator.received(0, "/Va/control/confirmation");
    QCOMPARE(confirmations[0].port, testsupport::SimPort::companion);
  }

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

QTEST_MAIN(PresetManagerWindowGuiTest)
#include "PresetManagerWindowGuiTest.moc"
