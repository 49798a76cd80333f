#pragma once
// Copying presets dragged from the presets list onto a device of the sources list.
//
// The drop's items are read back from their rows of the presets list as it is at drop time; an
// item whose row no longer holds its preset (the list reloaded while dragging) is passed over, as
// is an item of the target itself. Names the target holds are asked about (OverwriteDecision).
// One main task then copies the presets one at a time: receive from the source device, delete the
// target's copy when overwriting, send to the target, under the "Copying Presets" sheet; the first
// failure ends the copy with an alert naming the preset. Cancel stops before the next device step,
// silently. At the end the target's list is fetched and stored again.
//
// GUI thread; the task holds the host until it ends.

#include <memory>
#include <optional>
#include <vector>

#include <boost/asio/awaitable.hpp>

#include "app/PresetManager/PresetDragPayload.h"
#include "app/PresetManager/PresetItem.h"
#include "app/PresetManager/PresetOperationHost.h"
#include "app/PresetManager/PresetOperationSteps.h"
#include "async/TaskHandle.h"

class QMimeData;

namespace app {

class PresetCopier {
 public:
  using Client = PresetOperationHost::Client;

  struct PresetCopyJob {
    PresetItem item;
    bool overwrite = false;
  };

  static constexpr int receiveRetries = 2;
  static constexpr std::uint64_t receiveTimeout = 10'000'000'000;
  static constexpr std::uint64_t presetListTimeout = 5'000'000'000;

  explicit PresetCopier(std::shared_ptr<PresetOperationHost> host) : host_(std::move(host)) {}

  // The jobs of the dragged items for `target`, asking the overwrite questions on the way.
  std::vector<PresetCopyJob> makeCopyJobs(const std::vector<DraggedPreset>& dragged, const Client& target) const;
  std::vector<PresetCopyJob> makeCopyJobs(const QMimeData& data, const Client& target) const;

  // Starts the copy of the drop's presets and shows the sheet; none when no job could be made
  // (then the drop goes on to the import).
  std::optional<async::TaskHandle<void>> copyPresets(const QMimeData& data, const Client& target);
  std::optional<async::TaskHandle<void>> copyPresets(std::vector<PresetCopyJob> jobs, const Client& target);

  // The copy task's body.
  static boost::asio::awaitable<void> runCopyJobs(std::shared_ptr<PresetOperationHost> host,
                                                  std::vector<PresetCopyJob> jobs, Client target,
                                                  CancelFlag cancel);

 private:
  std::shared_ptr<PresetOperationHost> host_;
};

}  // namespace app
