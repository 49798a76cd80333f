#include "app/PresetManager/PresetImporter.h"

#include <exception>
#include <system_error>

#include <QMimeData>

#include "app/Dialogs.h"
#include "app/MainTask.h"
#include "app/PresetManager/OverwriteDecision.h"
#include "app/PresetManager/PresetExporter.h"
#include "app/PresetManager/PresetFiles.h"
#include "app/PresetManager/PresetOperationSteps.h"
#include "async/Cancellation.h"
#include "gzip/Gzip.h"
#include "platform/PathRules.h"

namespace app {

namespace fs = std::filesystem;
using device::PresetName;
using device::PresetType;

namespace {

// Window bits that take the gzip wrapper only.
constexpr std::int32_t gzipWindowBits = gzip::maxWindowBits + 16;

bool hasPresetFileExtension(const QString& path) {
  const QString extension = QString::fromStdString(std::string(platform::pathExtension(path.toStdString())));
  for (auto type : {PresetType::preset, PresetType::userShow}) {
    if (extension.compare(QString::fromStdString(PresetName::fileExtension(type)), Qt::CaseInsensitive) == 0)
      return true;
  }
  return false;
}

}  // namespace

std::vector<QUrl> PresetImporter::presetFileURLs(const QMimeData& data) {
  std::vector<QUrl> urls;
  if (PresetMimeData::isPresetDrag(data) || !data.hasUrls()) return urls;
  for (const QUrl& url : data.urls())
    if (url.isLocalFile() && hasPresetFileExtension(url.toLocalFile())) urls.push_back(url);
  return urls;
}

std::vector<PresetImporter::PresetImportJob> PresetImporter::makeImportJobs(const std::vector<QUrl>& urls,
                                                                            const Client& target) const {
  auto stored = host_->storedPresets(target);
  if (!stored) return {};
  OverwriteDecision decision(host_->window(), stored->filtered(target->supportedPresetTypes(), false, false),
                             urls.size() != 1);
  std::vector<PresetImportJob> jobs;
  for (const QUrl& url : urls) {
    const std::string dropped = url.toLocalFile().toStdString();
    std::error_code error;
    fs::path resolved = fs::canonical(dropped, error);
    if (error) continue;
    const std::string urlText = url.toString(QUrl::FullyEncoded).toStdString();
    auto name = PresetName::fromFileName(platform::lastPathComponent(dropped));
    if (!name) {
      showErrorMessage(host_->window(), "File at " + urlText + " is not a valid VELTO file.");
      continue;
    }
    if (!target->supportsPresetType(name->type)) {
      showErrorMessage(host_->window(), "File at " + urlText + " is not not supported by this device.");
      continue;
    }
    auto overwrite = decision.decide(*name);
    if (!overwrite) continue;
    jobs.push_back({std::move(resolved), std::move(*name), *overwrite});
  }
  return jobs;
}

std::optional<async::TaskHandle<void>> PresetImporter::importPresetFiles(const QMimeData& data,
                                                                         const Client& target) {
  return importPresetFiles(makeImportJobs(presetFileURLs(data), target), target);
}

std::optional<async::TaskHandle<void>> PresetImporter::importPresetFiles(std::vector<PresetImportJob> jobs,
                                                                         const Client& target) {
  if (jobs.empty()) return std::nullopt;
  const int total = static_cast<int>(jobs.size());
  CancelFlag cancel;
  auto task = spawnOnMain(std::bind(&PresetImporter::runImportJobs, host_, std::move(jobs), target, cancel));
  host_->showProgress("Importing Presets", "Copying presets to your devices.", total, [task, cancel] {
    cancel.request();
    task.cancel();
  });
  return task;
}

std::vector<std::uint8_t> PresetImporter::presetBytes(std::vector<std::uint8_t> contents, PresetType type) {
  if (gzip::isGzipped(contents)) return gzip::gunzipped(contents, gzipWindowBits);
  if (type == PresetType::preset && gzip::isZlibCompressed(contents)) return gzip::gunzipped(contents);
  return contents;
}

boost::asio::awaitable<void> PresetImporter::runImportJobs(std::shared_ptr<PresetOperationHost> host,
                                                           std::vector<PresetImportJob> jobs, Client target,
                                                           CancelFlag cancel) {
  const int total = static_cast<int>(jobs.size());
  for (int n = 1; n <= total; ++n) {
    if (co_await cancel.isSet()) co_return;
    const PresetImportJob& job = jobs[static_cast<std::size_t>(n - 1)];
    host->progressSheet().setValue(n);
    host->progressSheet().setStatus(stepStatus(n, total, " importing ", job.presetName));

    std::vector<std::uint8_t> bytes;
    try {
      bytes = readWholeFile(job.url);
    } catch (const std::exception&) {
      showErrorMessage(host->window(), "Could not load preset " + job.url.filename().string());
      continue;
    }
    try {
      bytes = presetBytes(std::move(bytes), job.presetName.type);
    } catch (const std::exception&) {
      showErrorAlert(host->window(), std::current_exception());
      continue;
    }

    std::exception_ptr error;
    try {
      if (job.overwrite) {
        co_await cancel.check();
        co_await target->deletePreset(job.presetName, true);
      }
      co_await cancel.check();
      co_await target->sendPreset(std::move(bytes), job.presetName, false);
    } catch (...) {
      error = std::current_exception();
    }
    if (error) {
      if (co_await cancel.endedByCancel(error)) co_return;
      showErrorAlert(host->window(), error);
    }
  }
  co_await refreshPresetList(host, target, presetListTimeout, cancel);
}

}  // namespace app
