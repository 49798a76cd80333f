#include "app/PresetManager/PresetCopier.h"

#include <exception>

#include "app/Dialogs.h"
#include "app/MainTask.h"
#include "app/PresetManager/OverwriteDecision.h"
#include "app/PresetManager/PresetOperationSteps.h"
#include "async/Cancellation.h"

namespace app {

using device::PresetType;

std::vector<PresetCopier::PresetCopyJob> PresetCopier::makeCopyJobs(const std::vector<DraggedPreset>& dragged,
                                                                     const Client& target) const {
  auto stored = host_->storedPresets(target);
  if (!stored || dragged.empty()) return {};
  const auto types = target->supportedPresetTypes();
  OverwriteDecision decision(host_->window(), stored->filtered(types, false, false), dragged.size() > 1);
  const auto rows = host_->presetItems();
  std::vector<PresetCopyJob> jobs;
  for (const auto& dragged : dragged) {
    if (!target->supportsPresetType(dragged.source.presetName.type)) continue;
    // The row must still hold the dragged preset of the dragged device.
    if (dragged.row < 0 || static_cast<std::size_t>(dragged.row) >= rows.size()) continue;
    const PresetItem& item = rows[static_cast<std::size_t>(dragged.row)];
    const auto info = host_->deviceInfo(item.client);
    if (!(item.name == dragged.source.presetName) || !info || info->serialNumber != dragged.source.serialNumber)
      continue;
    if (item.client == target) continue;
    auto overwrite = decision.decide(item.name);
    if (!overwrite) continue;
    jobs.push_back({item, *overwrite});
  }
  return jobs;
}

std::vector<PresetCopier::PresetCopyJob> PresetCopier::makeCopyJobs(const QMimeData& data,
                                                                     const Client& target) const {
  std::vector<PresetType> types;
  for (auto type : {PresetType::preset, PresetType::userShow})
    if (target->supportsPresetType(type)) types.push_back(type);
  return makeCopyJobs(readDraggedPresets(data, types), target);
}

std::optional<async::TaskHandle<void>> PresetCopier::copyPresets(const QMimeData& data, const Client& target) {
  return copyPresets(makeCopyJobs(data, target), target);
}

std::optional<async::TaskHandle<void>> PresetCopier::copyPresets(std::vector<PresetCopyJob> jobs,
                                                                 const Client& target) {
  if (jobs.empty()) return std::nullopt;
  const int total = static_cast<int>(jobs.size());
  CancelFlag cancel;
  auto task = spawnOnMain(std::bind(&PresetCopier::runCopyJobs, host_, std::move(jobs), target, cancel));
  host_->showProgress("Copying Presets", "Copying your selected presets to " + host_->displayName(target), total,
                      [task, cancel] {
                        cancel.request();
                        task.cancel();
                      });
  return task;
}

boost::asio::awaitable<void> PresetCopier::runCopyJobs(std::shared_ptr<PresetOperationHost> host,
                                                       std::vector<PresetCopyJob> jobs, Client target,
                                                       CancelFlag cancel) {
  const int total = static_cast<int>(jobs.size());
  for (int n = 1; n <= total; ++n) {
    const PresetCopyJob& job = jobs[static_cast<std::size_t>(n - 1)];
    std::exception_ptr error;
    try {
      co_await cancel.check();
      device::PresetData data = co_await job.item.client->receivePreset(job.item.name, receiveRetries, receiveTimeout);
      if (job.overwrite) {
        co_await cancel.check();
        co_await target->deletePreset(job.item.name, true);
      }
      co_await cancel.check();
      co_await target->sendPreset(std::move(data.data), job.item.name, false);
    } catch (...) {
      error = std::current_exception();
    }
    if (error) {
      if (co_await cancel.endedByCancel(error)) co_return;
      showErrorMessage(host->window(), "Coult not copy preset \"" + job.item.name.description() + "\"");
      host->closeProgress();
      co_return;
    }
    host->progressSheet().setValue(n);
    host->progressSheet().setStatus(stepStatus(n, total, " Copying ", job.item.name));
  }
  co_await refreshPresetList(host, target, presetListTimeout, cancel);
}

}  // namespace app
