#include "simulator/SimulatedDevice.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "device/Model/DeviceType.h"
#include "simulator/LoCodec.h"
#include "simulator/StatusDocument.h"

namespace testsupport {

namespace {

constexpr std::string_view vup = ".vup";
constexpr std::string_view veltoShow = ".VELTOshow";

bool endsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string withoutSuffix(std::string_view text, std::string_view suffix) {
  return std::string(endsWith(text, suffix) ? text.substr(0, text.size() - suffix.size()) : text);
}

// Now as an ISO 8601 stamp with milliseconds, UTC.
std::string stampNow() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(millis));
  return text;
}

// A device-side name as a store entry: "Show_[bkup_X]" is Show with backup X.
SimPreset presetNamed(const std::string& baseName, bool userShow) {
  SimPreset preset;
  preset.userShow = userShow;
  preset.name = baseName;
  const auto mark = baseName.find("_[bkup_");
  if (mark != std::string::npos && endsWith(baseName, "]")) {
    preset.name = baseName.substr(0, mark);
    preset.backupDate = baseName.substr(mark + 7, baseName.size() - mark - 8);
  }
  return preset;
}

std::optional<std::uint16_t> portArgument(const SimMessage& message, std::size_t k) {
  const auto port = message.int32(k);
  if (!port || *port <= 0 || *port > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(*port);
}

// The last argument when it is a string (the client uid of every command).
std::string lastString(const SimMessage& message) {
  if (message.values.empty()) return {};
  return message.string(message.values.size() - 1).value_or("");
}

}  // namespace

SimulatedDevice::SimulatedDevice(DeviceConfig config) : config_(std::move(config)) {
  for (std::size_t k = config_.users.size(); k < config_.type.numberOfMixes(); ++k) {
    config_.users.push_back({"User " + std::to_string(k + 1)});
  }
}

std::vector<std::string> SimulatedDevice::takeNotes() { return std::exchange(notes_, {}); }

std::vector<SimRegistration> SimulatedDevice::registrations() const { return registrations_; }

std::string SimulatedDevice::sourceKey(const SimContext& context) {
  return context.sourceHost + ":" + std::to_string(context.sourcePort);
}

void SimulatedDevice::registerClient(const std::string& uid, const SimContext& context, std::uint16_t port,
                                     bool subscribe) {
  portOfSource_[sourceKey(context)] = port;
  const std::string& host = context.sourceHost;
  auto found = std::find_if(registrations_.begin(), registrations_.end(),
                            [&](const SimRegistration& r) { return r.uid == uid; });
  if (found == registrations_.end()) {
    registrations_.push_back({uid, host, port, subscribe});
    return;
  }
  found->host = host;
  found->port = port;
  found->subscribed = found->subscribed || subscribe;
}

std::string SimulatedDevice::reportedIp(bool secondPath) const {
  if (secondPath && config_.secondAddress) return *config_.secondAddress;
  return config_.reportedIp.value_or(config_.address);
}

std::vector<SimReply> SimulatedDevice::toSender(const SimContext& context, std::uint16_t port,
                                                SimMessage message) const {
  SimReply reply;
  reply.fromDiscovery = context.discovery && !context.control;
  reply.secondPath = context.secondPath;
  reply.host = context.sourceHost;
  reply.port = port;
  reply.message = std::move(message);
  return {std::move(reply)};
}

std::vector<SimReply> SimulatedDevice::toUid(const std::string& uid, const SimContext& context, SimMessage message) {
  for (const auto& registration : registrations_) {
    if (registration.uid == uid) return toSender(context, registration.port, std::move(message));
  }
  const auto bySocket = portOfSource_.find(sourceKey(context));
  if (bySocket != portOfSource_.end()) return toSender(context, bySocket->second, std::move(message));
  notes_.push_back("no listen port known for uid \"" + uid + "\": " + message.address + " not sent");
  return {};
}

std::vector<SimReply> SimulatedDevice::toClients(const SimMessage& message, bool subscribersOnly) const {
  std::vector<SimReply> replies;
  for (const auto& registration : registrations_) {
    if (subscribersOnly && !registration.subscribed) continue;
    SimReply reply;
    reply.host = registration.host;
    reply.port = registration.port;
    reply.message = message;
    replies.push_back(std::move(reply));
  }
  return replies;
}

