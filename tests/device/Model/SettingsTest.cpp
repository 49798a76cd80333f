#include <gtest/gtest.h>

#include <string>

#include "device/Model/Settings.h"
#include "device/XML/ZRXMLParser.h"
#include "tests/device/Model/DecodeError.h"

namespace {

using device::Settings;
using device::ZRXMLParser;

// Every field, the addresses as text.
std::string fields(const Settings& s) {
  return std::to_string(s.srMode) + " " + std::to_string(s.numberOfInputs) + " " +
         std::to_string(s.numberOfUsers) + " " + (s.eqEnabled ? "eq" : "-") + " " +
         s.fixedIP.description() + " " + s.fixedSubnet.description() + " " +
         s.fixedGateway.description() + " " + std::to_string(s.logLevel) + " " +
         (s.autoUpdateRotavers ? "rot" : "-") + " " + std::to_string(s.autoLockDevicesToMix);
}

constexpr const char* kDefaults = "1 0 0 - 0.0.0.0 255.255.255.0 0.0.0.0 2 - 2";

TEST(Settings, DecodeUpdatesUntilTheFirstBadValue) {
  struct Case {
    const char* entries;
    const char* expected;
    const char* error = "";
  };
  const Case cases[] = {
      {"", kDefaults},
      {R"(<VALUE name="FixedIP" val="192.168.1.50"/><VALUE name="FixedGateway" val="10.0.0.1"/>)",
       "1 0 0 - 192.168.1.50 255.255.255.0 10.0.0.1 2 - 2"},
      // An address text that does not read keeps the field; the next keys are still read.
      {R"(<VALUE name="FixedIP" val="dhcp"/><VALUE name="LogLevel" val="4"/>)",
       "1 0 0 - 0.0.0.0 255.255.255.0 0.0.0.0 4 - 2"},
      {R"(<VALUE name="SRMode" val="3"/><VALUE name="NumberOfInputs" val="-7"/>)"
       R"(<VALUE name="NumberOfUsers" val="eight"/><VALUE name="LogLevel" val="5"/>)",
       "3 -7 0 - 0.0.0.0 255.255.255.0 0.0.0.0 2 - 2",
       R"(value "eight" of attribute VALUE.val could not be converted to the expected type.)"},
      {R"(<VALUE name="EQenabled" val="Yes"/><VALUE name="FixedSubnet"/><VALUE name="LogLevel" val="4"/>)",
       "1 0 0 eq 0.0.0.0 255.255.255.0 0.0.0.0 2 - 2", R"(attribute "val" not found for "VALUE")"},
      // The first entry of a key wins; entries of unknown keys are ignored.
      {R"(<VALUE name="SRMode" val="2"/><VALUE name="SRMode" val="x"/><VALUE name="AutoUpdateRotavers" val="1"/>)"
       R"(<VALUE name="AutoLockDevicesToMix" val="0"/><VALUE name="NumberOfUsers" val="99999999999"/>)",
       "2 0 99999999999 - 0.0.0.0 255.255.255.0 0.0.0.0 2 - 0"},
  };
  for (const Case& c : cases) {
    Settings settings;
    const auto xml = ZRXMLParser::parseDocument(std::string("<Settings>") + c.entries + "</Settings>");
    EXPECT_EQ(testsupport::decodeError([&] { settings.decode(xml); }), c.error) << c.entries;
    EXPECT_EQ(fields(settings), c.expected) << c.entries;
  }
}

}  // namespace
