#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "device/Model/Status.h"
#include "tests/device/Model/ModelXml.h"

namespace {

using device::Settings;
using device::Status;
using modeltest::badValue;
using modeltest::errorOf;
using modeltest::noAttribute;
using modeltest::parse;

// Every field of the processor settings, the addresses as text.
std::string fields(const Settings& s) {
  return std::to_string(s.srMode) + " " + std::to_string(s.numberOfInputs) + " " + std::to_string(s.numberOfUsers) +
         (s.eqEnabled ? " eq " : " - ") + s.fixedIP.description() + " " + s.fixedSubnet.description() + " " +
         s.fixedGateway.description() + " " + std::to_string(s.logLevel) + (s.autoUpdateRotavers ? " rot " : " - ") +
         std::to_string(s.autoLockDevicesToMix);
}

TEST(Settings, DecodeUpdatesUntilTheFirstBadValue) {
  const struct {
    const char* entries;
    const char* expected;
    std::string error;
  } cases[] = {
      {"", "1 0 0 - 0.0.0.0 255.255.255.0 0.0.0.0 2 - 2", ""},  // the initial values
      {R"(<VALUE name="FixedIP" val="192.168.1.50"/><VALUE name="FixedGateway" val="10.0.0.1"/>)",
       "1 0 0 - 192.168.1.50 255.255.255.0 10.0.0.1 2 - 2", ""},
      // An address text that does not read keeps the field; the next keys are still read.
      {R"(<VALUE name="FixedIP" val="dhcp"/><VALUE name="LogLevel" val="4"/>)",
       "1 0 0 - 0.0.0.0 255.255.255.0 0.0.0.0 4 - 2", ""},
      {R"(<VALUE name="SRMode" val="3"/><VALUE name="NumberOfInputs" val="-7"/>)"
       R"(<VALUE name="NumberOfUsers" val="eight"/><VALUE name="LogLevel" val="5"/>)",
       "3 -7 0 - 0.0.0.0 255.255.255.0 0.0.0.0 2 - 2", badValue("eight")},
      {R"(<VALUE name="EQenabled" val="Yes"/><VALUE name="FixedSubnet"/><VALUE name="LogLevel" val="4"/>)",
       "1 0 0 eq 0.0.0.0 255.255.255.0 0.0.0.0 2 - 2", noAttribute("val")},
      // The first entry of a key wins; entries of unknown keys are ignored.
      {R"(<VALUE name="SRMode" val="2"/><VALUE name="SRMode" val="x"/><VALUE name="AutoUpdateRotavers" val="1"/>)"
       R"(<VALUE name="AutoLockDevicesToMix" val="0"/><VALUE name="NumberOfUsers" val="99999999999"/>)",
       "2 0 99999999999 - 0.0.0.0 255.255.255.0 0.0.0.0 2 - 0", ""},
      // Element and key names match exactly; other attributes of an entry are ignored.
      {R"(<value name="SRMode" val="4"/><VALUE name="srmode" val="9"/><VALUE name="LogLevel" val="3" extra="x"/>)",
       "1 0 0 - 0.0.0.0 255.255.255.0 0.0.0.0 3 - 2", ""},
  };
  for (const auto& c : cases) {
    Settings settings;
    EXPECT_EQ(errorOf([&] { settings.decode(parse(std::string("<S>") + c.entries + "</S>")); }), c.error);
    EXPECT_EQ(fields(settings), c.expected) << c.entries;
  }
}

constexpr const char* kAppSettings =
    R"(<Status><Device Name="AppSettings"><Settings><VALUE name="AppName" val="Stage"/></Settings></Device></Status>)";

TEST(Status, DecodeReadsFlagsAndBothSettingsInPlace) {
  const struct {
    std::string document;
    bool settingsChanged, statusChanged;
    std::int64_t logLevel;
    const char* appName;
    std::string error;
  } cases[] = {
      {R"(<R SettingsChanged="1" StatusChanged="no"/>)", true, false, 2, "", ""},
      {R"(<R SettingsChanged="maybe" StatusChanged="TRUE"/>)", false, true, 2, "", ""},
      {std::string("<R SettingsChanged=\"yes\">") + kAppSettings +
           R"(<Settings><VALUE name="LogLevel" val="3"/></Settings></R>)", true, false, 3, "Stage", ""},
      // Only a "Device" named AppSettings inside the first "Status" counts.
      {R"(<R><Status><Device Name="Other"><Settings><VALUE name="AppName" val="x"/></Settings></Device>)"
       R"(<Device><Settings/></Device></Status></R>)", false, false, 2, "", ""},
      {R"(<R><Device Name="AppSettings"><Settings><VALUE name="AppName" val="x"/></Settings></Device></R>)",
       false, false, 2, "", ""},
      // A failing app settings part leaves the processor settings untouched.
      {R"(<R StatusChanged="1"><Status><Device Name="AppSettings"/></Status>)"
       R"(<Settings><VALUE name="LogLevel" val="4"/></Settings></R>)", false, true, 2, "",
       modeltest::noChild("Device", "Settings")},
      {R"(<R><Settings><VALUE name="LogLevel" val="4"/><VALUE name="AutoLockDevicesToMix" val="x"/></Settings></R>)",
       false, false, 4, "", badValue("x")},
  };
  for (const auto& c : cases) {
    Status status;
    status.settingsChanged = status.statusChanged = true;
    const auto settings = status.settings;
    const auto appSettings = status.appSettings;
    EXPECT_EQ(errorOf([&] { status.decode(parse(c.document)); }), c.error) << c.document;
    EXPECT_EQ(status.settingsChanged, c.settingsChanged) << c.document;
    EXPECT_EQ(status.statusChanged, c.statusChanged) << c.document;
    EXPECT_TRUE(status.settings == settings && status.appSettings == appSettings) << "replaced: " << c.document;
    EXPECT_EQ(settings->logLevel, c.logLevel) << c.document;
    EXPECT_EQ(appSettings->properties.at("AppName"), c.appName) << c.document;
  }
}

TEST(Status, CopyIsIndependentOfLaterDecodes) {
  auto source = std::make_shared<Status>();
  source->settings->autoUpdateRotavers = true;
  const auto copy = device::deepCopy(source);
  source->decode(parse(std::string(R"(<R SettingsChanged="1">)") + kAppSettings +
                       R"(<Settings><VALUE name="SRMode" val="9"/></Settings></R>)"));
  EXPECT_EQ(fields(*copy->settings) + (copy->settingsChanged ? " changed " : " ") + copy->appSettings->appName,
            "1 0 0 - 0.0.0.0 255.255.255.0 0.0.0.0 2 rot 2 ");
}

}  // namespace
