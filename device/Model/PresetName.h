#pragma once
// The name of a stored preset, split into its parts, with its three text forms:
//   list text   name[_[bkup_STAMP]][ (TYPE)][ *[TIME]]   what devices list, the "Name" of documents
//   baseName    name[_[bkup_STAMP]]                       what is sent to devices
//   fileName    baseName + "." + "VELTOshow" | "vup"       preset files on the computer
//   description name[ *[TIME in UTC]]                     windows and logs
// TIME is an internet date-time with three digits of milliseconds and "Z" or an offset.
// A value type; any thread may use its own copy. Parsing shares one compiled expression, made
// safely on first use from any thread and only read afterwards.

#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "device/Model/PresetType.h"
#include "platform/FileType.h"
#include "platform/ISO8601Date.h"

namespace device {

struct PresetName {
  std::string name;
  std::optional<std::string> rawDate;  // the time stamp as received
  PresetType type = PresetType::preset;
  std::optional<std::string> backupDate;  // the stamp of a backup copy, as received

  PresetName() = default;
  PresetName(std::string name, std::optional<std::string> rawDate, PresetType type,
             std::optional<std::string> backupDate);
  // Parses a list text; never fails: a text that does not split becomes the bare name of a
  // preset (a name with a blank in it, for one).
  explicit PresetName(std::string_view listText);

  // A file name whose extension is exactly "VELTOshow" or "vup" (the extension decides the
  // type); no value for any other extension or none.
  static std::optional<PresetName> fromFileName(std::string_view fileName);
  // fromFileName of the last component of a local path.
  static std::optional<PresetName> fromURL(std::string_view path);

  static std::string fileExtension(PresetType type);
  static platform::FileType utType(PresetType type);
  // Parses the text as a list text and tells whether it names a default preset.
  static bool isDefault(std::string_view listText);

  std::string baseName() const;
  std::string fileExtension() const { return fileExtension(type); }
  std::string fileName() const;
  platform::FileType utType() const { return utType(type); }
  std::string description() const;

  // The time stamp as a date; no value when rawDate is absent or malformed.
  std::optional<platform::Date> date() const;
  // Stores the date's stamp (UTC, "Z", milliseconds) in rawDate; no value clears it.
  void setDate(std::optional<platform::Date> date);

  bool isBackup() const { return backupDate.has_value(); }
  // The name, lower-cased, is "default" or "defaultoff".
  bool isDefault() const;

  // Same name, type and backup stamp; the time stamp is not compared.
  friend bool operator==(const PresetName& x, const PresetName& y) {
    return x.name == y.name && x.type == y.type && x.backupDate == y.backupDate;
  }
  // Only names with the same `name` whose dates both read compare, by date; otherwise both false.
  friend bool operator<(const PresetName& x, const PresetName& y);
  friend bool operator>(const PresetName& x, const PresetName& y) { return y < x; }
};

// Keys "name", "rawDate" (only when present), "type" (the raw value), "backupDate" (only when
// present); other keys are ignored. Reading throws nlohmann::json::exception when "name" or
// "type" is missing, a value has the wrong kind, or the type is no raw value.
void to_json(nlohmann::json& json, const PresetName& name);
void from_json(const nlohmann::json& json, PresetName& name);

}  // namespace device
