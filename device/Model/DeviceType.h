#pragma once
// Which model of the device family a peer is and how large it is: mixes served and inputs per mix.
// Made only by the factories below, so the counts always come from the model table.
// A value type; any thread may use its own copy.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "device/XML/RawValue.h"

namespace device {

class DeviceType {
 public:
  enum class Value { app, tamo, pelion, hxb, zelvarine, sirel, sirelPlus, rotaver, one, onePro };

  // The model's row of the table. For every model but pelion the count is ignored (also when
  // absent); pelion needs a count in 1...16 and takes its inputs from the pelion table.
  static std::optional<DeviceType> make(Value value, std::optional<std::size_t> numberOfMixes);
  // As above after looking the model up by its exact raw string.
  static std::optional<DeviceType> make(std::string_view rawValue, std::optional<std::size_t> numberOfMixes);

  static DeviceType app();
  static DeviceType tamo();
  // Throws std::out_of_range unless 1 <= numberOfMixes <= 16; callers holding a count from
  // outside use make() instead.
  static DeviceType pelion(std::size_t numberOfMixes);
  static DeviceType hxb();
  static DeviceType zelvarine();
  static DeviceType sirel();
  static DeviceType sirelPlus();
  static DeviceType rotaver();
  static DeviceType one();
  static DeviceType onePro();

  Value value() const { return value_; }
  std::size_t numberOfMixes() const { return numberOfMixes_; }
  std::size_t numberOfInputs() const { return numberOfInputs_; }
  // The model's raw string only ("VELTO:pelion" whatever the mix count).
  std::string description() const;

  friend bool operator==(const DeviceType&, const DeviceType&) = default;

 private:
  DeviceType(Value value, std::size_t mixes, std::size_t inputs)
      : value_(value), numberOfMixes_(mixes), numberOfInputs_(inputs) {}
  static DeviceType fixed(Value value);

  Value value_;
  std::size_t numberOfMixes_;
  std::size_t numberOfInputs_;
};

template <>
struct RawValueTraits<DeviceType::Value> {
  using Raw = std::string;
  static std::optional<DeviceType::Value> fromRaw(std::string_view raw);
  static std::string toRaw(DeviceType::Value value);
};

// False only for the companion app and the hardware controller.
bool isProcessor(DeviceType::Value value);
// A symbol image name: "laptopcomputer", "gamecontroller" or "music.note.tv".
std::string iconName(DeviceType::Value value);
// A fixed code per model (sirel and sirelPlus share 5000).
int numericCode(DeviceType::Value value);

}  // namespace device