SimMessage SimulatedDevice::statusMessage() const {
  return {"/VELTOGUI/StatusUpdate", {SimValue::string(StatusDocument::status(config_)), SimValue::string(config_.uid)}};
}

std::vector<SimReply> SimulatedDevice::statusChanged() const { return toClients(statusMessage(), true); }

SimMessage SimulatedDevice::confirmation(std::string text, std::int32_t code) const {
  return {"/VELTOapp/confirmation", {SimValue::string(std::move(text)), SimValue::int32(code), SimValue::string(config_.uid)}};
}

SimMessage SimulatedDevice::error(std::string text, std::int32_t code) const {
  return {"/VELTOapp/error", {SimValue::string(std::move(text)), SimValue::int32(code), SimValue::string(config_.uid)}};
}

std::vector<SimReply> SimulatedDevice::userInfos(const std::string& host, std::uint16_t port, bool fromDiscovery,
                                                 bool secondPath, std::optional<std::size_t> user) const {
  std::vector<SimReply> replies;
  const auto& type = config_.type;
  for (std::size_t k = 0; k < config_.users.size(); ++k) {
    if (user && *user != k) continue;
    const SimUser& u = config_.users[k];
    if (u.answer == SimUser::Answer::silent) continue;
    SimMessage message{"/VELTOapp/control/UserInfo",
                       {SimValue::string(u.name), SimValue::string(u.icon),
                        SimValue::int32(static_cast<std::int32_t>(k + 1)), SimValue::boolean(u.requiresPassword),
                        SimValue::string(config_.serialNumber), SimValue::string(reportedIp(secondPath)),
                        SimValue::int32(boundControlPort_),
                        SimValue::string(device::RawValueTraits<device::DeviceType::Value>::toRaw(type.value())),
                        SimValue::string(config_.version), SimValue::int32(device::numericCode(type.value())),
                        SimValue::string(""), SimValue::string(config_.name),
                        SimValue::int32(config_.reportedInputs.value_or(static_cast<std::int32_t>(type.numberOfInputs()))),
                        SimValue::int32(config_.reportedOutputs.value_or(static_cast<std::int32_t>(type.numberOfMixes()))),
                        SimValue::int32(40), SimValue::int32(u.hidden ? 20 : 0),
                        SimValue::string(u.phaseInvert ? "1" : "0"), SimValue::string(config_.uid)}};
    if (u.answer == SimUser::Answer::malformed) message.values.pop_back();
    const int copies = u.answer == SimUser::Answer::twice ? 2 : 1;
    for (int c = 0; c < copies; ++c) replies.push_back({fromDiscovery, secondPath, host, port, message, false, {}});
  }
  return replies;
}

std::vector<SimReply> SimulatedDevice::handle(const SimMessage& message, const SimContext& context) {
  const SimBehaviour& behaviour = config_.behaviour;
  if (behaviour.silent) return {};
  auto replies = dispatch(message, context);
  if (behaviour.dropped.contains(message.address)) {
    if (!replies.empty()) notes_.push_back("dropped the replies to " + message.address);
    return {};
  }
  const auto delay = behaviour.delays.find(message.address);
  const bool malformed = behaviour.malformed.contains(message.address);
  const bool compressed = behaviour.compressAll || behaviour.compressed.contains(message.address);
  for (auto& reply : replies) {
    if (delay != behaviour.delays.end()) reply.delay = delay->second;
    if (malformed && !reply.message.values.empty()) reply.message.values.pop_back();
    reply.compressed = reply.compressed || compressed;
  }
  return replies;
}

