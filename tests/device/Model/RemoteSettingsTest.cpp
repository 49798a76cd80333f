#include "device/Model/RemoteSettings.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/device/Model/ModelXml.h"

namespace {

using device::ChannelMap;
using device::RemoteSettings;
using modeltest::errorOf;
using modeltest::parse;
using Pairs = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

RemoteSettings::Map mapOf(const Pairs& pairs) {
  RemoteSettings::Map map;
  for (const auto& [local, remote] : pairs) map.push_back(std::make_shared<ChannelMap>(local, remote));
  return map;
}

// The entries' descriptions joined by ", ".
std::string text(const RemoteSettings::Map& map) {
  std::string out;
  for (const auto& entry : map) out += (out.empty() ? "" : ", ") + entry->description();
  return out;
}

TEST(RemoteSettings, MappingGivesEachRemoteToOneLocal) {
  const struct {
    Pairs before;
    std::uint64_t local;
    std::optional<std::uint64_t> remote;
    const char* after;
  } cases[] = {
      {{}, 3, 5, "3 -> 5"},
      {{{3, 5}}, 4, 5, "3 -> 999, 4 -> 5"},
      {{{4, 5}, {6, 7}}, 4, std::nullopt, "4 -> 999, 6 -> 7"},
      {{{1, 2}, {3, 999}}, 1, 999, "1 -> 999, 3 -> 999"},
      {{{1, 2}, {1, 3}}, 1, 3, "1 -> 3, 1 -> 999"},
  };
  for (const auto& c : cases) {
    RemoteSettings settings;
    settings.inputMap = mapOf(c.before);
    settings.outputMap = mapOf(c.before);
    settings.mapInput(c.local, c.remote);
    settings.mapOutput(c.local, c.remote);
    EXPECT_EQ(text(settings.inputMap), c.after);
    EXPECT_EQ(text(settings.outputMap), c.after);
  }
}

TEST(RemoteSettings, LooksUpTheFirstEntry) {
  RemoteSettings settings;
  EXPECT_EQ(settings.inputRemote(4), std::nullopt);
  settings.inputMap = mapOf({{4, 999}, {2, 999}, {4, 5}});
  settings.outputMap = mapOf({{2, 999}, {4, 6}});
  EXPECT_EQ(settings.inputRemote(4), std::nullopt);
  EXPECT_EQ(settings.inputLocal(999), 4u);
  EXPECT_EQ(settings.inputLocal(5), 4u);
  EXPECT_EQ(settings.inputLocal(7), std::nullopt);
  EXPECT_EQ(settings.outputRemote(4), 6u);
  EXPECT_EQ(settings.outputLocal(999), 2u);
}

TEST(RemoteSettings, ReadsBothMapsByMergingOrFailsBeforeChangingAnything) {
  RemoteSettings settings;
  settings.inputMap = mapOf({{2, 9}, {3, 6}});
  settings.decode(parse(R"(<RemoteSettings><OutputMap><Channel Local="1" Remote="2"/></OutputMap>
      <InputMap><Channel Local="1" Remote="4"/><Channel Local="2" Remote="5"/></InputMap></RemoteSettings>)"));
  EXPECT_EQ(text(settings.inputMap), "2 -> 5, 3 -> 6, 1 -> 4");
  EXPECT_EQ(text(settings.outputMap), "1 -> 2");

  const struct {
    const char* xml;
    const char* error;
  } failures[] = {
      {R"(<R><InputMap><Channel Local="7"/></InputMap><OutputMap/></R>)",
       R"(attribute "Remote" not found for "Channel")"},
      {R"(<R><InputMap><Channel Local="7" Remote="1"/></InputMap></R>)",
       R"(RemoteSettings does not contain child "OutputMap")"},
      {R"(<R><OutputMap/></R>)", R"(RemoteSettings does not contain child "InputMap")"},
  };
  for (const auto& f : failures) {
    EXPECT_EQ(errorOf([&] { settings.decode(parse(f.xml)); }), f.error);
    EXPECT_EQ(text(settings.inputMap), "2 -> 5, 3 -> 6, 1 -> 4");
  }
}

TEST(RemoteSettings, WritingGivesANonEmptyMapAnEntryForChannelZero) {
  const struct {
    Pairs input;
    const char* oldChannels;
    const char* written;  // the "InputMap" element afterwards
    const char* after;    // the input map afterwards
  } cases[] = {
      {{{2, 7}}, "", "<InputMap>\n\t<Channel Local=\"2\" Remote=\"7\"/>\n\t<Channel Local=\"0\" Remote=\"999\"/>\n</InputMap>",
       "2 -> 7, 0 -> 999"},
      {{}, R"(<Channel Local="1" Remote="1"/>)", "<InputMap/>", ""},
      {{{0, 3}, {4, 1}}, R"(<Channel Local="4" Remote="0" Note="n"/><Keep/>)",
       "<InputMap>\n\t<Keep/>\n\t<Channel Local=\"0\" Remote=\"3\"/>\n\t<Channel Local=\"4\" Note=\"n\" Remote=\"1\"/>\n</InputMap>",
       "0 -> 3, 4 -> 1"},
      {{{0, 1}, {0, 2}}, R"(<Channel Local="0" Remote="5" Note="n"/>)",
       "<InputMap>\n\t<Channel Local=\"0\" Note=\"n\" Remote=\"1\"/>\n\t<Channel Local=\"0\" Remote=\"2\"/>\n</InputMap>",
       "0 -> 1, 0 -> 2"},
  };
  for (const auto& c : cases) {
    RemoteSettings settings;
    settings.inputMap = mapOf(c.input);
    const auto xml = parse(std::string("<RemoteSettings><InputMap>") + c.oldChannels +
                           "</InputMap><OutputMap/></RemoteSettings>");
    settings.encode(xml);
    EXPECT_EQ(xml->firstChild("InputMap")->xmlString(), c.written);
    EXPECT_EQ(text(settings.inputMap), c.after);
  }
  RemoteSettings settings;
  settings.outputMap = mapOf({{5, 5}});
  EXPECT_EQ(errorOf([&] { settings.encode(parse("<RemoteSettings><InputMap/></RemoteSettings>")); }),
            R"(RemoteSettings does not contain child "OutputMap")");
  EXPECT_EQ(text(settings.outputMap), "5 -> 5");
}

TEST(RemoteSettings, CopyHasItsOwnEntries) {
  RemoteSettings source;
  source.inputMap = mapOf({{1, 2}});
  source.outputMap = mapOf({{3, 4}});
  const auto copy = device::deepCopy(std::make_shared<RemoteSettings>(source));
  copy->mapInput(1, 9);
  copy->outputMap[0]->local = 8;
  EXPECT_EQ(text(source.inputMap), "1 -> 2");
  EXPECT_EQ(text(source.outputMap), "3 -> 4");
  EXPECT_EQ(text(copy->inputMap), "1 -> 9");
}

}  // namespace
