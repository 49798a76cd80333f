#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "device/Clients/VeltoApp.h"
#include "tests/device/Clients/LoReceiver.h"
#include "tests/support/NumericLocale.h"

namespace {

using device::VeltoApp;
using device::VeltoAppEndpointError;

constexpr const char* kUid = "0123456789ABCDEF0123456789ABCDEF";

struct Endpoint {
  device::test::LoReceiver receiver;
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
    EXPECT_STREQ(e.what(),
                 "The operation couldn\u2019t be completed. (VeltoClient.VeltoApp.VeltoAppError error 0.)");
  }
  endpoint.app.showNextUser();
  EXPECT_EQ(endpoint.receiver.next(), "/Va/screen/nextUser");  // nothing went out before it
  // Send errors reach the caller.
  EXPECT_THROW(endpoint.app.showOverlayMessage(std::string(70000, 'x')), net::SocketError);  // over a datagram
  EXPECT_THROW(endpoint.app.showOverlayMessage("\xFF"), osc::OSCValueError);                 // not UTF-8
}

}  // namespace
