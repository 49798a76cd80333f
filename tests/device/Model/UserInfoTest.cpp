#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "device/Model/UserInfo.h"

namespace {

using device::UserInfo;
using osc::OSCValue;
using Values = std::vector<OSCValue>;

using Changes = std::vector<std::pair<std::size_t, OSCValue>>;

// A well-formed reply of a tamo (18 arguments) with the arguments at the positions of `changes`
// replaced.
Values reply(const Changes& changes = {}) {
  Values v = {"Anna", "inst_x1", std::int32_t{3}, false, "SN123", "192.168.1.20", std::int32_t{9000}, "VELTO:tamo",
              "5.7.13", std::int32_t{0}, std::int32_t{0}, "Stage Rack", std::int32_t{24}, std::int32_t{5},
              std::int32_t{0}, std::int32_t{0}, "0", "UID-1"};
  for (const auto& [position, value] : changes) v[position] = value;
  return v;
}

std::optional<UserInfo> read(Values values) {
  return UserInfo::fromMessage(*osc::OSCMessage::make("/VELTOapp/control/UserInfo", std::move(values)));
}

// The fields a description leaves out: password, mix hide, phase, port, version, reported inputs
// and outputs, the type's mixes x inputs, uid.
std::string summary(const std::optional<UserInfo>& info) {
  if (!info) return "none";
  const auto& u = info->user();
  const auto& d = info->device();
  return std::string(u.requiresPassword() ? "pw " : "") + device::description(u.mixHide()) +
         (u.phaseInvert() ? " inverted " : " ") + std::to_string(d.port()) + " " + d.version().description() +
         " " + std::to_string(d.numberOfInputs()) + "/" + std::to_string(d.numberOfOutputs()) + " " +
         std::to_string(d.type().numberOfMixes()) + "x" + std::to_string(d.type().numberOfInputs()) + " " + d.uid();
}

TEST(UserInfo, ReadsArgumentsByPositionAndRejectsMalformedReplies) {
  using I = std::int32_t;
  const char* plain = "visible 9000 5.7.13 24/5 5x24 UID-1";
  const struct {
    Changes changes;
    const char* expected;
  } cases[] = {
      {{}, plain},
      {{{17, I{1}}}, "none"},  // a uid of another kind
      {{{9, OSCValue::blob({})}, {10, OSCValue::float_(2)}, {14, "z"}}, plain},  // ignored, of any kind
      {{{16, "1"}}, "visible inverted 9000 5.7.13 24/5 5x24 UID-1"},
      {{{16, "true"}}, plain},
      {{{16, I{1}}}, "none"},
      {{{15, I{20}}}, "hidden 9000 5.7.13 24/5 5x24 UID-1"},
      {{{15, I{1}}}, "none"},
      {{{15, "0"}}, "none"},
      {{{6, I{65535}}}, "visible 65535 5.7.13 24/5 5x24 UID-1"},
      {{{6, I{65536}}}, "none"},
      {{{6, I{-1}}}, "none"},
      {{{2, I{-1}}}, "none"},  // user number
      {{{3, I{1}}}, "none"},
      {{{3, true}}, "pw visible 9000 5.7.13 24/5 5x24 UID-1"},
      {{{7, "VELTO:Tamo"}}, "none"},
      {{{8, "5.7"}}, "none"},
      {{{8, I{50713}}}, "none"},
      {{{12, I{-5}}}, "visible 9000 5.7.13 -5/5 5x24 UID-1"},
      {{{13, I{-1}}}, "none"},
      {{{13, I{3}}}, "visible 9000 5.7.13 24/3 5x24 UID-1"},
      {{{7, "VELTO:pelion"}, {13, I{8}}}, "visible 9000 5.7.13 24/8 8x23 UID-1"},
      {{{7, "VELTO:pelion"}, {13, I{17}}}, "none"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(summary(read(reply(cases[i].changes))), cases[i].expected) << "row " << i;

  Values values = reply();
  values.pop_back();
  EXPECT_EQ(summary(read(values)), "none");  // 17 arguments
  values = reply({{17, "UID-24"}});
  values.insert(values.begin() + 17, {OSCValue::blob({1}), OSCValue::float_(1), true, OSCValue::int64(1), "x", "y",
                                      "z"});
  EXPECT_EQ(summary(read(values)), "visible 9000 5.7.13 24/5 5x24 UID-24");
}

TEST(UserInfo, DescribesAndComparesByIdentity) {
  const auto info = read(reply());
  ASSERT_TRUE(info);
  EXPECT_EQ(info->description(), "Anna #3 Stage Rack - 192.168.1.20:9000 VELTO:tamo:UID-1");
  // Address, name and version are not part of the device's identity.
  for (const Changes& same : {Changes{{5, "10.0.0.7"}}, Changes{{11, "Renamed"}}, Changes{{8, "5.8.0"}}})
    EXPECT_EQ(*read(reply(same)), *info);
  EXPECT_NE(read(reply({{4, "SN124"}}))->device(), info->device());
  EXPECT_NE(read(reply({{16, "1"}}))->user(), info->user());
  EXPECT_NE(*read(reply({{16, "1"}})), *info);
}

}  // namespace
