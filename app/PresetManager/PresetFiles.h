#pragma once
// Preset files on the computer: file and folder names made from what devices report, and whole-file
// reads and writes with bounds. Names from devices are outside input: a "/" becomes "_", and a name
// that is empty, "." or "..", or holds NUL, is refused (no value), so a path never leaves its
// folder. Writes go to a temporary name in the same folder, then are renamed over the target, so a
// reader never sees half a file. Stateless; any thread.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/PresetManager/PresetOperationHost.h"
#include "device/Model/PresetName.h"

namespace app {

// The largest preset file read in: far above any document a device stores.
inline constexpr std::size_t maxPresetFileSize = 16 * 1024 * 1024;

// `name` as one path component: "/" replaced by "_"; none for "", ".", ".." or a NUL inside.
std::optional<std::string> safeFileName(std::string_view name);

// A device's backup folder: serial number, " - " and name, or the name alone when the two are
// equal; made safe as above.
std::optional<std::string> deviceFolderName(const PresetDeviceInfo& info);

// baseName, ".", and "VELTOshow" or "vup"; none when the base name is not safe.
std::optional<std::string> presetFileName(const device::PresetName& name);

// Writes `bytes` to a new file beside `path`, then renames it to `path` (replacing a file there).
// Throws std::filesystem::filesystem_error; the temporary file is removed on failure.
void writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// The whole file; throws std::filesystem::filesystem_error when it cannot be read, or is larger
// than `limit` bytes.
std::vector<std::uint8_t> readWholeFile(const std::filesystem::path& path, std::size_t limit = maxPresetFileSize);

}  // namespace app