std::vector<SimReply> SimulatedDevice::dispatch(const SimMessage& m, const SimContext& c) {
  const std::string& a = m.address;
  if (a == "/VELTOpelion/control/ConnectRequest" && (c.discovery || c.control)) return connectRequest(m, c);
  if (c.companion) {
    auto replies = companion(m);
    if (!replies.empty() || !c.control) return replies;
  }
  if (!c.control) return {};
  if (a == "/Vp/Ping") {
    const auto port = portArgument(m, 0);
    if (!port) return {};
    registerClient(m.string(1).value_or(""), c, *port, false);
    return toSender(c, *port, {"/Va/Ping", {SimValue::string(config_.uid)}});
  }
  if (a == "/VELTOpelion/control/SwitchUser") {
    const auto user = m.int32(0);
    if (!user || m.values.size() < 3) return {};
    return toUid(lastString(m), c, {"/VELTOapp/control/SwitchedUser", {SimValue::int32(*user)}});
  }
  if (a == "/VELTOpelion/Hardware/KeepMePosted") {
    const auto port = portArgument(m, 1);
    if (!port) return {};
    registerClient(m.string(3).value_or(""), c, *port, true);
    return {};
  }
  if (a == "/VELTOpelion/Hardware/StatusUpdate") return statusRequest(m, c);
  if (a == "/VELTOpelion/Hardware/AppName" && m.string(0)) {
    auto entry = std::find_if(config_.appSettings.begin(), config_.appSettings.end(),
                              [](const auto& pair) { return pair.first == "AppName"; });
    if (entry == config_.appSettings.end()) config_.appSettings.emplace_back("AppName", *m.string(0));
    else entry->second = *m.string(0);
    return statusChanged();
  }
  if (a == "/VELTOpelion/Hardware/UnitName" && m.string(0)) {
    config_.name = *m.string(0);
    return statusChanged();
  }
  if (a == "/VELTOpelion/Hardware/FixedIP" && m.values.size() == 4 && m.types() == "ssss") {
    config_.fixedIP = m.string(0)->empty() ? "0.0.0.0" : *m.string(0);
    config_.fixedSubnet = *m.string(1);
    config_.fixedGateway = m.string(2)->empty() ? "0.0.0.0" : *m.string(2);
    return statusChanged();
  }
  if (a == "/VELTOpelion/control/RequestListOfPresets") return presetList(m, c);
  if (a == "/VELTOpelion/control/presetSeg") return presetSegment(m, c);
  if (a == "/VELTOpelion/control/presetCopyToUSB") return presetCopy(m, c);
  if (a == "/VELTOpelion/control/presetSave") return presetSave(m, c);
  if (a == "/VELTOpelion/control/presetDelete") return presetDelete(m, c);
  if (a == "/VELTOpelion/control/presetSelect") return presetSelect(m, c);
  return {};
}

std::vector<SimReply> SimulatedDevice::connectRequest(const SimMessage& m, const SimContext& c) {
  const auto port = portArgument(m, 0);
  if (!port || m.types() != "iiiss") {
    notes_.push_back("connect request with arguments " + m.types() + " not answered");
    return {};
  }
  registerClient(*m.string(4), c, *port, false);
  return userInfos(c.sourceHost, *port, c.discovery && !c.control, c.secondPath);
}

std::vector<SimReply> SimulatedDevice::statusRequest(const SimMessage& m, const SimContext& c) {
  if (m.values.empty()) {
    const auto bySocket = portOfSource_.find(sourceKey(c));
    if (bySocket == portOfSource_.end()) {
      notes_.push_back("status request from an unknown socket not answered");
      return {};
    }
    return toSender(c, bySocket->second, statusMessage());
  }
  const auto port = portArgument(m, 1);
  if (!port) return {};
  registerClient(m.string(2).value_or(""), c, *port, false);
  return toSender(c, *port, statusMessage());
}

std::vector<SimReply> SimulatedDevice::presetList(const SimMessage& m, const SimContext& c) {
  if (!c.inBundle) {
    notes_.push_back("list request outside a bundle not answered");
    return {};
  }
  SimMessage list{"/VELTOapp/control/PresetList", {}};
  for (const auto& preset : config_.presets) list.values.push_back(SimValue::string(preset.listText()));
  list.values.push_back(SimValue::int32(static_cast<std::int32_t>(config_.presets.size())));
  return toUid(lastString(m), c, std::move(list));
}

void SimulatedDevice::store(SimPreset preset) {
  if (!preset.stamp) preset.stamp = stampNow();
  auto same = std::find_if(config_.presets.begin(), config_.presets.end(), [&](const SimPreset& p) {
    return p.userShow == preset.userShow && p.baseName() == preset.baseName();
  });
  notes_.push_back("stored " + preset.listText() + ", " + std::to_string(preset.bytes.size()) + " bytes");
  if (same == config_.presets.end()) config_.presets.push_back(std::move(preset));
  else *same = std::move(preset);
}

