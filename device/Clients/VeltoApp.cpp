#include "device/Clients/VeltoApp.h"

#include "device/Model/AppSettings.h"

namespace device {

VeltoAppEndpointError::VeltoAppEndpointError(Case errorCase, std::optional<unsigned> slot)
    : case_(errorCase), description_("There is no controller slot") {
  if (slot) {
    description_ += ' ';
    description_ += std::to_string(*slot);
  }
  description_ += " (slots go from 0 to 64).";
}
namespace {

using osc::OSCValue;
using Keys = AppSettings::Keys;

constexpr std::string_view kUserShowSuffix = ".vup";

OSCValue number(std::int64_t n) { return OSCValue::nativeInt(n); }

}  // namespace

VeltoApp::VeltoApp(std::string ip, std::string clientUid, std::uint16_t port)
    : ip_(std::move(ip)), port_(port), clientUid_(std::move(clientUid)),
      oscClient_(std::make_shared<osc::OSCClient>(ip_, port_)) {}

void VeltoApp::send(std::string_view address, std::vector<OSCValue> values) const {
  // Every address here is a valid constant, or a constant prefix and a raw screen text.
  const auto message = osc::OSCMessage::make(address, std::move(values));
  oscClient_->send(message.value(), kSendTimeout);
}

void VeltoApp::showOverlayMessage(const std::string& text) const { send("/Va/Vr/OverlayMessage", {text}); }
void VeltoApp::removeOverlayMessage(const std::string& text) const { send("/Va/Vr/RemoveOverlayMessage", {text}); }
void VeltoApp::showScreen(AppScreen screen) const { send("/Va/screen/" + rawValue(screen)); }
void VeltoApp::showStage1(unsigned n) const { send("/Va/screen/STAGE1", {number(n)}); }
void VeltoApp::showStage2(unsigned n) const { send("/Va/screen/STAGE2", {number(n)}); }
void VeltoApp::showChannelFocus() const { send("/Va/screen/CHANNELFOCUS", {number(-1)}); }
void VeltoApp::showChannelDetails(unsigned n) const { send("/Va/screen/CHANNELDETAILS", {number(n)}); }
void VeltoApp::showUser(unsigned n) const { send("/Va/screen/user", {number(n)}); }
void VeltoApp::showNextUser() const { send("/Va/screen/nextUser"); }
void VeltoApp::showPreviousUser() const { send("/Va/screen/previousUser"); }

void VeltoApp::connect(const std::string& text, unsigned n) const { send("/Va/control/connect", {text, number(n)}); }
void VeltoApp::setMode(ConnectionMode mode) const { send("/Va/control/mode", {number(rawValue(mode))}); }
void VeltoApp::sendError(const std::string& text) const { send("/VELTOapp/error", {text}); }
void VeltoApp::sendConfirmation(const std::string& text) const { send("/Va/control/confirmation", {text}); }

void VeltoApp::setDisplayDarkened(bool dark) const { send("/Va/Vr/Display/Dark", {dark}); }
void VeltoApp::setDisplayDimmed(bool dim) const { send("/Va/Vr/Display/Dim", {dim}); }

std::string VeltoApp::userShowFileName(std::string_view name) {
  std::string fileName(name);
  if (!name.ends_with(kUserShowSuffix)) fileName += kUserShowSuffix;
  return fileName;
}

std::string VeltoApp::slotNameForSaving(unsigned slot) {
  if (slot > kMaximumRotaverSlot) throw VeltoAppEndpointError::invalidRotaverSlot(slot);
  return (slot >= 1 && slot <= 9 ? "SLOT_0" : "SLOT_") + std::to_string(slot);
}

std::string VeltoApp::slotNameForDeleting(unsigned slot) {
  if (slot > kMaximumRotaverSlot) throw VeltoAppEndpointError::invalidRotaverSlot(slot);
  return (slot <= 9 ? "SLOT_0" : "SLOT_") + std::to_string(slot);
}

void VeltoApp::loadUserShow(std::string_view name) const {
  send("/Va/control/PresetLoad", {userShowFileName(name), clientUid_});
}
void VeltoApp::saveUserShow(std::string_view name) const {
  send("/Va/control/PresetSave", {userShowFileName(name), clientUid_});
}
void VeltoApp::deleteUserShow(std::string_view name) const {
  send("/Va/control/PresetDelete", {userShowFileName(name), clientUid_});
}
void VeltoApp::saveToSlot(unsigned slot) const {
  send("/Va/control/PresetSave", {slotNameForSaving(slot) + std::string(kUserShowSuffix), clientUid_});
}
void VeltoApp::deleteSlot(unsigned slot) const { deleteUserShow(slotNameForDeleting(slot)); }

void VeltoApp::setProperty(std::string_view key, std::string_view value) const {
  send("/VELTOapp/control/SetProperty", {OSCValue::string(std::string(key)), OSCValue::string(std::string(value)), clientUid_});
}

void VeltoApp::setRelativeGroupMixing(bool value) const {
  setProperty(Keys::relativeGroupMixing, AppSettings::textForm(value));
}
void VeltoApp::setExclusiveSolo(bool value) const {
  setProperty(Keys::exclusiveSolo, AppSettings::textForm(value));
}
void VeltoApp::setDemoModeAvailable(bool value) const {
  setProperty(Keys::demoModeAvailable, AppSettings::textForm(value));
}
void VeltoApp::setMonoStereo3DAvailable(bool value) const {
  setProperty(Keys::panningMode, AppSettings::textForm(value));
}
void VeltoApp::setChannelGainStep(float decibels) const {
  setProperty(Keys::chGainStepDb, AppSettings::textForm(decibels));
}
void VeltoApp::setGroupGainStep(float decibels) const {
  setProperty(Keys::groupGainStepDb, AppSettings::textForm(decibels));
}
void VeltoApp::setMuteSoloAvailable(bool value) const {
  setProperty(Keys::muteSoloAvailable, AppSettings::textForm(value));
}

}  // namespace device
