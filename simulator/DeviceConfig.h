#pragma once
// What one simulated device is: its identity, users, status document, preset store and the
// switches that make it misbehave. Plain values: build them before DeviceSimulator::start() and
// change a running device through DeviceSimulator::update().

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "device/Model/DeviceType.h"

namespace testsupport {

struct SimUser {
  // How this user answers connect requests: one user info, none, the same one twice, or one with
  // its last argument missing (which readers reject).
  enum class Answer { normal, silent, twice, malformed };

  std::string name;
  std::string icon = "guitar";
  bool hidden = false;  // sent as mix hide 20, else 0
  bool phaseInvert = false;
  bool requiresPassword = false;
  Answer answer = Answer::normal;
};

struct SimPreset {
  std::string name;
  bool userShow = false;
  std::optional<std::string> backupDate;
  // An ISO 8601 time stamp with milliseconds; none: the entry is listed without one.
  std::optional<std::string> stamp;
  std::vector<std::uint8_t> bytes;

  // name, then "_[bkup_" + backupDate + "]" when set: the name devices are asked by.
  std::string baseName() const;
  // baseName + ".VELTOshow" or ".vup": the name segments travel under.
  std::string fileName() const;
  // The entry of a preset list: baseName, " (PRESET)" or " (USER SHOW)", then " *[" + stamp + "]".
  std::string listText() const;
};

// Faults a device can be switched to. Addresses are request addresses ("/Vp/Ping",
// "/VELTOpelion/control/presetSave", ...); the fault applies to the replies of that request.
struct SimBehaviour {
  enum class SegmentFault { none, dropLast, reverse };

  // Answers nothing at all (the datagrams are still recorded).
  bool silent = false;
  std::set<std::string> dropped;
  std::map<std::string, std::chrono::milliseconds> delays;
  // Replies sent with their last argument missing.
  std::set<std::string> malformed;
  // Replies sent as zlib-compressed datagrams.
  std::set<std::string> compressed;
  bool compressAll = false;
  // A fault in the sequence of the segments sent for presetCopyToUSB (zlib payload for presets,
  // plain for user shows).
  SegmentFault segmentFault = SegmentFault::none;
  // Base names (as sent by the client, ".vup" included for user shows on the control port) whose
  // save, delete, select, copy or receive fails with an error reply.
  std::set<std::string> failingPresets;
};

struct DeviceConfig {
  device::DeviceType type = device::DeviceType::pelion(4);
  std::string serialNumber = "SIM0001";
  std::string name = "Simulated";
  std::string version = "3.2.1";
  std::string uid = "SIMDEVICEUID0001";
  // One per mix of the type when empty at start ("User 1", "User 2", ...).
  std::vector<SimUser> users;
  // Overrides of the counts the user infos report (defaults: the type's mixes and inputs).
  std::optional<std::int32_t> reportedOutputs;
  std::optional<std::int32_t> reportedInputs;

  // Where the device listens. Port 0: the system picks (read the port back after start).
  std::string address = "127.0.0.2";
  // The ip text the user infos report (default: the address the request came in on).
  std::optional<std::string> reportedIp;
  std::uint16_t controlPort = 0;
  std::uint16_t discoveryPort = 9110;
  std::uint16_t companionPort = 9111;
  // A second network path: the device also listens on this address, on the same ports, and
  // reports this address in answers that came in through it.
  std::optional<std::string> secondAddress;

  // The status document: app-settings VALUE entries in order (key, text), fixed network settings.
  std::vector<std::pair<std::string, std::string>> appSettings = defaultAppSettings();
  std::string fixedIP = "0.0.0.0";
  std::string fixedSubnet = "255.255.255.0";
  std::string fixedGateway = "0.0.0.0";

  std::vector<SimPreset> presets;
  SimBehaviour behaviour;

  static std::vector<std::pair<std::string, std::string>> defaultAppSettings();
  // Ready-made devices of the three kinds, numbered n (serial, uid and name carry the number).
  static DeviceConfig processor(int n, std::string address, std::size_t mixes = 4);
  static DeviceConfig controller(int n, std::string address);
  static DeviceConfig app(int n, std::string address);
};

}  // namespace testsupport
