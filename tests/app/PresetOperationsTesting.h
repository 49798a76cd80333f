#pragma once
// Test support of the preset operations: devices that keep presets in memory and record what they
// are asked, and a headless host whose sheet records its status lines.

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <QWidget>

#include "app/PresetManager/PresetOperationHost.h"
#include "async/Cancellation.h"
#include "device/Presets/PresetHandler.h"

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
