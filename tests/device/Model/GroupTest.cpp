#include "device/Model/Group.h"

#include <gtest/gtest.h>

#include "tests/device/Model/ModelXml.h"

namespace {

using device::Color;
using device::Group;
using modeltest::errorOf;
using modeltest::parse;

TEST(Group, ReadsItsFourAttributesAndWritesThemBackCanonically) {
  const struct {
    const char* xml;
    const char* error;  // "" when the group reads
    std::int64_t id;
    const char* colour;  // as written back
  } cases[] = {
      {R"(<Group ID="2" Name="Band" Icon="inst_x1" Colour="ff0000ff"/>)", "", 2, "ff0000ff"},
      {R"(<Group ID="2" Name="Band" Icon="inst_x1" Colour="zz"/>)", "", 2, "ff702482"},
      {R"(<Group ID="2" Name="Band" Icon="inst_x1" Colour="ff0000"/>)", "", 2, "00ff0000"},
      {R"(<Group ID="-1" Name="Band" Icon="inst_x1" Colour="FF0000FF"/>)", "", -1, "ff0000ff"},
      {R"(<Group ID="2" Name="Band" Colour="ff0000ff"/>)", R"(attribute "Icon" not found for "Group")", 0, ""},
      {R"(<Group ID="2" Icon="i" Colour="ff0000ff"/>)", R"(attribute "Name" not found for "Group")", 0, ""},
      {R"(<Group ID="2" Name="Band" Icon="i"/>)", R"(attribute "Colour" not found for "Group")", 0, ""},
      {R"(<Group ID="2.0" Name="Band" Icon="i" Colour="ff"/>)",
       R"(value "2.0" of attribute Group.ID could not be converted to the expected type.)", 0, ""},
  };
  for (const auto& c : cases) {
    const auto xml = parse(c.xml);
    std::shared_ptr<Group> group;
    EXPECT_EQ(errorOf([&] { group = Group::fromXml(xml); }), *c.error ? c.error : "no error") << c.xml;
    if (!group) continue;
    EXPECT_EQ(group->id, c.id);
    EXPECT_EQ(group->name, "Band");
    EXPECT_EQ(group->icon, "inst_x1");
    group->encode(xml);
    EXPECT_EQ(xml->attributes.at("ID"), std::to_string(c.id));
    EXPECT_EQ(xml->attributes.at("Colour"), c.colour) << c.xml;
  }
}

TEST(Group, DecodeKeepsWhatItReadBeforeAFailure) {
  Group group(1, "Old", "old", Color(1, 2, 3, 4));
  EXPECT_NE(errorOf([&] { group.decode(parse(R"(<G ID="7" Name="New"/>)")); }), "no error");
  EXPECT_EQ(group.id, 7);
  EXPECT_EQ(group.name, "New");
  EXPECT_EQ(group.icon, "old");
  EXPECT_EQ(group.colour, Color(1, 2, 3, 4));
}

TEST(Group, EncodingKeepsOtherAttributesAndChildren) {
  const auto xml = parse(R"(<Group ID="1" Extra="x"><Child/></Group>)");
  Group(12, "G", "inst_x2", Color::firstPaletteColor()).encode(xml);
  EXPECT_EQ(xml->xmlString(),
            "<Group Colour=\"ff702482\" Extra=\"x\" ID=\"12\" Icon=\"inst_x2\" Name=\"G\">\n\t<Child/>\n</Group>");
}

}  // namespace