std::vector<SimReply> SimulatedDevice::presetSegment(const SimMessage& m, const SimContext& c) {
  if (m.types() != "sbiisTs" && m.types() != "sbiisFs") return {};
  const std::string file = *m.string(0);
  const std::string uid = *m.string(6);
  const std::int32_t index = *m.int32(2);
  const std::int32_t count = *m.int32(3);
  if (count <= 0 || count > maxSegmentCount || index < 0 || index >= count) {
    notes_.push_back("segment " + std::to_string(index) + "/" + std::to_string(count) + " of " + file + " dropped");
    return {};
  }
  const std::string key = uid + "\n" + file;
  Pending& pending = pending_[key];
  if (pending.count != count) {
    for (const auto& [k, bytes] : pending.segments) pendingBytes_ -= bytes.size();
    pending = Pending{count, {}};
  }
  const auto& bytes = *m.blob(1);
  if (pendingBytes_ + bytes.size() > maxPendingBytes) {
    notes_.push_back("segments of " + file + " dropped: too much pending data");
    for (const auto& [k, held] : pending.segments) pendingBytes_ -= held.size();
    pending_.erase(key);
    return {};
  }
  auto& slot = pending.segments[index];
  pendingBytes_ += bytes.size();
  pendingBytes_ -= slot.size();
  slot = bytes;
  if (static_cast<std::int32_t>(pending.segments.size()) < count) return {};

  std::vector<std::uint8_t> joined;
  for (const auto& [k, held] : pending.segments) {
    joined.insert(joined.end(), held.begin(), held.end());
    pendingBytes_ -= held.size();
  }
  pending_.erase(key);
  const bool userShow = endsWith(file, vup);
  SimPreset preset = presetNamed(withoutSuffix(withoutSuffix(file, veltoShow), vup), userShow);
  if (config_.behaviour.failingPresets.contains(preset.baseName())) {
    return toUid(uid, c, error("Preset could not be stored.", codeFailed));
  }
  if (LoCodec::isZlib(joined)) {
    auto inflated = LoCodec::inflate(joined, maxPresetBytes);
    if (!inflated) return toUid(uid, c, error("Preset could not be decompressed.", codeFailed));
    joined = std::move(*inflated);
  }
  preset.bytes = std::move(joined);
  store(std::move(preset));
  return toUid(uid, c, confirmation("Preset received.", codeReceived));
}

std::vector<SimReply> SimulatedDevice::presetCopy(const SimMessage& m, const SimContext& c) {
  if (m.types() != "ss") return {};
  const std::string requested = *m.string(0);
  const std::string uid = *m.string(1);
  const SimPreset* found = nullptr;
  for (const auto& preset : config_.presets) {
    const bool match = endsWith(requested, vup)         ? preset.userShow && preset.baseName() == withoutSuffix(requested, vup)
                       : endsWith(requested, veltoShow) ? !preset.userShow && preset.baseName() == withoutSuffix(requested, veltoShow)
                                                        : preset.baseName() == requested;
    if (match && (!found || (found->userShow && !preset.userShow))) found = &preset;
  }
  if (!found) return toUid(uid, c, error("File not found.", codeFileNotFound));
  if (config_.behaviour.failingPresets.contains(requested)) return toUid(uid, c, error("Preset could not be read.", codeFailed));
  const auto payload = found->userShow ? found->bytes : LoCodec::compress(found->bytes);
  if (payload.empty()) return {};
  const auto count = static_cast<std::int32_t>((payload.size() - 1) / segmentSize + 1);
  std::vector<std::int32_t> order;
  for (std::int32_t k = 0; k < count; ++k) order.push_back(k);
  switch (config_.behaviour.segmentFault) {
    case SimBehaviour::SegmentFault::dropLast: order.pop_back(); break;
    case SimBehaviour::SegmentFault::reverse: std::reverse(order.begin(), order.end()); break;
    case SimBehaviour::SegmentFault::none: break;
  }
  std::vector<SimReply> replies;
  for (const auto k : order) {
    const std::size_t begin = static_cast<std::size_t>(k) * segmentSize;
    const std::size_t end = std::min(payload.size(), begin + segmentSize);
    SimMessage segment{"/VELTOapp/control/PresetSeg",
                       {SimValue::string(found->fileName()),
                        SimValue::blob({payload.begin() + static_cast<std::ptrdiff_t>(begin),
                                        payload.begin() + static_cast<std::ptrdiff_t>(end)}),
                        SimValue::int32(k), SimValue::int32(count), SimValue::string(config_.name),
                        SimValue::string(config_.uid)}};
    auto sent = toUid(uid, c, std::move(segment));
    replies.insert(replies.end(), sent.begin(), sent.end());
  }
  return replies;
}

