#pragma once
// Importing preset files dropped on the presets list or on a device of the sources list.
//
// The drop's file URLs are those whose extension is "VELTOshow" or "vup" in any case; the name is
// then parsed exactly from the dropped file's own name, so a wrongly cased one is refused with
// "is not a valid VELTO file.". Symbolic links are followed to the file they name. Names the target
// holds are asked about (OverwriteDecision). One main task then sends the files one at a time
// under the "Importing Presets" sheet; a failing file shows its alert and the import goes on with
// the next. Cancel stops before the next file or device step, silently. At the end the target's
// list is fetched and stored again.
//
// What is sent: gzip files inflated (gzip wrapper only, bounded), preset files in zlib form (as the
// local preset folder stores them) inflated too, since sending compresses the document itself;
// anything else, and user shows, as read.
//
// GUI thread; the task holds the host until it ends.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include <QUrl>
#include <boost/asio/awaitable.hpp>

#include "app/PresetManager/PresetOperationHost.h"
#include "app/PresetManager/PresetOperationSteps.h"
#include "async/TaskHandle.h"
#include "device/Model/PresetName.h"

class QMimeData;

namespace app {

class PresetImporter {
 public:
  using Client = PresetOperationHost::Client;

  struct PresetImportJob {
    std::filesystem::path url;  // the file, links resolved
    device::PresetName presetName;
    bool overwrite = false;
  };

  static constexpr std::uint64_t presetListTimeout = 5'000'000'000;

  explicit PresetImporter(std::shared_ptr<PresetOperationHost> host) : host_(std::move(host)) {}

  // The local files of the drop with a preset file extension (any case), in drop order. None for a
  // drag out of this window (PresetMimeData): its URLs would be its own presets, exported.
  static std::vector<QUrl> presetFileURLs(const QMimeData& data);

  // The jobs of `urls` for `target`, with the alerts and overwrite questions on the way.
  std::vector<PresetImportJob> makeImportJobs(const std::vector<QUrl>& urls, const Client& target) const;

  // Starts the import and shows the sheet; none when no job was made.
  std::optional<async::TaskHandle<void>> importPresetFiles(const QMimeData& data, const Client& target);
  std::optional<async::TaskHandle<void>> importPresetFiles(std::vector<PresetImportJob> jobs, const Client& target);

  static boost::asio::awaitable<void> runImportJobs(std::shared_ptr<PresetOperationHost> host,
                                                    std::vector<PresetImportJob> jobs, Client target,
                                                    CancelFlag cancel);

  // The document bytes to send for a file's contents (see above). Throws gzip::GzipError.
  static std::vector<std::uint8_t> presetBytes(std::vector<std::uint8_t> contents, device::PresetType type);

 private:
  std::shared_ptr<PresetOperationHost> host_;
};

}  // namespace app
