#include <gtest/gtest.h>

#include "device/Model/Group.h"
#include "tests/device/Model/ModelXml.h"

namespace {

using device::Group;

TEST(Group, ReadsItsAttributesAndWritesThemBackCanonically) {
  const struct {
    const char* attributes;
    const char* error;
    const char* written;  // into a new element
  } cases[] = {
      {R"(ID="2" Name="B" Icon="i" Colour="FF0000FF")", "no error",
       R"(Colour="ff0000ff" ID="2" Icon="i" Name="B")"},
      {R"(ID="-1" Name="B" Icon="i" Colour="zz")", "no error",
       R"(Colour="ff702482" ID="-1" Icon="i" Name="B")"},
      {R"(ID="2" Name="B" Icon="i" Colour="ff0000")", "no error",
       R"(Colour="00ff0000" ID="2" Icon="i" Name="B")"},
      {R"(ID="2" Name="B" Colour="ff")", R"(attribute "Icon" not found for "Group")", ""},
      {R"(ID="2" Icon="i" Colour="ff")", R"(attribute "Name" not found for "Group")", ""},
      {R"(ID="2" Name="B" Icon="i")", R"(attribute "Colour" not found for "Group")", ""},
      {R"(Icon="i" Colour="ff")", R"(attribute "ID" not found for "Group")", ""},
      {R"(ID="2.0" Name="B" Icon="i" Colour="ff")",
       R"(value "2.0" of attribute Group.ID could not be converted to the expected type.)", ""},
  };
  for (const auto& c : cases) {
    std::shared_ptr<Group> group;
    EXPECT_EQ(modeltest::errorOf([&] {
                group =
                    Group::fromXml(modeltest::parse(std::string("<Group ") + c.attributes + "/>"));
              }),
              c.error);
    if (!group) continue;
    const auto xml = std::make_shared<device::ZRXMLElement>("Group");
    group->encode(xml);
    EXPECT_EQ(xml->xmlString(), std::string("<Group ") + c.written + "/>");
  }
}

}  // namespace
