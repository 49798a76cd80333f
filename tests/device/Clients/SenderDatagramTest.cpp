// What the companion-app endpoint and the offline editor's configuration put on the wire, with
// liblo as the independent receiver on 127.0.0.1.
#include <gtest/gtest.h>
#include <lo/lo.h>

#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>

#include "device/Clients/OfflineEditor.h"
#include "device/Clients/VeltoApp.h"
#include "tests/support/NumericLocale.h"

namespace {

// A liblo server on a port of its own: the independent receiver that checks what our senders put
// on the wire. Each datagram becomes one line: path, then (when there are arguments) the type
// tags and the values, "s" and "i" as text, "T"/"F" as the tag alone.
class LoReceiver {
 public:
  LoReceiver() : server_(lo_server_new_with_proto(nullptr, LO_UDP, nullptr), &lo_server_free) {
    lo_server_add_method(server_.get(), nullptr, nullptr, &LoReceiver::received, this);
  }
  std::uint16_t port() const { return static_cast<std::uint16_t>(lo_server_get_port(server_.get())); }

  // The next datagram's line, or "nothing" after two seconds.
  std::string next() {
    for (int waited = 0; lines_.empty() && waited < 2000; waited += 10) lo_server_recv_noblock(server_.get(), 10);
    if (lines_.empty()) return "nothing";
    auto [line, sourcePort] = std::move(lines_.front());
    lines_.pop_front();
    lastSourcePort_ = sourcePort;
    return line;
  }
  // The sending port of the datagram last taken by next().
  std::uint16_t lastSourcePort() const { return lastSourcePort_; }

 private:
  static int received(const char* path, const char* types, lo_arg** argv, int argc, lo_message message, void* self) {
    std::string line = path + std::string(argc ? " " : "") + types;
    // liblo's argument pointers need not be aligned for its union: copy the bytes out.
    for (int k = 0; k < argc; ++k) {
      const auto* bytes = reinterpret_cast<const char*>(argv[k]);
      std::int32_t i = 0;
      if (types[k] == 'i') line.append(" ").append(std::to_string((std::memcpy(&i, bytes, 4), i)));
      if (types[k] == 's') line.append(" ").append(bytes);
    }
    const auto sourcePort = std::stoi(lo_address_get_port(lo_message_get_source(message)));
    static_cast<LoReceiver*>(self)->lines_.emplace_back(std::move(line), static_cast<std::uint16_t>(sourcePort));
    return 0;
  }

