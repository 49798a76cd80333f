#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/Model/UserInfo.h"

namespace {

using device::UserInfo;
using osc::OSCValue;
using Values = std::vector<OSCValue>;

// A well-formed reply of a tamo: 18 arguments.
Values reply() {
  return {"Anna", "inst_x1", std::int32_t{3}, false, "SN123", "192.168.1.20", std::int32_t{9000}, "VELTO:tamo",
          "5.7.13", std::int32_t{0}, std::int32_t{0}, "Stage Rack", std::int32_t{24}, std::int32_t{5},
          std::int32_t{0}, std::int32_t{0}, "0", "UID-1"};
}

std::optional<UserInfo> read(Values values) {
  return UserInfo::fromMessage(*osc::OSCMessage::make("/VELTOapp/control/UserInfo", std::move(values)));
}

// The fields a description leaves out: password, mix hide, phase, version, reported inputs and
// outputs, the type's mixes x inputs, uid.
std::string summary(const std::optional<UserInfo>& info) {
  if (!info) return "none";
  const auto& u = info->user();
  const auto& d = info->device();
  return std::string(u.requiresPassword() ? "pw " : "") + device::description(u.mixHide()) +
         (u.phaseInvert() ? " inverted " : " ") + std::to_string(d.port()) + " " + d.version().description() +
         " " + std::to_string(d.numberOfInputs()) + "/" + std::to_string(d.numberOfOutputs()) + " " +
         std::to_string(d.type().numberOfMixes()) + "x" + std::to_string(d.type().numberOfInputs()) + " " + d.uid();
}

constexpr const char* kPlain = "visible 9000 5.7.13 24/5 5x24 UID-1";

TEST(UserInfo, ReadsArgumentsByPositionAndRejectsMalformedReplies) {
  const auto set = [](std::size_t position, OSCValue value) {
    return [position, value](Values& v) { v[position] = value; };
  };
  struct Case {
    const char* label;
    std::function<void(Values&)> change;
    const char* expected;
  };
  const Case cases[] = {
      {"well-formed", [](Values&) {}, kPlain},
      {"17 arguments", [](Values& v) { v.pop_back(); }, "none"},
      {"25 arguments",
       [](Values& v) {
         v.insert(v.begin() + 17, {OSCValue::blob({1}), OSCValue::float_(1), true, OSCValue::int64(1), "x", "y", "z"});
         v.back() = "UID-24";
       },
       "visible 9000 5.7.13 24/5 5x24 UID-24"},
      {"uid of another kind", set(17, std::int32_t{1}), "none"},
      {"ignored arguments of any kind",
       [](Values& v) { v[9] = OSCValue::blob({}); v[10] = OSCValue::float_(2); v[14] = "z"; }, kPlain},
      {"phase \"1\"", set(16, "1"), "visible inverted 9000 5.7.13 24/5 5x24 UID-1"},
      {"phase \"true\"", set(16, "true"), kPlain},
      {"phase empty", set(16, ""), kPlain},
      {"phase int32", set(16, std::int32_t{1}), "none"},
      {"hide 20", set(15, std::int32_t{20}), "hidden 9000 5.7.13 24/5 5x24 UID-1"},
      {"hide 1", set(15, std::int32_t{1}), "none"},
      {"hide text", set(15, "0"), "none"},
      {"port 65535", set(6, std::int32_t{65535}), "visible 65535 5.7.13 24/5 5x24 UID-1"},
      {"port 65536", set(6, std::int32_t{65536}), "none"},
      {"port -1", set(6, std::int32_t{-1}), "none"},
      {"user number -1", set(2, std::int32_t{-1}), "none"},
      {"password int32", set(3, std::int32_t{1}), "none"},
      {"password true", set(3, true), "pw visible 9000 5.7.13 24/5 5x24 UID-1"},
      {"unknown model", set(7, "VELTO:Tamo"), "none"},
      {"version 5.7", set(8, "5.7"), "none"},
      {"version int32", set(8, std::int32_t{50713}), "none"},
      {"negative inputs", set(12, std::int32_t{-5}), "visible 9000 5.7.13 -5/5 5x24 UID-1"},
      {"negative outputs", set(13, std::int32_t{-1}), "none"},
      {"tamo with 3 outputs", set(13, std::int32_t{3}), "visible 9000 5.7.13 24/3 5x24 UID-1"},
      {"pelion with 8", [](Values& v) { v[7] = "VELTO:pelion"; v[13] = std::int32_t{8}; },
       "visible 9000 5.7.13 24/8 8x23 UID-1"},
      {"pelion with 0", [](Values& v) { v[7] = "VELTO:pelion"; v[13] = std::int32_t{0}; }, "none"},
      {"pelion with 17", [](Values& v) { v[7] = "VELTO:pelion"; v[13] = std::int32_t{17}; }, "none"},
  };
  for (const Case& c : cases) {
    Values values = reply();
    c.change(values);
    EXPECT_EQ(summary(read(values)), c.expected) << c.label;
  }
}

TEST(UserInfo, DescribesAndComparesByIdentity) {
  const auto info = read(reply());
  ASSERT_TRUE(info);
  EXPECT_EQ(info->description(), "Anna #3 Stage Rack - 192.168.1.20:9000 VELTO:tamo:UID-1");

  const auto changed = [](std::size_t position, OSCValue value) {
    Values values = reply();
    values[position] = value;
    return *read(values);
  };
  // Address, name and version are not part of the device's identity.
  EXPECT_EQ(changed(5, "10.0.0.7"), *info);
  EXPECT_EQ(changed(11, "Renamed"), *info);
  EXPECT_EQ(changed(8, "5.8.0"), *info);
  EXPECT_NE(changed(4, "SN124").device(), info->device());
  EXPECT_NE(changed(16, "1").user(), info->user());
  EXPECT_NE(changed(16, "1"), *info);
}

}  // namespace
