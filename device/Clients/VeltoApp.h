#pragma once
// VeltoApp: the sending side of the companion-app protocol. Besides its discovery port, every
// device takes messages beginning "/Va/" or "/VELTOapp/" on UDP port 9111: screens and overlay
// texts, user switches, app and controller properties, confirmations and errors, the controller
// display, and loading, saving and deleting user shows. Each operation sends exactly one
// datagram with a 1 s write time-out and waits for no answer (answers reach the owning client's
// own server); a send error passes to the caller unchanged, nothing is retried or logged.
//
// A value: copies share one osc::OSCClient, whose lock serialises their sends. Immutable after
// construction; any thread. An operation does not suspend: it blocks its thread for one sendto.

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/Model/AppScreen.h"
#include "device/Model/ConnectionMode.h"
#include "device/Model/PresetName.h"
#include "osc/OSCClient.h"

namespace device {

// The endpoint's own error (distinct from the device's error reply, VeltoAppError); its
// description() names the refused slot.
class VeltoAppEndpointError : public std::exception {
 public:
  enum class Case { invalidRotaverSlot };
  // A controller slot above 64 was given to a slot operation.
  static VeltoAppEndpointError invalidRotaverSlot(std::optional<unsigned> slot = std::nullopt) {
    return VeltoAppEndpointError(Case::invalidRotaverSlot, slot);
  }

  Case errorCase() const noexcept { return case_; }
  const std::string& description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }
  friend bool operator==(const VeltoAppEndpointError& a, const VeltoAppEndpointError& b) noexcept {
    return a.case_ == b.case_;
  }

 private:
  VeltoAppEndpointError(Case errorCase, std::optional<unsigned> slot);
  Case case_;
  std::string description_;
};

class VeltoApp {
 public:
  static constexpr std::uint16_t kPort = 9111;
  static constexpr std::uint64_t kSendTimeout = 1'000'000'000;  // nanoseconds
  static constexpr unsigned kMaximumRotaverSlot = 64;

  // Creates the OSC client for ip:port (its error passes on). `ip` is the device's address as
  // the owning client knows it; `port` is 9111 but for tests, which aim at their own receiver.
  VeltoApp(std::string ip, std::string clientUid, std::uint16_t port = kPort);

  const std::string& ip() const { return ip_; }
  std::uint16_t port() const { return port_; }
  const std::string& clientUid() const { return clientUid_; }
  const std::shared_ptr<osc::OSCClient>& oscClient() const { return oscClient_; }

  // Screens and overlay texts.
  void showOverlayMessage(const std::string& text) const;
  void removeOverlayMessage(const std::string& text) const;
  void showScreen(AppScreen screen) const;  // "/Va/screen/" + raw text, no arguments
  void showStage1(unsigned n) const;
  void showStage2(unsigned n) const;
  void showChannelFocus() const;  // one "i" argument, -1
  void showChannelDetails(unsigned n) const;
  void showUser(unsigned n) const;
  void showNextUser() const;
  void showPreviousUser() const;

  // Connection, mode, errors and confirmations.
  void connect(const std::string& text, unsigned n) const;
  void setMode(ConnectionMode mode) const;
  void sendError(const std::string& text) const;
  void sendConfirmation(const std::string& text) const;

  // The controller display.
  void setDisplayDarkened(bool dark) const;
  void darkenDisplay() const { setDisplayDarkened(true); }
  void undarkenDisplay() const { setDisplayDarkened(false); }
  void setDisplayDimmed(bool dim) const;
  void dimDisplay() const { setDisplayDimmed(true); }
  void undimDisplay() const { setDisplayDimmed(false); }

  // User shows: the name gets ".vup" unless it already ends with exactly ".vup"; then the
  // client uid.
  void loadUserShow(std::string_view name) const;
  void loadUserShow(const PresetName& name) const { loadUserShow(name.name); }
  void saveUserShow(std::string_view name) const;
  void saveUserShow(const PresetName& name) const { saveUserShow(name.name); }
  void deleteUserShow(std::string_view name) const;
  void deleteUserShow(const PresetName& name) const { deleteUserShow(name.name); }
  // Controller slots 0...64: saved as SLOT_0, SLOT_01...SLOT_09, SLOT_10...SLOT_64 and deleted as
  // SLOT_00...SLOT_09, SLOT_10...SLOT_64 (".vup" appended). Above 64 throws
  // VeltoAppEndpointError::invalidRotaverSlot() and sends nothing.
  void saveToSlot(unsigned slot) const;
  void deleteSlot(unsigned slot) const;

  // App and controller properties: key, value text, client uid.
  void setProperty(std::string_view key, std::string_view value) const;
  // Typed setters: texts as AppSettings::textForm gives them ("1"/"0", "%.1f").
  void setRelativeGroupMixing(bool value) const;
  void setExclusiveSolo(bool value) const;
  void setDemoModeAvailable(bool value) const;
  void setMonoStereo3DAvailable(bool value) const;
  void setChannelGainStep(float decibels) const;
  void setGroupGainStep(float decibels) const;
  void setMuteSoloAvailable(bool value) const;

  // The name rule: `name` with ".vup" appended unless it already ends with ".vup" (case counts).
  static std::string userShowFileName(std::string_view name);
  // The slot names without extension; throw as saveToSlot and deleteSlot.
  static std::string slotNameForSaving(unsigned slot);
  static std::string slotNameForDeleting(unsigned slot);

 private:
  void send(std::string_view address, std::vector<osc::OSCValue> values = {}) const;

  std::string ip_;
  std::uint16_t port_;
  std::string clientUid_;
  std::shared_ptr<osc::OSCClient> oscClient_;
};

}  // namespace device

template <>
struct std::hash<device::VeltoAppEndpointError> {
  std::size_t operator()(const device::VeltoAppEndpointError& error) const noexcept {
    return std::hash<int>()(static_cast<int>(error.errorCase()));
  }
};
