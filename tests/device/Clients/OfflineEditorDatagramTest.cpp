#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "device/Clients/OfflineEditor.h"
#include "tests/device/Clients/LoReceiver.h"

namespace {

using device::OfflineEditor;
using Mode = OfflineEditor::ClockSpeedMode;
using Error = OfflineEditor::EditorError;

TEST(OfflineEditor, SendsItsConfigurationAsOneMessage) {
  device::test::LoReceiver editor;
  const OfflineEditor::Address address{"127.0.0.1", editor.port()};
  const auto pelion16Inputs = device::DeviceType::pelion(16).numberOfInputs();
  const std::pair<std::function<OfflineEditor()>, std::string> cases[] = {
      {[&] { return OfflineEditor::tamo(address); }, "iiiFi 400 5 1 24"},
      {[&] { return OfflineEditor::pelion(16, true, Mode::s96khz, address); },
       "iiiTi 1000 16 2 " + std::to_string(pelion16Inputs)},
      {[&] { return OfflineEditor::sirel24(false, Mode::auto_, address); }, "iiiFi 5000 12 0 24"},
      {[&] { return OfflineEditor::sirel64(true, Mode::s48khz, address); }, "iiiTi 5000 12 1 64"},
      {[&] { return OfflineEditor::zelvarine(false, Mode::s96khz, address); }, "iiiFi 3000 16 2 128"},
      {[&] { return OfflineEditor::hxb(Mode::s48khz, address); }, "iiiFi 2000 16 1 64"},
  };
  for (const auto& [make, expected] : cases) {
    OfflineEditor configuration = make();
    configuration.sendConfiguration();
    EXPECT_EQ(editor.next(), "/Vp/co/OfflineEditor " + expected);
  }
}

TEST(OfflineEditor, FactoriesCheckTheClockSpeedModeFirst) {
  using C = Error::Case;
  const std::pair<std::function<void()>, std::optional<C>> cases[] = {
      {[] { OfflineEditor::pelion(0, false, Mode::s48khz); }, C::unsupportedNumberOfMixes},
      {[] { OfflineEditor::pelion(17, false, Mode::s48khz); }, C::unsupportedNumberOfMixes},
      {[] { OfflineEditor::pelion(17, false, Mode::auto_); }, C::unsupportedClockSpeedMode},
      {[] { OfflineEditor::pelion(1, false, Mode::auto_); }, C::unsupportedClockSpeedMode},
      {[] { OfflineEditor::pelion(1, false, Mode::s48khz); }, std::nullopt},
      {[] { OfflineEditor::zelvarine(true, Mode::auto_); }, C::unsupportedClockSpeedMode},
      {[] { OfflineEditor::hxb(Mode::auto_); }, C::unsupportedClockSpeedMode},
      {[] { OfflineEditor::sirel64(true, Mode::auto_); }, std::nullopt},
  };
  for (const auto& [make, expected] : cases) {
    std::optional<C> thrown;
    try {
      make();
    } catch (const Error& e) {
      thrown = e.errorCase();
    }
    EXPECT_EQ(thrown, expected);
  }
  EXPECT_STREQ(Error(C::unsupportedNumberOfMixes, 17).what(),
               "The offline editor cannot run a processor with 17 mixes (it takes 1 to 16).");
  EXPECT_EQ(OfflineEditor::clockSpeedMode(2), Mode::s96khz);
  EXPECT_FALSE(OfflineEditor::clockSpeedMode(3));
}

// Later sends reuse the client made by the first, also when they overlap.
TEST(OfflineEditor, SendsFromOneClient) {
  device::test::LoReceiver editor;
  OfflineEditor configuration = OfflineEditor::tamo({"127.0.0.1", editor.port()});
  std::thread first([&] { configuration.sendConfiguration(); });
  std::thread second([&] { configuration.sendConfiguration(); });
  first.join();
  second.join();
  configuration.sendConfiguration();
  std::set<std::uint16_t> sourcePorts;
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(editor.next(), "/Vp/co/OfflineEditor iiiFi 400 5 1 24");
    sourcePorts.insert(editor.lastSourcePort());
  }
  EXPECT_EQ(sourcePorts.size(), 1u);
}

}  // namespace