std::vector<SimReply> SimulatedDevice::presetSave(const SimMessage& m, const SimContext& c) {
  if (m.types() != "TsTs") return {};
  const std::string name = *m.string(1);
  const std::string uid = *m.string(3);
  if (config_.behaviour.failingPresets.contains(name)) return toUid(uid, c, error("Preset could not be saved.", codeFailed));
  SimPreset preset = presetNamed(name, false);
  const std::string document = StatusDocument::users(config_, preset.name);
  preset.bytes.assign(document.begin(), document.end());
  store(std::move(preset));
  return toUid(uid, c, confirmation("Preset " + name + " saved.", codeSaved));
}

std::vector<SimReply> SimulatedDevice::presetDelete(const SimMessage& m, const SimContext& c) {
  if (m.types() != "Tss") return {};
  const std::string name = *m.string(1);
  const std::string uid = *m.string(2);
  if (config_.behaviour.failingPresets.contains(name)) return toUid(uid, c, error("Preset could not be deleted.", codeFailed));
  const bool userShow = endsWith(name, vup);
  const std::string base = withoutSuffix(name, vup);
  const auto found = std::find_if(config_.presets.begin(), config_.presets.end(), [&](const SimPreset& p) {
    return p.userShow == userShow && p.baseName() == base;
  });
  if (found == config_.presets.end()) return toUid(uid, c, error("File not found.", codeFileNotFound));
  notes_.push_back("deleted " + found->listText());
  config_.presets.erase(found);
  return toUid(uid, c, confirmation("Preset " + name + " successfully deleted.", codeDeleted));
}

std::vector<SimReply> SimulatedDevice::presetSelect(const SimMessage& m, const SimContext& c) {
  if (m.types() != "ss") return {};
  const std::string name = *m.string(0);
  const std::string uid = *m.string(1);
  const bool found = std::any_of(config_.presets.begin(), config_.presets.end(),
                                 [&](const SimPreset& p) { return !p.userShow && p.baseName() == name; });
  std::string text = !found ? "ERROR: File not found."
                     : config_.behaviour.failingPresets.contains(name) ? "ERROR: Preset could not be loaded."
                                                                      : "Preset " + name + " loaded.";
  if (found) notes_.push_back(text);
  return toUid(uid, c, {"/Va/control/presetLoadComplete", {SimValue::string(std::move(text)), SimValue::string(config_.uid)}});
}

std::vector<SimReply> SimulatedDevice::companion(const SimMessage& m) {
  const std::string& a = m.address;
  if (a == "/VELTOapp/control/SetProperty" && m.types() == "sss") {
    const std::string key = *m.string(0);
    auto entry = std::find_if(config_.appSettings.begin(), config_.appSettings.end(),
                              [&](const auto& pair) { return pair.first == key; });
    if (entry == config_.appSettings.end()) config_.appSettings.emplace_back(key, *m.string(1));
    else entry->second = *m.string(1);
    return statusChanged();
  }
  if (m.types() != "ss") return {};
  const std::string name = *m.string(0);
  const std::string base = withoutSuffix(name, vup);
  if (a == "/Va/control/PresetSave") {
    if (config_.behaviour.failingPresets.contains(name)) {
      notes_.push_back("user show " + name + " not saved (switched to fail)");
      return {};
    }
    SimPreset show = presetNamed(base, true);
    const std::string document = StatusDocument::users(config_, show.name);
    show.bytes.assign(document.begin(), document.end());
    store(std::move(show));
  } else if (a == "/Va/control/PresetDelete") {
    if (config_.behaviour.failingPresets.contains(name)) return {};
    std::erase_if(config_.presets, [&](const SimPreset& p) { return p.userShow && p.baseName() == base; });
  } else if (a == "/Va/control/PresetLoad") {
    notes_.push_back("user show " + name + " loaded");
  }
  return {};
}

}  // namespace testsupport
