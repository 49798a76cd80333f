#include "device/Presets/PresetHandler.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "async/TaskHandle.h"

namespace {

using device::Preset;
using device::PresetName;
using device::PresetType;

// A client that records the requests the shared operations make of it.
class FakeClient : public device::PresetHandler {
 public:
  explicit FakeClient(std::vector<PresetType> types, std::uint16_t port = 1)
      : types_(std::move(types)), port_(port) {}

  std::vector<std::string> calls;

  std::string deviceIP() const override { return "127.0.0.1"; }
  std::uint16_t devicePort() const override { return port_; }
  std::uint16_t listenPort() const override { return 9000; }
  bool isOnline() const override { return true; }
  std::string description() const override { return "fake"; }
  std::shared_ptr<device::PresetSegmentHandler> presetSegmentHandler() const override { return segments_; }
  std::vector<PresetType> supportedPresetTypes() const override { return types_; }

  Task<device::PresetNameList> requestPresetList(std::uint64_t) override { co_return device::PresetNameList{}; }
  Task<void> loadPreset(PresetName, std::uint64_t) override { co_return; }
  Task<bool> sendPreset(std::vector<std::uint8_t> bytes, PresetName name, bool flag) override {
    calls.push_back("send " + name.baseName() + " " + std::to_string(bytes.size() > 0) + std::to_string(flag));
    co_return true;
  }
  Task<device::PresetData> receivePreset(PresetName, int, std::uint64_t) override { co_return device::PresetData{}; }
  Task<void> savePreset(PresetName, std::uint64_t) override { co_return; }
  Task<void> deletePreset(PresetName name, bool flag) override {
    calls.push_back("delete " + name.baseName() + " " + std::to_string(flag));
    co_return;
  }

 private:
  std::vector<PresetType> types_;
  std::uint16_t port_;
  std::shared_ptr<device::PresetSegmentHandler> segments_ = device::PresetSegmentHandler::make();
};

TEST(PresetHandler, SupportsTheTypesItLists) {
  const std::pair<std::vector<PresetType>, std::pair<bool, bool>> cases[] = {
      {{PresetType::preset, PresetType::userShow}, {true, true}},
      {{PresetType::userShow}, {false, true}},
      {{PresetType::preset}, {true, false}},
      {{}, {false, false}},
  };
  for (const auto& [types, expected] : cases) {
    const FakeClient client(types);
    EXPECT_EQ(std::make_pair(client.supportsPresetType(PresetType::preset),
                             client.supportsPresetType(PresetType::userShow)),
              expected);
  }
  EXPECT_TRUE(device::PresetHandler::sameDevice(FakeClient({}), FakeClient({PresetType::preset})));
  EXPECT_FALSE(device::PresetHandler::sameDevice(FakeClient({}), FakeClient({}, 2)));
}

TEST(PresetHandler, WholePresetOperationsUseTheDocumentsName) {
  FakeClient client({PresetType::preset});
  const auto writable = Preset::emptyPreset();
  writable->name = PresetName("Live_[bkup_2024] *[2024-02-03T04:05:06.789Z]");
  EXPECT_TRUE(async::spawn(client.sendPresetModel(writable, true)).get());
  async::spawn(client.deletePresetModel(writable, true)).get();
  EXPECT_EQ(client.calls, (std::vector<std::string>{
                              "send Live_[bkup_2024] 11",
                              "delete Live_[bkup_2024] 1",
                          }));

  // A document that cannot be written is not sent: its error reaches the caller.
  client.calls.clear();
  EXPECT_THROW(async::spawn(client.sendPresetModel(Preset::makeDefault(1, 1), false)).get(),
               device::ZRXMLDecodingError);
  EXPECT_TRUE(client.calls.empty());
}

TEST(PresetHandler, KeepsItsEventHandler) {
  struct Events : device::PresetEventHandler {
    void presetSaved(device::PresetHandler&) override {}
    void presetReceived(device::PresetHandler&) override {}
  };
  FakeClient client({});
  EXPECT_EQ(client.presetEventHandler(), nullptr);
  const auto events = std::make_shared<Events>();
  client.setPresetEventHandler(events);
  EXPECT_EQ(client.presetEventHandler(), events);
}

}  // namespace
