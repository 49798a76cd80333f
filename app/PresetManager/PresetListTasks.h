#pragma once
// The tasks the presets list starts, as main tasks (MainTask.h). They hold the window in a QPointer
// and touch nothing once it is gone; the items keep their clients alive. Not read by moc.

#include <QPointer>
#include <QWidget>
#include <boost/asio/awaitable.hpp>
#include <vector>

#include "app/PresetManager/PresetItem.h"

namespace app {

class PresetManagerWindowController;

// Deletes the items one by one under the progress sheet ("k/n Deleting name"), then asks every
// listed client for its list and stores it. Cancelled: stops before the next deletion, silently.
// A failed deletion: the alert "Could not delete Preset(s)!", the sheet closed, no refresh.
boost::asio::awaitable<void> runPresetDeletion(QPointer<PresetManagerWindowController> window,
                                               std::vector<PresetItem> items);

// Loads the item on its device; a failure shows "Could not load Preset!" and the error over
// `window` (the preset manager window).
boost::asio::awaitable<void> runPresetLoad(QPointer<QWidget> window, PresetItem item);

}  // namespace app
