#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "device/Model/Status.h"
#include "device/XML/ZRXMLParser.h"
#include "tests/device/Model/DecodeError.h"

namespace {

using device::Status;
using device::ZRXMLParser;

constexpr const char* kAppSettings =
    R"(<Status><Device Name="AppSettings"><Settings><VALUE name="AppName" val="Stage"/></Settings></Device></Status>)";

TEST(Status, DecodeReadsFlagsAndBothSettingsInPlace) {
  struct Case {
    std::string document;
    bool settingsChanged, statusChanged;
    std::int64_t logLevel;
    const char* appName;
    const char* error = "";
  };
  const Case cases[] = {
      {R"(<R SettingsChanged="1" StatusChanged="no"/>)", true, false, 2, ""},
      {R"(<R SettingsChanged="maybe" StatusChanged="TRUE"/>)", false, true, 2, ""},
      {R"(<R><Settings><VALUE name="LogLevel" val="4"/></Settings></R>)", false, false, 4, ""},
      {std::string("<R SettingsChanged=\"yes\">") + kAppSettings +
           R"(<Settings><VALUE name="LogLevel" val="3"/></Settings></R>)",
       true, false, 3, "Stage"},
      // Only a "Device" named AppSettings inside the first "Status" counts.
      {R"(<R><Status><Device Name="Other"><Settings><VALUE name="AppName" val="x"/></Settings></Device>)"
       R"(<Device><Settings/></Device></Status></R>)",
       false, false, 2, ""},
      {R"(<R><Device Name="AppSettings"><Settings><VALUE name="AppName" val="x"/></Settings></Device></R>)",
       false, false, 2, ""},
      // A failing app settings part leaves the processor settings untouched.
      {R"(<R StatusChanged="1"><Status><Device Name="AppSettings"/></Status>)"
       R"(<Settings><VALUE name="LogLevel" val="4"/></Settings></R>)",
       false, true, 2, "", R"(Device does not contain child "Settings")"},
      {R"(<R><Settings><VALUE name="LogLevel" val="4"/><VALUE name="AutoLockDevicesToMix" val="x"/></Settings></R>)",
       false, false, 4, "", R"(value "x" of attribute VALUE.val could not be converted to the expected type.)"},
  };
  for (const Case& c : cases) {
    Status status;
    status.settingsChanged = status.statusChanged = true;
    const auto settings = status.settings;
    const auto appSettings = status.appSettings;
    EXPECT_EQ(testsupport::decodeError([&] { status.decode(ZRXMLParser::parseDocument(c.document)); }), c.error)
        << c.document;
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
  source->decode(ZRXMLParser::parseDocument(std::string(R"(<R SettingsChanged="1">)") + kAppSettings +
                                            R"(<Settings><VALUE name="SRMode" val="9"/></Settings></R>)"));
  EXPECT_FALSE(copy->settingsChanged);
  EXPECT_NE(copy->settings, source->settings);
  EXPECT_NE(copy->appSettings, source->appSettings);
  EXPECT_EQ(copy->settings->srMode, 1);
  EXPECT_TRUE(copy->settings->autoUpdateRotavers);
  EXPECT_EQ(copy->appSettings->appName, "");
  EXPECT_EQ(copy->appSettings->uuid, source->appSettings->uuid);
}

}  // namespace
