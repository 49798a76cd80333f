// Parses and writes one generated preset-like document of several MB.
#include <benchmark/benchmark.h>
#include <expat.h>

#include <pugixml.hpp>

#include <memory>
#include <string>

#include "device/XML/ZRXMLElement.h"
#include "device/XML/ZRXMLParser.h"

namespace {

using device::ZRXMLElement;

constexpr int users = 64;
constexpr int channelsPerUser = 128;
constexpr int groupsPerUser = 8;

std::shared_ptr<ZRXMLElement> makeChannel(int user, int channel) {
  const std::string n = std::to_string(channel);
  return std::make_shared<ZRXMLElement>(
      "ChannelSettings", std::nullopt,
      ZRXMLElement::Attributes{{"InputChannel", n},
                               {"Index", n},
                               {"Name", "Input " + n + " & \"mix\" " + std::to_string(user)},
                               {"Icon", "singer"},
                               {"Color", "ff3a7bd5"},
                               {"Visible", "1"},
                               {"LinkedStereoChannel", channel % 2 ? std::to_string(channel - 1) : "-1"},
                               {"Hide", "0"},
                               {"Tone", "0.0"},
                               {"Morph", "0.25"},
                               {"R", "1.0"},
                               {"Theta", "1.5707963267948966"},
                               {"Phi", "-0.7853981633974483"},
                               {"WidthOffset", "0.0"},
                               {"ChannelMode", "3"},
                               {"ChannelGaindB", "-144.0"},
                               {"Solo", "0"},
                               {"Mute", "0"},
                               {"GroupID", std::to_string(channel % groupsPerUser)}});
}

std::shared_ptr<ZRXMLElement> makeDocument() {
  auto userList = std::make_shared<ZRXMLElement>("UserList");
  for (int u = 0; u < users; ++u) {
    auto groups = std::make_shared<ZRXMLElement>("Groups");
    for (int g = 0; g < groupsPerUser; ++g) {
      groups->children.push_back(std::make_shared<ZRXMLElement>(
          "Group", std::nullopt,
          ZRXMLElement::Attributes{{"ID", std::to_string(g)}, {"Name", "Group " + std::to_string(g)},
                                   {"Icon", "drums"}, {"Colour", "ff00a0e0"}}));
    }
    auto channels = std::make_shared<ZRXMLElement>(
        "ChannelSettingsList", std::nullopt,
        ZRXMLElement::Attributes{{"Inputs", "128"}, {"Outputs", "128"}});
    for (int c = 0; c < channelsPerUser; ++c) channels->children.push_back(makeChannel(u, c));
    userList->children.push_back(std::make_shared<ZRXMLElement>(
        "User", std::nullopt,
        ZRXMLElement::Attributes{{"Name", "Mix " + std::to_string(u)}, {"Icon", "inst_x1"},
                                 {"MixHide", "0"}, {"Mode", "3"}, {"SType", "STEREOB1"},
                                 {"BType", "BINAURAL"}, {"ChannelPeakGaindB", "10.0"}},
        ZRXMLElement::Children{groups, channels}));
  }
  auto notes = std::make_shared<ZRXMLElement>("Notes", "Soundcheck at 5 & doors at 7 <sharp>");
  return std::make_shared<ZRXMLElement>(
      "Preset", std::nullopt,
      ZRXMLElement::Attributes{{"Version", "2"}, {"Created", "2024-05-01T12:00:00.000Z"}},
      ZRXMLElement::Children{notes, userList});
}

const std::string& document() {
  static const std::string text = makeDocument()->xmlString(0);
  return text;
}

void setBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(document().size()));
  state.counters["MB"] = static_cast<double>(document().size()) / 1e6;
}

void ParseZRXMLParser(benchmark::State& state) {
  const std::string& text = document();
  for (auto _ : state) {
    auto root = device::ZRXMLParser::parseDocument(text);
    benchmark::DoNotOptimize(root.get());
  }
  setBytes(state);
}

void XMLCALL onStart(void* user, const XML_Char*, const XML_Char**) { ++*static_cast<long*>(user); }
void XMLCALL onEnd(void*, const XML_Char*) {}
void XMLCALL onCharacters(void*, const XML_Char*, int) {}

void ParseBareExpat(benchmark::State& state) {
  const std::string& text = document();
  for (auto _ : state) {
    long elements = 0;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &elements);
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onCharacters);
    if (XML_Parse(parser, text.data(), static_cast<int>(text.size()), XML_TRUE) != XML_STATUS_OK) {
      state.SkipWithError("expat failed");
    }
    XML_ParserFree(parser);
    benchmark::DoNotOptimize(elements);
  }
  setBytes(state);
}

void ParsePugixml(benchmark::State& state) {
  const std::string& text = document();
  for (auto _ : state) {
    pugi::xml_document doc;
    if (!doc.load_buffer(text.data(), text.size())) state.SkipWithError("pugixml failed");
    benchmark::DoNotOptimize(doc.first_child().name());
  }
  setBytes(state);
}

void WriteZRXMLElement(benchmark::State& state) {
  const auto root = device::ZRXMLParser::parseDocument(document());
  for (auto _ : state) {
    std::string text = root->xmlString(0);
    benchmark::DoNotOptimize(text.data());
  }
  setBytes(state);
}

struct StringWriter : pugi::xml_writer {
  std::string text;
  void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
};

void WritePugixml(benchmark::State& state) {
  pugi::xml_document doc;
  doc.load_buffer(document().data(), document().size());
  for (auto _ : state) {
    StringWriter writer;
    doc.save(writer, "\t", pugi::format_indent | pugi::format_no_declaration);
    benchmark::DoNotOptimize(writer.text.data());
  }
  setBytes(state);
}

}  // namespace

BENCHMARK(ParseZRXMLParser)->Unit(benchmark::kMillisecond);
BENCHMARK(ParseBareExpat)->Unit(benchmark::kMillisecond);
BENCHMARK(ParsePugixml)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteZRXMLElement)->Unit(benchmark::kMillisecond);
BENCHMARK(WritePugixml)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
