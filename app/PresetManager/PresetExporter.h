#pragma once
// Dragging presets out of the presets list as files.
//
// The drag data (PresetMimeData) carries the rows under the presets' own MIME types, for drops on
// a device of the window (a copy), and offers text/uri-list. Only when a drop target asks for the
// URLs (once per drag) are the presets fetched: one at a time through the export queue, under the
// "Exporting" sheet, each written completely (temporary name, then rename) into a new folder inside
// the program's private export folder, which is removed at exit. The target gets the files that
// were written completely; the GUI event loop keeps running while it waits. A device that is gone,
// a failure or Cancel ends the export and closes the sheet; what is still queued is cancelled.
//
// GUI thread. Owned by std::shared_ptr (the drag data holds it weakly); queued writes hold it.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include <QMimeData>
#include <boost/asio/awaitable.hpp>

#include "app/PresetManager/PresetDragPayload.h"
#include "app/PresetManager/PresetOperationHost.h"
#include "app/PresetManager/PresetOperationSteps.h"
#include "async/AsyncQueue.h"
#include "async/TaskHandle.h"

namespace app {

class PresetExporter : public std::enable_shared_from_this<PresetExporter> {
 public:
  using Files = std::vector<std::filesystem::path>;

  static constexpr int receiveRetries = 2;
  static constexpr std::uint64_t receiveTimeout = 10'000'000'000;

  static std::shared_ptr<PresetExporter> make(std::shared_ptr<PresetOperationHost> host);
  PresetExporter(const PresetExporter&) = delete;
  PresetExporter& operator=(const PresetExporter&) = delete;

  // The drag data of rows of the presets list (rows that do not exist are left out); the caller
  // owns it (QDrag takes it).
  QMimeData* makeDragData(const std::vector<int>& rows) const;

  // Queues the writes of `sources`; the task gives the complete files, in order.
  async::TaskHandle<Files> startExport(const std::vector<PresetSource>& sources);
  // startExport, waiting in the event loop for its end.
  Files exportPresets(const std::vector<PresetSource>& sources);

  // The folder under which every export makes its own; made on first use, removed at exit.
  static const std::filesystem::path& exportFolder();

 private:
  explicit PresetExporter(std::shared_ptr<PresetOperationHost> host);

  static boost::asio::awaitable<void> writePromisedPreset(std::weak_ptr<PresetExporter> exporter,
                                                          PresetSource source, std::filesystem::path folder,
                                                          std::shared_ptr<Files> written, CancelFlag cancel);
  // Cancels what is queued of the export; `closeSheet` also closes the sheet.
  void stopExport(const CancelFlag& cancel, bool closeSheet);

  std::shared_ptr<PresetOperationHost> host_;
  async::AsyncQueue filePromiseAsyncQueue_;
  int maxFilePromiseCounter_ = 0;
};

// The drag data of presets: their rows under the own MIME types, and text/uri-list made on the
// first request by the exporter.
class PresetMimeData : public QMimeData {
 public:
  PresetMimeData(std::weak_ptr<PresetExporter> exporter, std::vector<DraggedPreset> items);

  // Whether `data` is the drag data of a drag out of a presets list of this program.
  static bool isPresetDrag(const QMimeData& data) { return dynamic_cast<const PresetMimeData*>(&data) != nullptr; }

  QStringList formats() const override;
  bool hasFormat(const QString& mimeType) const override;

 protected:
  QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

 private:
  std::weak_ptr<PresetExporter> exporter_;
  std::vector<DraggedPreset> items_;
  mutable std::optional<QByteArray> uriList_;
};

}  // namespace app
