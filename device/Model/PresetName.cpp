#include "device/Model/PresetName.h"

#include <re2/re2.h>

#include <nlohmann/json.hpp>

#include "device/Model/UnicodePattern.h"
#include "platform/PathRules.h"

namespace device {
namespace {

// The list-text syntax as devices define it, in the usual Perl-like notation.
constexpr std::string_view kListTextSyntax =
    R"(^(\S+?)(?:_\[bkup_(\S+)\])?(?: \((.*)\))?(?: \*\[(\d{4}\-\d{2}\-\d{2}T\d{2}:\d{2}:\d{2}\.\d{3}(Z|((\+|\-)\d{2}:\d{2})))\])?$)";

// Names come from devices, so the expression must run in linear time (RE2, no backtracking),
// with \S, \d and "." read the Unicode way. Compiled on first use (thread-safe static
// initialisation), then only read: RE2 matching on a const object is safe from many threads.
// Never destroyed: a pool thread may still read a device's names while the process exits.
const RE2& listTextExpression() {
  static const RE2* const expression = unicodeExpression(kListTextSyntax).release();
  return *expression;
}

std::optional<std::string> group(const re2::StringPiece& piece) {
  if (piece.data() == nullptr) return std::nullopt;
  return std::string(piece.data(), piece.size());
}

constexpr std::string_view kPresetExtension = "VELTOshow";
constexpr std::string_view kUserShowExtension = "vup";

}  // namespace

PresetName::PresetName(std::string name, std::optional<std::string> rawDate, PresetType type,
                       std::optional<std::string> backupDate)
    : name(std::move(name)), rawDate(std::move(rawDate)), type(type), backupDate(std::move(backupDate)) {}

PresetName::PresetName(std::string_view listText) {
  const RE2& expression = listTextExpression();
  re2::StringPiece groups[5];
  const re2::StringPiece text(listText.data(), listText.size());
  if (!expression.ok() || !expression.Match(text, 0, text.size(), RE2::ANCHOR_BOTH, groups, 5)) {
    name = std::string(listText);
    return;
  }
  name = *group(groups[1]);
  backupDate = group(groups[2]);
  type = group(groups[3]) == "USER SHOW" ? PresetType::userShow : PresetType::preset;
  rawDate = group(groups[4]);
}

std::optional<PresetName> PresetName::fromFileName(std::string_view fileName) {
  const std::string_view extension = platform::pathExtension(fileName);
  std::optional<PresetType> type;
  if (extension == kPresetExtension) type = PresetType::preset;
  if (extension == kUserShowExtension) type = PresetType::userShow;
  if (!type) return std::nullopt;
  PresetName result(platform::deletingPathExtension(fileName));
  result.type = *type;
  return result;
}

std::optional<PresetName> PresetName::fromURL(std::string_view path) {
  return fromFileName(platform::lastPathComponent(path));
}

std::string PresetName::fileExtension(PresetType type) {
  return std::string(type == PresetType::userShow ? kUserShowExtension : kPresetExtension);
}

platform::FileType PresetName::utType(PresetType type) {
  return platform::FileType::exported(fileExtension(type));
}

bool PresetName::isDefault(std::string_view listText) { return PresetName(listText).isDefault(); }

std::string PresetName::baseName() const { return backupDate ? name + "_[bkup_" + *backupDate + "]" : name; }

std::string PresetName::fileName() const { return baseName() + "." + fileExtension(); }

std::string PresetName::description() const {
  const auto stamp = date();
  return stamp ? name + " *[" + platform::formatISO8601(*stamp) + "]" : name;
}

std::optional<platform::Date> PresetName::date() const {
  if (!rawDate) return std::nullopt;
  return platform::parseISO8601(*rawDate);
}

void PresetName::setDate(std::optional<platform::Date> date) {
  rawDate = date ? std::optional(platform::formatISO8601(*date)) : std::nullopt;
}

bool PresetName::isDefault() const {
  std::string lower = name;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower == "default" || lower == "defaultoff";
}

bool operator<(const PresetName& x, const PresetName& y) {
  if (x.name != y.name) return false;
  const auto dx = x.date(), dy = y.date();
  return dx && dy && *dx < *dy;
}

void to_json(nlohmann::json& json, const PresetName& name) {
  json = nlohmann::json::object();
  json["name"] = name.name;
  if (name.rawDate) json["rawDate"] = *name.rawDate;
  json["type"] = name.type;
  if (name.backupDate) json["backupDate"] = *name.backupDate;
}

void from_json(const nlohmann::json& json, PresetName& name) {
  const auto optionalText = [&json](const char* key) -> std::optional<std::string> {
    if (!json.contains(key) || json.at(key).is_null()) return std::nullopt;
    return json.at(key).get<std::string>();
  };
  name = PresetName(json.at("name").get<std::string>(), optionalText("rawDate"),
                    json.at("type").get<PresetType>(), optionalText("backupDate"));
}

}  // namespace device
