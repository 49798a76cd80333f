#pragma once
// PresetManager: the local preset folder and the library sync between several devices and that
// folder.
//
// The folder (`localPath`) holds one file per preset: the document bytes zlib-compressed, named
// baseName + ".VELTOshow" (".vup" for user shows), the preset's time stamp kept as the file's
// modification time. Only ".VELTOshow" files are listed. Names come from devices, so every folder
// operation refuses a baseName that is empty, "." or "..", or holds "/" or NUL (invalidPath).
// Files are written to a temporary file in the folder (never listed) and renamed over the old one,
// so a failed write keeps what was there.
//
// The sync pulls into the folder every preset some device has and the folder lacks (the first
// device in `clients` order that lists a name is asked for it), then pushes every preset of the
// folder to every device that lacks it. Only presets of type `preset` take part; defaults
// ("default", "defaultoff") and backups neither on the devices nor in the folder. Presence decides,
// never age: identity is name, type and backup stamp.
//
// Threads and ownership. Made for one run by the preset manager window, which keeps it alive (by
// shared_ptr or as a member of the sync task) until the task it runs in has ended. Fields are
// immutable except `progress`, which is thread-safe. The folder operations are synchronous, touch
// only the file system and run on the caller's thread (files are small; the sync calls them inside
// its task). syncDevices and copyPreset are coroutines to run in a task made by async::spawn, one
// at a time per manager; their device calls are strictly sequential and each is preceded by a
// cancellation check, so cancelling the task ends the run with async::CancellationError at the
// next device call (or during the pause after a send). Neither touches any GUI object.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <boost/asio/awaitable.hpp>

#include "device/Model/PresetName.h"
#include "device/Model/PresetNameList.h"
#include "device/Presets/Preset.h"
#include "device/Presets/PresetData.h"
#include "device/Presets/PresetHandler.h"
#include "device/Presets/PresetManagerError.h"
#include "platform/ISO8601Date.h"
#include "platform/Progress.h"

namespace device {

class PresetManager {
 public:
  template <class T>
  using Task = boost::asio::awaitable<T>;

  // One device's presets during a sync. A container holds at most one item per device.
  struct ClientPresetContainerItem {
    std::shared_ptr<PresetHandler> client;
    PresetNameList presets;
  };
  using Container = std::vector<ClientPresetContainerItem>;

  // Time-outs and pauses of the sync and the copy, in nanoseconds.
  static constexpr std::uint64_t presetListTimeout = 2'000'000'000;
  static constexpr std::uint64_t receiveTimeout = 10'000'000'000;
  static constexpr int receiveRetries = 1;
  static constexpr std::uint64_t pauseAfterSend = 50'000'000;

  // `clients` in the order in which they are asked (and win names); none may be null.
  explicit PresetManager(std::vector<std::shared_ptr<PresetHandler>> clients,
                         std::string localPath = defaultLocalPath());

  // The data folder + "/VODEZevovoravevez/Presets/" (see platform/DataHome.h).
  static std::string defaultLocalPath();

  const std::vector<std::shared_ptr<PresetHandler>>& clients() const { return clients_; }
  const std::string& localPath() const { return localPath_; }
  // Total and completed units of the last sync: total = local presets + 2 × presets to pull; one
  // unit per preset pulled and stored, one per local preset pushed (or needing no push). Observers
  // run on the thread of the sync's task; reaches its total only when nothing failed.
  const std::shared_ptr<platform::Progress>& progress() const { return progress_; }

  // --- The folder. Synchronous; file system errors are std::filesystem::filesystem_error. ---

  // `localPath` + "/" (unless it ends with one) + `fileName`.
  static std::string presetPath(const std::string& localPath, const std::string& fileName);
  // The ".VELTOshow" files of the folder in directory order, each parsed from its name without
  // extension, rawDate replaced by the file's modification time (none when unreadable).
  static std::vector<PresetName> localPresetList(const std::string& path);
  static std::optional<platform::Date> presetModificationDate(const std::string& path);
  // Compresses the uncompressed document bytes and stores them under the name's file name with
  // the name's date (now when it has none) as modification time. Empty bytes: a warning, nothing
  // written. Throws invalidPath, gzip::GzipError, or the file system's error (an existing file is
  // then kept).
  void writePresetToLocal(const std::vector<std::uint8_t>& data, const PresetName& name) const;
  // Removes the preset's file; throws invalidPath or the file system's error (also when missing).
  static void deletePresetFromLocal(const PresetName& name, const std::string& localPath);
  // The inflated document bytes of the file at `path`. Throws presetDoesNotExist (no file),
  // emptyPreset (no contents or unreadable) or gzip::GzipError (not zlib data, or too large).
  static PresetData loadPresetFromDisk(const std::string& path);
  // As above for a plain file name in the folder; invalidPath for any other name.
  static PresetData loadPresetFromDisk(const std::string& fileName, const std::string& localPath);
  // The named preset of this manager's folder, as bytes or as a parsed document (the parser's
  // errors added).
  PresetData loadPreset(const PresetName& name) const;
  std::shared_ptr<Preset> loadPresetModel(const PresetName& name) const;
  static std::shared_ptr<Preset> loadPresetModel(const std::string& path);

  // --- The sync. ---

  // The whole sync; logs "sync did finish" on every way out. Throws localPathDoesNotExist, a list
  // error (before any transfer), a receive or write error other than the segment handler's, a
  // send error, or async::CancellationError.
  Task<void> syncDevices();
  // Pulls every name of every item from its client into the folder, one progress unit each.
  // Names that cannot be file names (refused here, or by the folder's file system, such as a name
  // too long) and receives that fail with PresetSegmentHandlerError are logged and skipped.
  Task<void> transferRequiredRemotePresets(Container container);
  // Pushes each local preset to each item's client whose list lacks it, pausing after each send;
  // one progress unit per local preset. Unreadable files are logged and skipped.
  Task<void> syncLocalPresetsToRemote(std::string localPath, std::vector<PresetName> localPresets,
                                      Container allRemotePresets);
  // Every name (keyed by `name` alone) with the first item that lists it; one item per device
  // that won a name, in first-seen order, names in list order.
  static Container uniqueRemotePresets(const Container& container);
  // One item per remote item, holding its names that `local` lacks (by identity).
  static Container requiredRemotePresets(const std::vector<PresetName>& local, const Container& remote);

  // Copies one preset; a null handler stands for the folder. Nothing happens when both sides are
  // the folder or the same handler object. A device side must be online (VeltoClientError
  // deviceIsOffline); defaults and backups are never taken from a device; a preset the target
  // device already lists is deleted there first. Every error is thrown, nothing is logged.
  Task<void> copyPreset(PresetName name, std::shared_ptr<PresetHandler> from,
                        std::shared_ptr<PresetHandler> to);

 private:
  // The sync's view of a list: presets only, no defaults, no backups, of the types `types`.
  static std::vector<PresetName> syncable(const PresetNameList& list, const std::vector<PresetType>& types);
  static std::vector<PresetName> syncable(const std::vector<PresetName>& list);
  // Whether `names` holds a preset with the identity of `name`.
  static bool holds(const std::vector<PresetName>& names, const PresetName& name);
  static void requirePlainName(const std::string& fileName);
  // Lists the folder for the sync, logging the lines of a failure or success.
  std::vector<PresetName> syncableLocalPresets(bool again) const;
  Task<Container> requestRemotePresetLists();

  const std::vector<std::shared_ptr<PresetHandler>> clients_;
  const std::string localPath_;
  const std::shared_ptr<platform::Progress> progress_ = std::make_shared<platform::Progress>(0);
};

}  // namespace device
