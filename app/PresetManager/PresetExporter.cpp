#include "app/PresetManager/PresetExporter.h"

#include <stdlib.h>

#include <cerrno>
#include <exception>
#include <system_error>

#include <QEventLoop>
#include <QUrl>

#include "app/Dialogs.h"
#include "app/GuiExecutor.h"
#include "app/MainTask.h"
#include "app/PresetManager/PresetFiles.h"
#include "app/PresetManager/PresetOperationSteps.h"
#include "app/PresetManager/PrivateFolder.h"
#include "async/Cancellation.h"
#include "device/Presets/PresetManagerError.h"
#include "platform/FileError.h"

namespace app {

namespace fs = std::filesystem;

namespace {
const QString kUriList = QStringLiteral("text/uri-list");
}

std::shared_ptr<PresetExporter> PresetExporter::make(std::shared_ptr<PresetOperationHost> host) {
  return std::shared_ptr<PresetExporter>(new PresetExporter(std::move(host)));
}

PresetExporter::PresetExporter(std::shared_ptr<PresetOperationHost> host)
    : host_(std::move(host)), filePromiseAsyncQueue_({}, guiExecutor()) {}

const fs::path& PresetExporter::exportFolder() {
  static const PrivateFolder folder("velto-export");
  return folder.path();
}

QMimeData* PresetExporter::makeDragData(const std::vector<int>& rows) const {
  const auto items = host_->presetItems();
  std::vector<DraggedPreset> dragged;
  for (int row : rows) {
    if (row < 0 || static_cast<std::size_t>(row) >= items.size()) continue;
    const PresetItem& item = items[static_cast<std::size_t>(row)];
    auto info = host_->deviceInfo(item.client);
    dragged.push_back({row, {info ? info->serialNumber : std::string(), item.name}});
  }
  return new PresetMimeData(std::const_pointer_cast<PresetExporter>(shared_from_this()), std::move(dragged));
}

async::TaskHandle<PresetExporter::Files> PresetExporter::startExport(const std::vector<PresetSource>& sources) {
  auto written = std::make_shared<Files>();
  std::optional<fs::path> folder;
  try {
    std::string pattern = (exportFolder() / "drag-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
      throw platform::FileError("make an export folder in", exportFolder(), errno);
    folder = pattern;
  } catch (const std::exception&) {
    showErrorAlert(host_->window(), std::current_exception());
  }
  if (folder) {
    maxFilePromiseCounter_ += static_cast<int>(sources.size());
    std::weak_ptr<PresetExporter> self = weak_from_this();
    CancelFlag cancel;
    for (const auto& source : sources) {
      filePromiseAsyncQueue_.addOperation(
          std::bind(&PresetExporter::writePromisedPreset, self, source, *folder, written, cancel));
    }
  }
  // The last entry of the queue hands over what was written, also after a cancellation.
  auto finish = [written]() -> boost::asio::awaitable<Files> { co_return *written; };
  return filePromiseAsyncQueue_.addOperation(std::move(finish));
}

PresetExporter::Files PresetExporter::exportPresets(const std::vector<PresetSource>& sources) {
  auto task = startExport(sources);
  auto files = std::make_shared<Files>();
  auto loop = std::make_shared<QEventLoop>();
  std::weak_ptr<QEventLoop> weakLoop = loop;
  auto collect = [task, files, weakLoop]() -> boost::asio::awaitable<void> {
    *files = co_await task.value();
    if (auto loop = weakLoop.lock()) loop->quit();
  };
  auto waiting = spawnOnMain(std::move(collect));
  if (!waiting.isFinished()) loop->exec();
  maxFilePromiseCounter_ = 0;
  return *files;
}

void PresetExporter::stopExport(const CancelFlag& cancel, bool closeSheet) {
  cancel.request();
  filePromiseAsyncQueue_.cancelAllOperations();
  if (closeSheet) host_->closeProgress();
}

boost::asio::awaitable<void> PresetExporter::writePromisedPreset(std::weak_ptr<PresetExporter> weakExporter,
                                                                 PresetSource source, fs::path folder,
                                                                 std::shared_ptr<Files> written, CancelFlag cancel) {
  auto exporter = weakExporter.lock();
  if (!exporter || co_await cancel.isSet()) co_return;
  auto& host = *exporter->host_;
  if (!host.showsProgress()) {
    host.showProgress("Exporting", "Exporting your presets ...", exporter->maxFilePromiseCounter_,
                      [weakExporter, cancel] {
                        if (auto exporter = weakExporter.lock()) exporter->stopExport(cancel, false);
                      });
  }
  PresetOperationHost::Client client;
  for (const auto& candidate : host.sourceClients()) {
    auto info = host.deviceInfo(candidate);
    if (info && info->serialNumber == source.serialNumber) {
      client = candidate;
      break;
    }
  }
  if (!client) {
    showErrorMessage(host.window(), "device no longer available");
    exporter->stopExport(cancel, true);
    co_return;
  }

  std::exception_ptr error;
  try {
    device::PresetData data = co_await client->receivePreset(source.presetName, receiveRetries, receiveTimeout);
    co_await cancel.check();
    auto fileName = presetFileName(source.presetName);
    if (!fileName) throw device::PresetManagerError::invalidPath(source.presetName.baseName());
    writeFileAtomically(folder / *fileName, data.data);
    written->push_back(folder / *fileName);
  } catch (...) {
    error = std::current_exception();
  }
  if (error) {
    if (!co_await cancel.endedByCancel(error)) showErrorAlert(host.window(), error);
    exporter->stopExport(cancel, true);
    co_return;
  }
  auto& sheet = host.progressSheet();
  const int value = sheet.value() + 1;
  sheet.setValue(value);
  sheet.setStatus(stepStatus(value, exporter->maxFilePromiseCounter_, " Storing ", source.presetName));
}

PresetMimeData::PresetMimeData(std::weak_ptr<PresetExporter> exporter, std::vector<DraggedPreset> items)
    : exporter_(std::move(exporter)), items_(std::move(items)) {
  writeDraggedPresets(*this, items_);
}

QStringList PresetMimeData::formats() const {
  QStringList list = QMimeData::formats();
  if (!items_.empty()) list.append(kUriList);
  return list;
}

bool PresetMimeData::hasFormat(const QString& mimeType) const { return formats().contains(mimeType); }

QVariant PresetMimeData::retrieveData(const QString& mimeType, QMetaType type) const {
  if (mimeType != kUriList || items_.empty()) return QMimeData::retrieveData(mimeType, type);
  if (!uriList_) {
    uriList_.emplace();
    if (auto exporter = exporter_.lock()) {
      std::vector<PresetSource> sources;
      for (const auto& item : items_) sources.push_back(item.source);
      for (const auto& file : exporter->exportPresets(sources))
        uriList_->append(QUrl::fromLocalFile(QString::fromStdString(file.string())).toEncoded() + "\r\n");
    }
  }
  return *uriList_;
}

}  // namespace app
