#include "device/Model/UserInfo.h"

#include <limits>
#include <span>

namespace device {

namespace {

constexpr std::size_t kMinimumArguments = 18;

// The argument kinds asked for; another kind gives nothing.
std::optional<std::string> text(const osc::OSCValue& value) {
  if (const auto s = value.asString()) return std::string(*s);
  return std::nullopt;
}

constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// A received "i" argument within lower...upper.
std::optional<std::int32_t> int32(const osc::OSCValue& value, std::int32_t lower, std::int32_t upper) {
  const auto number = value.asInt32();
  if (!number || *number < lower || *number > upper) return std::nullopt;
  return number;
}

}  // namespace

std::optional<UserInfo> UserInfo::fromMessage(const osc::OSCMessage& message) {
  const std::span<const osc::OSCValue> v = message.values();
  if (v.size() < kMinimumArguments) return std::nullopt;

  auto name = text(v[0]);
  auto icon = text(v[1]);
  const auto number = int32(v[2], 0, kInt32Max);
  const auto requiresPassword = v[3].asBool();
  auto serialNumber = text(v[4]);
  auto ip = text(v[5]);
  const auto port = int32(v[6], 0, std::numeric_limits<std::uint16_t>::max());
  const auto model = v[7].asString();
  const auto version = SoftwareVersion::fromString(v[8].asString().value_or(""));
  auto deviceName = text(v[11]);
  const auto inputs = int32(v[12], kInt32Min, kInt32Max);
  const auto outputs = int32(v[13], 0, kInt32Max);
  const auto hideCode = v[15].asInt32();
  const auto mixHide = hideCode ? fromRawValue<Hide>(*hideCode) : std::nullopt;
  const auto phaseInvert = v[16].asString();
  auto uid = text(v.back());
  if (!name || !icon || !number || !requiresPassword || !serialNumber || !ip || !port || !model || !version ||
      !deviceName || !inputs || !outputs || !mixHide || !phaseInvert || !uid) {
    return std::nullopt;
  }
  // For every model but the pelion the counts come from the model table; a pelion's output count
  // is its mix count and must lie in 1...16.
  const auto type = DeviceType::make(*model, static_cast<std::size_t>(*outputs));
  if (!type) return std::nullopt;

  return UserInfo(User(static_cast<std::size_t>(*number), *requiresPassword, std::move(*name), std::move(*icon),
                       *mixHide, *phaseInvert == "1"),
                  Device(std::move(*serialNumber), *type, std::move(*ip), static_cast<std::uint16_t>(*port), *version,
                         std::move(*deviceName), *inputs, *outputs, std::move(*uid)));
}

std::string UserInfo::User::description() const { return name_ + " #" + std::to_string(number_); }

std::string UserInfo::Device::description() const {
  return name_ + " - " + ip_ + ":" + std::to_string(port_) + " " + type_.description() + ":" + uid_;
}

std::string UserInfo::description() const { return user_.description() + " " + device_.description(); }

}  // namespace device
