#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "device/Clients/VeltoApp.h"
#include "device/Model/AppSettings.h"
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

TEST(VeltoApp, SendsOneDatagramPerOperation) {
  using App = const VeltoApp&;
  const std::pair<std::function<void(App)>, std::string> cases[] = {
      {[](App a) { a.showOverlayMessage("Hello"); }, "/Va/Vr/OverlayMessage s Hello"},
      {[](App a) { a.showOverlayMessage(""); }, "/Va/Vr/OverlayMessage s "},
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
      {[](App a) { a.setDisplayDarkened(true); }, "/Va/Vr/Display/Dark T"},
      {[](App a) { a.dimDisplay(); }, "/Va/Vr/Display/Dim T"},
      {[](App a) { a.setDisplayDimmed(false); }, "/Va/Vr/Display/Dim F"},
      {[](App a) { a.loadUserShow("Show"); }, "/Va/control/PresetLoad ss Show.vup " + std::string(kUid)},
      {[](App a) { a.saveUserShow(device::PresetName("Show.vup")); },
       "/Va/control/PresetSave ss Show.vup " + std::string(kUid)},
      {[](App a) { a.deleteUserShow("Show"); }, "/Va/control/PresetDelete ss Show.vup " + std::string(kUid)},
      {[](App a) { a.deleteUserShow("Show.VUP"); }, "/Va/control/PresetDelete ss Show.VUP.vup " + std::string(kUid)},
      {[](App a) { a.deleteUserShow(""); }, "/Va/control/PresetDelete ss .vup " + std::string(kUid)},
      {[](App a) { a.saveToSlot(0); }, "/Va/control/PresetSave ss SLOT_0.vup " + std::string(kUid)},
      {[](App a) { a.deleteSlot(0); }, "/Va/control/PresetDelete ss SLOT_00.vup " + std::string(kUid)},
      {[](App a) { a.saveToSlot(9); }, "/Va/control/PresetSave ss SLOT_09.vup " + std::string(kUid)},
      {[](App a) { a.deleteSlot(9); }, "/Va/control/PresetDelete ss SLOT_09.vup " + std::string(kUid)},
      {[](App a) { a.saveToSlot(10); }, "/Va/control/PresetSave ss SLOT_10.vup " + std::string(kUid)},
      {[](App a) { a.deleteSlot(64); }, "/Va/control/PresetDelete ss SLOT_64.vup " + std::string(kUid)},
      {[](App a) { a.setProperty("AppName", "Stage Left"); },
       "/VELTOapp/control/SetProperty sss AppName Stage Left " + std::string(kUid)},
      {[](App a) { a.setExclusiveSolo(true); }, "/VELTOapp/control/SetProperty sss ExclusiveSolo 1 " + std::string(kUid)},
      {[](App a) { a.setRelativeGroupMixing(false); },
       "/VELTOapp/control/SetProperty sss RelativeGroupMixing 0 " + std::string(kUid)},
      {[](App a) { a.setDemoModeAvailable(true); },
       "/VELTOapp/control/SetProperty sss DemoModeAvailable 1 " + std::string(kUid)},
      {[](App a) { a.setMonoStereo3DAvailable(true); },
       "/VELTOapp/control/SetProperty sss MonoStereo3DAvailable 1 " + std::string(kUid)},
      {[](App a) { a.setMuteSoloAvailable(false); },
       "/VELTOapp/control/SetProperty sss RotvMuteSoloAvailable 0 " + std::string(kUid)},
      {[](App a) { a.setChannelGainStep(0.5f); },
       "/VELTOapp/control/SetProperty sss ChannelGainStepdB 0.5 " + std::string(kUid)},
      {[](App a) { a.setGroupGainStep(1.0f); }, "/VELTOapp/control/SetProperty sss GroupGainStepdB 1.0 " + std::string(kUid)},
  };
  Endpoint endpoint;
  const VeltoApp copy = endpoint.app;  // copies share the one OSC client
  EXPECT_EQ(copy.oscClient(), endpoint.app.oscClient());
  for (const auto& [operation, expected] : cases) {
    operation(copy);
    EXPECT_EQ(endpoint.receiver.next(), expected);
  }
}

TEST(VeltoApp, RefusesSlotsAbove64BeforeSending) {
  Endpoint endpoint;
  EXPECT_THROW(endpoint.app.saveToSlot(65), VeltoAppEndpointError);
  EXPECT_THROW(endpoint.app.deleteSlot(65), VeltoAppEndpointError);
  try {
    endpoint.app.deleteSlot(1000);
    ADD_FAILURE() << "slot 1000 was accepted";
  } catch (const VeltoAppEndpointError& e) {
    EXPECT_EQ(e, VeltoAppEndpointError::invalidRotaverSlot());
    EXPECT_STREQ(e.what(), "There is no controller slot 1000 (slots go from 0 to 64).");
  }
  endpoint.app.showNextUser();
  EXPECT_EQ(endpoint.receiver.next(), "/Va/screen/nextUser");  // nothing went out before it
}

// The endpoint and the settings container write a step the same way, whatever the locale.
TEST(VeltoApp, GainStepTextsEqualTheSettingsContainers) {
  const testsupport::NumericLocale decimalComma;
  if (!decimalComma.available()) GTEST_SKIP() << "no locale with a decimal comma installed";
  Endpoint endpoint;
  for (float step : {0.5f, 1.0f, 0.25f, 2.96f, -3.0f}) {
    device::AppSettings::Container container;
    container.setChGainStepDb(step);
    endpoint.app.setChannelGainStep(step);
    EXPECT_EQ(endpoint.receiver.next(), "/VELTOapp/control/SetProperty sss ChannelGainStepdB " +
                                            container.properties.at("ChannelGainStepdB") + " " + kUid);
  }
}

TEST(VeltoApp, SendErrorsReachTheCaller) {
  Endpoint endpoint;
  EXPECT_THROW(endpoint.app.showOverlayMessage(std::string(70000, 'x')), net::SocketError);  // over a datagram
  EXPECT_THROW(endpoint.app.showOverlayMessage("\xFF"), osc::OSCValueError);                 // not UTF-8
}

}  // namespace
