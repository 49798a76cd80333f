#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/Model/UserInfo.h"

namespace {

using device::DeviceType;
using device::Hide;
using device::SoftwareVersion;
using device::UserInfo;
using osc::OSCValue;

// A well-formed reply of a tamo: 18 arguments.
std::vector<OSCValue> reply() {
  return {"Anna",        "inst_x1",   std::int32_t{3},  false,           "SN123",         "192.168.1.20",
          std::int32_t{9000}, "VELTO:tamo", "5.7.13",   std::int32_t{0}, std::int32_t{0}, "Stage Rack",
          std::int32_t{24},   std::int32_t{5}, std::int32_t{0}, std::int32_t{0}, "0",  "UID-1"};
}

std::optional<UserInfo> read(std::vector<OSCValue> values) {
  return UserInfo::fromMessage(*osc::OSCMessage::make("/VELTOapp/control/UserInfo", std::move(values)));
}

struct Case {
  const char* label;
  std::function<void(std::vector<OSCValue>&)> change;
  std::function<bool(const UserInfo&)> check;  // null: no record
};

TEST(UserInfo, ReadsArgumentsByPositionAndRejectsMalformedReplies) {
  const auto set = [](std::size_t position, OSCValue value) {
    return [position, value](std::vector<OSCValue>& v) { v[position] = value; };
  };
  const auto setTwo = [](std::size_t p1, OSCValue v1, std::size_t p2, OSCValue v2) {
    return [=](std::vector<OSCValue>& v) { v[p1] = v1; v[p2] = v2; };
  };
  const Case cases[] = {
      {"well-formed", [](auto&) {},
       [](const UserInfo& u) {
         return u.user().number() == 3 && !u.user().requiresPassword() && u.user().icon() == "inst_x1" &&
                u.user().mixHide() == Hide::visible && !u.user().phaseInvert() && u.device().port() == 9000 &&
                u.device().version() == SoftwareVersion(5, 7, 13) && u.device().uid() == "UID-1" &&
                u.device().numberOfInputs() == 24 && u.device().serialNumber() == "SN123";
       }},
      {"17 arguments", [](auto& v) { v.pop_back(); }, nullptr},
      {"25 arguments: uid last",
       [](auto& v) {
         v.insert(v.begin() + 17, {OSCValue::blob({1, 2}), OSCValue::float_(1.5f), std::int32_t{7}, "x", true,
                                   OSCValue::int64(1), "not the uid"});
         v.back() = "UID-24";
       },
       [](const UserInfo& u) { return u.device().uid() == "UID-24"; }},
      {"uid not a string", set(17, std::int32_t{1}), nullptr},
      {"ignored positions of any kind",
       [](auto& v) { v[9] = OSCValue::blob({}); v[10] = OSCValue::float_(2); v[14] = "z"; },
       [](const UserInfo&) { return true; }},
      {"phase invert \"1\"", set(16, "1"), [](const UserInfo& u) { return u.user().phaseInvert(); }},
      {"phase invert \"true\"", set(16, "true"), [](const UserInfo& u) { return !u.user().phaseInvert(); }},
      {"phase invert \"01\"", set(16, "01"), [](const UserInfo& u) { return !u.user().phaseInvert(); }},
      {"phase invert empty", set(16, ""), [](const UserInfo& u) { return !u.user().phaseInvert(); }},
      {"phase invert int32", set(16, std::int32_t{1}), nullptr},
      {"mix hide 20", set(15, std::int32_t{20}), [](const UserInfo& u) { return u.user().mixHide() == Hide::hidden; }},
      {"mix hide 1", set(15, std::int32_t{1}), nullptr},
      {"mix hide string", set(15, "0"), nullptr},
      {"port 65535", set(6, std::int32_t{65535}), [](const UserInfo& u) { return u.device().port() == 65535; }},
      {"port 65536", set(6, std::int32_t{65536}), nullptr},
      {"port -1", set(6, std::int32_t{-1}), nullptr},
      {"port as 64-bit", set(6, OSCValue::int64(9000)), nullptr},
      {"user number -1", set(2, std::int32_t{-1}), nullptr},
      {"password as int32", set(3, std::int32_t{1}), nullptr},
      {"password true", set(3, true), [](const UserInfo& u) { return u.user().requiresPassword(); }},
      {"name as float", set(0, OSCValue::float_(1)), nullptr},
      {"unknown model", set(7, "VELTO:Tamo"), nullptr},
      {"version 5.7", set(8, "5.7"), nullptr},
      {"version as int32", set(8, std::int32_t{50713}), nullptr},
      {"negative inputs kept", set(12, std::int32_t{-5}),
       [](const UserInfo& u) { return u.device().numberOfInputs() == -5; }},
      {"negative outputs", set(13, std::int32_t{-1}), nullptr},
      {"tamo with 3 outputs",
       set(13, std::int32_t{3}),
       [](const UserInfo& u) {
         return u.device().type() == DeviceType::tamo() && u.device().numberOfOutputs() == 3;
       }},
      {"pelion with 8 outputs", setTwo(7, "VELTO:pelion", 13, std::int32_t{8}),
       [](const UserInfo& u) {
         return u.device().type().numberOfMixes() == 8 && u.device().type().numberOfInputs() == 23;
       }},
      {"pelion with 0 outputs", setTwo(7, "VELTO:pelion", 13, std::int32_t{0}), nullptr},
      {"pelion with 17 outputs", setTwo(7, "VELTO:pelion", 13, std::int32_t{17}), nullptr},
  };
  for (const Case& c : cases) {
    auto values = reply();
    c.change(values);
    const auto info = read(values);
    if (c.check) {
      ASSERT_TRUE(info.has_value()) << c.label;
      EXPECT_TRUE(c.check(*info)) << c.label;
    } else {
      EXPECT_FALSE(info.has_value()) << c.label;
    }
  }
  EXPECT_FALSE(read({}).has_value());
}

TEST(UserInfo, DescribesAndComparesByIdentity) {
  const auto info = read(reply());
  ASSERT_TRUE(info);
  EXPECT_EQ(info->description(), "Anna #3 Stage Rack - 192.168.1.20:9000 VELTO:tamo:UID-1");

  auto moved = reply();
  moved[5] = "10.0.0.7";
  moved[11] = "Renamed";
  moved[8] = "5.8.0";
  EXPECT_EQ(read(moved)->device(), info->device());
  EXPECT_EQ(*read(moved), *info);

  auto otherSerial = reply();
  otherSerial[4] = "SN124";
  EXPECT_NE(read(otherSerial)->device(), info->device());
  auto otherUser = reply();
  otherUser[16] = "1";
  EXPECT_NE(read(otherUser)->user(), info->user());
  EXPECT_NE(*read(otherUser), *info);
}

}  // namespace
