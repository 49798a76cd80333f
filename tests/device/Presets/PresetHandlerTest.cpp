#include "device/Presets/PresetHandler.h"

#include <gtest/gtest.h>

#include "tests/device/Presets/PresetManagerTesting.h"

namespace device::testing {
namespace {

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
  EXPECT_THROW(async::spawn(client.sendPresetModel(Preset::makeDefault(1, 1), false)).get(), ZRXMLDecodingError);
  EXPECT_TRUE(calls->empty());
}

}  // namespace
}  // namespace device::testing
