#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "device/Model/RemoteSettings.h"
#include "tests/device/Model/ModelXml.h"

namespace {

using device::RemoteSettings;
using modeltest::errorOf;
using modeltest::noChild;
using modeltest::parse;
using Pairs = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

RemoteSettings::Map mapOf(const Pairs& pairs) {
  RemoteSettings::Map map;
  for (const auto& [local, remote] : pairs) map.push_back(std::make_shared<device::ChannelMap>(local, remote));
  return map;
}

std::string text(const RemoteSettings::Map& map) {
  std::string out;
  for (const auto& entry : map) out += (out.empty() ? "" : ", ") + entry->description();
  return out;
}

TEST(RemoteSettings, MapsEachRemoteToOneLocalAndLooksUpTheFirstEntry) {
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
    EXPECT_EQ(text(settings.inputMap) + " / " + text(settings.outputMap), c.after + std::string(" / ") + c.after);
  }
  RemoteSettings settings;
  settings.inputMap = mapOf({{4, 999}, {2, 999}, {4, 5}});
  settings.outputMap = mapOf({{2, 999}, {4, 6}});
  EXPECT_EQ(settings.inputRemote(4), std::nullopt);
  EXPECT_EQ(settings.inputLocal(999), 4u);
  EXPECT_EQ(settings.inputLocal(7), std::nullopt);
  EXPECT_EQ(settings.outputRemote(4), 6u);
  EXPECT_EQ(settings.outputLocal(999), 2u);
}

TEST(RemoteSettings, ReadsBothMapsByMergingOrFailsBeforeChangingAnything) {
  RemoteSettings settings;
  settings.inputMap = mapOf({{2, 9}, {3, 6}});
  settings.decode(parse(R"(<RemoteSettings><OutputMap><Channel Local="1" Remote="2"/></OutputMap>
      <InputMap><Channel Local="1" Remote="4"/><Channel Local="2" Remote="5"/></InputMap></RemoteSettings>)"));
  EXPECT_EQ(text(settings.inputMap) + " / " + text(settings.outputMap), "2 -> 5, 3 -> 6, 1 -> 4 / 1 -> 2");
  for (const auto& [xml, error] : {
           std::pair<const char*, std::string>{R"(<R><InputMap><Channel Local="7"/></InputMap><OutputMap/></R>)",
                                               modeltest::noAttribute("Remote", "Channel")},
           {R"(<R><InputMap><Channel Local="7" Remote="1"/></InputMap></R>)", noChild("RemoteSettings", "OutputMap")},
           {R"(<R><OutputMap/></R>)", noChild("RemoteSettings", "InputMap")}}) {
    EXPECT_EQ(errorOf([&] { settings.decode(parse(xml)); }), error);
    EXPECT_EQ(text(settings.inputMap), "2 -> 5, 3 -> 6, 1 -> 4");
  }
}

TEST(RemoteSettings, WritingGivesANonEmptyMapAnEntryForChannelZero) {
  const struct {
    Pairs input;
    const char* oldChannels;
    const char* written;  // the "Channel" children afterwards, and the map
  } cases[] = {
      {{{2, 7}}, "", "2/7 0/999 | 2 -> 7, 0 -> 999"},
      {{}, R"(<Channel Local="1" Remote="1"/>)", "| "},
      {{{0, 1}, {0, 2}}, R"(<Channel Local="0" Remote="5" Note="n"/>)", "0/1n 0/2 | 0 -> 1, 0 -> 2"},
  };
  for (const auto& c : cases) {
    RemoteSettings settings;
    settings.inputMap = mapOf(c.input);
    const auto xml =
        parse(std::string("<RemoteSettings><InputMap>") + c.oldChannels + "</InputMap><OutputMap/></RemoteSettings>");
    settings.encode(xml);
    std::string written;
    for (const auto& channel : xml->firstChild("InputMap")->children) {
      const auto& a = channel->attributes;
      written += a.at("Local") + "/" + a.at("Remote") + (a.contains("Note") ? a.at("Note") : "") + " ";
    }
    EXPECT_EQ(written + "| " + text(settings.inputMap), c.written);
  }
  RemoteSettings settings;
  settings.outputMap = mapOf({{5, 5}});
  EXPECT_EQ(errorOf([&] { settings.encode(parse("<RemoteSettings><InputMap/></RemoteSettings>")); }),
            noChild("RemoteSettings", "OutputMap"));
  EXPECT_EQ(text(settings.outputMap), "5 -> 5");
}

}  // namespace