  std::unique_ptr<std::remove_pointer_t<lo_server>, decltype(&lo_server_free)> server_;
  std::deque<std::pair<std::string, std::uint16_t>> lines_;
  std::uint16_t lastSourcePort_ = 0;
};

using device::VeltoApp;
using device::VeltoAppEndpointError;

constexpr const char* kUid = "0123456789ABCDEF0123456789ABCDEF";

struct Endpoint {
  LoReceiver receiver;
  VeltoApp app{"127.0.0.1", kUid, receiver.port()};
};

// The wire form of each operation; the preset and property ones end in the client's uid.
std::string preset(const std::string& operation, const std::string& file) {
  return "/Va/control/Preset" + operation + " ss " + file + " " + kUid;
}
std::string property(const std::string& keyAndValue) {
  return "/VELTOapp/control/SetProperty sss " + keyAndValue + " " + kUid;
}

TEST(VeltoApp, SendsOneDatagramPerOperation) {
  using App = const VeltoApp&;
  const std::pair<std::function<void(App)>, std::string> cases[] = {
      {[](App a) { a.showOverlayMessage("Hello"); }, "/Va/Vr/OverlayMessage s Hello"},
      {[](App a) { a.removeOverlayMessage("Hello"); }, "/Va/Vr/RemoveOverlayMessage s Hello"},
      {[](App a) { a.showScreen(device::AppScreen::meters); }, "/Va/screen/METERS"},
      {[](App a) { a.showScreen(device::AppScreen::channelDetails); }, "/Va/screen/CHANNELDETAILS"},
      {[](App a) { a.showStage1(3); }, "/Va/screen/STAGE1 i 3"},
      {[](App a) { a.showStage2(4); }, "/Va/screen/STAGE2 i 4"},
      {[](App a) { a.showChannelFocus(); }, "/Va/screen/CHANNELFOCUS i -1"},
      {[](App a) { a.showChannelDetails(17); }, "/Va/screen/CHANNELDETAILS i 17"},
      {[](App a) { a.showUser(2); }, "/Va/screen/user i 2"},
      {[](App a) { a.showNextUser(); }, "/Va/screen/nextUser"},
      {[](App a) { a.showPreviousUser(); }, "/Va/screen/previousUser"},
      {[](App a) { a.connect("Mac", 5); }, "/Va/control/connect si Mac 5"},
      {[](App a) { a.setMode(device::ConnectionMode::Remote); }, "/Va/control/mode i 90"},
      {[](App a) { a.sendError(""); }, "/VELTOapp/error s "},
      {[](App a) { a.sendConfirmation("<CRITICAL>### IDENTIFY ###"); },
       "/Va/control/confirmation s <CRITICAL>### IDENTIFY ###"},
      {[](App a) { a.darkenDisplay(); }, "/Va/Vr/Display/Dark T"},
      {[](App a) { a.undarkenDisplay(); }, "/Va/Vr/Display/Dark F"},
      {[](App a) { a.dimDisplay(); }, "/Va/Vr/Display/Dim T"},
      {[](App a) { a.setDisplayDimmed(false); }, "/Va/Vr/Display/Dim F"},
      {[](App a) { a.loadUserShow("Show"); }, preset("Load", "Show.vup")},
      {[](App a) { a.saveUserShow(device::PresetName("Show.vup")); }, preset("Save", "Show.vup")},
      {[](App a) { a.deleteUserShow("Show"); }, preset("Delete", "Show.vup")},
      {[](App a) { a.deleteUserShow("Show.VUP"); }, preset("Delete", "Show.VUP.vup")},
      {[](App a) { a.deleteUserShow(""); }, preset("Delete", ".vup")},
      {[](App a) { a.saveToSlot(0); }, preset("Save", "SLOT_0.vup")},
      {[](App a) { a.deleteSlot(0); }, preset("Delete", "SLOT_00.vup")},
      {[](App a) { a.saveToSlot(9); }, preset("Save", "SLOT_09.vup")},
      {[](App a) { a.deleteSlot(9); }, preset("Delete", "SLOT_09.vup")},
      {[](App a) { a.saveToSlot(10); }, preset("Save", "SLOT_10.vup")},
      {[](App a) { a.deleteSlot(64); }, preset("Delete", "SLOT_64.vup")},
      {[](App a) { a.setProperty("AppName", "Stage Left"); }, property("AppName Stage Left")},
      {[](App a) { a.setExclusiveSolo(true); }, property("ExclusiveSolo 1")},
      {[](App a) { a.setRelativeGroupMixing(false); }, property("RelativeGroupMixing 0")},
      {[](App a) { a.setDemoModeAvailable(true); }, property("DemoModeAvailable 1")},
      {[](App a) { a.setMonoStereo3DAvailable(true); }, property("MonoStereo3DAvailable 1")},
      {[](App a) { a.setMuteSoloAvailable(false); }, property("RotvMuteSoloAvailable 0")},
      {[](App a) { a.setChannelGainStep(0.5f); }, property("ChannelGainStepdB 0.5")},
      {[](App a) { a.setGroupGainStep(1.0f); }, property("GroupGainStepdB 1.0")},
  };
  const testsupport::NumericLocale decimalComma;  // the steps' texts do not follow the locale
  Endpoint endpoint;
  const VeltoApp copy = endpoint.app;  // copies share the one OSC client
  EXPECT_EQ(copy.oscClient(), endpoint.app.oscClient());
  for (const auto& [operation, expected] : cases) {
    operation(copy);
    EXPECT_EQ(endpoint.receiver.next(), expected);
  }
}

TEST(VeltoApp, RefusesSlotsAbove64BeforeSendingAndReportsSendErrors) {
  Endpoint endpoint;
  EXPECT_THROW(endpoint.app.saveToSlot(65), VeltoAppEndpointError);
  try {
    endpoint.app.deleteSlot(65);
    ADD_FAILURE() << "slot 65 was accepted";
  } catch (const VeltoAppEndpointError& e) {
    EXPECT_EQ(e, VeltoAppEndpointError::invalidRotaverSlot());
    EXPECT_STREQ(e.what(), "There is no controller slot 65 (slots go from 0 to 64).");
  }
  endpoint.app.showNextUser();
  EXPECT_EQ(endpoint.receiver.next(), "/Va/screen/nextUser");  // nothing went out before it
  // Send errors reach the caller.
  EXPECT_THROW(endpoint.app.showOverlayMessage(std::string(70000, 'x')), net::SocketError);  // over a datagram
  EXPECT_THROW(endpoint.app.showOverlayMessage("\xFF"), osc::OSCValueError);                 // not UTF-8
}

using device::OfflineEditor;
using Mode = OfflineEditor::ClockSpeedMode;
using Error = OfflineEditor::EditorError;

TEST(OfflineEditor, SendsItsConfigurationAsOneMessage) {
  LoReceiver editor;
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
  LoReceiver editor;
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
