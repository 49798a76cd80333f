#include <gtest/gtest.h>

#include "device/Model/Group.h"
#include "tests/device/Model/ModelXml.h"

namespace {

using modeltest::noAttribute;

TEST(Group, ReadsItsAttributesAndWritesThemBackCanonically) {
  const struct {
    const char* attributes;
    std::string errorOrWritten;  // the error, or what the group writes into a new element
  } cases[] = {
      {R"(ID="2" Name="B" Icon="i" Colour="FF0000FF")", R"(<Group Colour="ff0000ff" ID="2" Icon="i" Name="B"/>)"},
      {R"(ID="-1" Name="B" Icon="i" Colour="zz")", R"(<Group Colour="ff702482" ID="-1" Icon="i" Name="B"/>)"},
      {R"(ID="2" Name="B" Icon="i" Colour="ff0000")", R"(<Group Colour="00ff0000" ID="2" Icon="i" Name="B"/>)"},
      {R"(ID="2" Name="B" Colour="ff")", noAttribute("Icon", "Group")},
      {R"(ID="2" Icon="i" Colour="ff")", noAttribute("Name", "Group")},
      {R"(ID="2" Name="B" Icon="i")", noAttribute("Colour", "Group")},
      {R"(Icon="i" Colour="ff")", noAttribute("ID", "Group")},  // "ID" is read first
      {R"(ID="2.0" Name="B" Icon="i" Colour="ff")", modeltest::badValue("2.0", "Group.ID")},
  };
  for (const auto& c : cases) {
    const auto xml = std::make_shared<device::ZRXMLElement>("Group");
    const std::string error = modeltest::errorOf([&] {
      device::Group::fromXml(modeltest::parse(std::string("<Group ") + c.attributes + "/>"))->encode(xml);
    });
    EXPECT_EQ(error.empty() ? xml->xmlString() : error, c.errorOrWritten);
  }
}

}  // namespace
