#pragma once
// A personal-mix channel parameter change that a processor reports to its clients:
//   /Vp/ui/<user>/ch/<channel>/<parameter>[/Relayed]   value [, uid of the causing client]
// One class template over the parameter (its value type, its name and how the first argument
// converts), with one alias per parameter below. Only the user, channel, parameter and "Relayed"
// parts are read; the handler's address pattern vouches for the rest. Building never throws: a
// message of another shape gives nothing.
// Plain values; any thread may use its own copy.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "device/Clients/OSCEnumerationValue.h"
#include "device/Model/RenderMode.h"
#include "osc/OSCMessage.h"
#include "platform/NumberText.h"

namespace device {

template <typename Parameter>
class OSCChannelParameterValueMessage {
 public:
  using Value = typename Parameter::Value;

  // Address parts 2 (user, 0...255), 4 (channel, 0...65535) and 5 (parameter, exactly the
  // parameter's name) must be there; part 6 "Relayed" marks a relayed change. The first argument
  // must convert to Value by its kind alone (no number is taken for another kind). The uid is
  // the second argument when there are exactly two and it is a string.
  static std::optional<OSCChannelParameterValueMessage> fromMessage(const osc::OSCMessage& message) {
    const osc::OSCAddress& address = message.address();
    const auto user = address.part<std::uint8_t>(2);
    const auto channel = address.part<std::uint16_t>(4);
    const auto name = address.part(5);
    if (!user || !channel || !name) return std::nullopt;
    const auto& values = message.values();
    if (values.empty()) return std::nullopt;
    auto value = Parameter::convertValue(values[0]);
    if (!value || *name != Parameter::name) return std::nullopt;
    OSCChannelParameterValueMessage result;
    result.value = std::move(value);
    result.user = *user;
    result.channel = *channel;
    result.relayed = address.part(6) == std::optional<std::string_view>("Relayed");
    if (values.size() == 2) {
      if (const auto uid = values[1].asString()) result.uid = std::string(*uid);
    }
    return result;
  }

  std::optional<Value> value;  // always set on a built message
  std::uint8_t user = 0;
  std::uint16_t channel = 0;
  bool relayed = false;
  std::optional<std::string> uid;

  static constexpr std::string_view parameterName() { return Parameter::name; }

  // "User 3 Channel\u00A012 @ gaindB -3.5 from <uid>" (no-break space after "Channel"; an absent
  // uid prints as nothing).
  std::string description() const {
    return "User " + std::to_string(user) + " Channel\u00A0" + std::to_string(channel) + " @ " +
           std::string(Parameter::name) + " " + (value ? Parameter::text(*value) : std::string()) + " from " +
           uid.value_or("");
  }

  friend bool operator==(const OSCChannelParameterValueMessage&, const OSCChannelParameterValueMessage&) = default;
};

namespace channel_parameter {

template <const char* Name>
struct FloatParameter {
  using Value = float;
  static constexpr std::string_view name = Name;
  static std::optional<float> convertValue(const osc::OSCValue& v) { return v.asFloat(); }
  static std::string text(float v) { return platform::formatShortest(v); }
};

template <const char* Name>
struct BoolParameter {
  using Value = bool;
  static constexpr std::string_view name = Name;
  static std::optional<bool> convertValue(const osc::OSCValue& v) { return v.asBool(); }
  static std::string text(bool v) { return v ? "true" : "false"; }
};

// A 32-bit integer naming a render mode (1...4); 0, 5 and above, negatives and other kinds
// give nothing.
struct ModeVisibleParameter {
  using Value = RenderMode;
  static constexpr std::string_view name = "modeVisible";
  static std::optional<RenderMode> convertValue(const osc::OSCValue& v) { return asEnumeration<RenderMode>(v); }
  static std::string text(RenderMode v) { return description(v); }
};

inline constexpr char azi[] = "azi";
inline constexpr char ele[] = "ele";
inline constexpr char gaindB[] = "gaindB";
inline constexpr char mute[] = "mute";
inline constexpr char solo[] = "solo";

}  // namespace channel_parameter

using OSCChannelAzimuthMessage = OSCChannelParameterValueMessage<channel_parameter::FloatParameter<channel_parameter::azi>>;
using OSCChannelElevationMessage =
    OSCChannelParameterValueMessage<channel_parameter::FloatParameter<channel_parameter::ele>>;
using OSCChannelGainDbMessage =
    OSCChannelParameterValueMessage<channel_parameter::FloatParameter<channel_parameter::gaindB>>;
using OSCChannelModeVisibleMessage = OSCChannelParameterValueMessage<channel_parameter::ModeVisibleParameter>;
using OSCChannelMuteMessage = OSCChannelParameterValueMessage<channel_parameter::BoolParameter<channel_parameter::mute>>;
using OSCChannelSoloMessage = OSCChannelParameterValueMessage<channel_parameter::BoolParameter<channel_parameter::solo>>;

}  // namespace device
