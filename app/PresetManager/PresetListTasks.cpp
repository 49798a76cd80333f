#include "app/PresetManager/PresetListTasks.h"

#include <exception>
#include <string>

#include "app/Dialogs.h"
#include "app/PresetManager/PresetClient.h"
#include "app/PresetManager/PresetManagerPresetsViewController.h"
#include "app/PresetManager/PresetManagerWindowController.h"
#include "app/PresetManager/PresetStore.h"
#include "async/Cancellation.h"
#include "log/Tallylog.h"

namespace app {

namespace {
constexpr std::uint64_t kListTimeout = 5'000'000'000;
constexpr std::uint64_t kLoadTimeout = 10'000'000'000;

}  // namespace

boost::asio::awaitable<void> runPresetDeletion(QPointer<PresetManagerWindowController> window,
                                               std::vector<PresetItem> items) {
  const auto total = items.size();
  for (std::size_t k = 1; k <= total; ++k) {
    // A cancelled deletion ends before the next device step, without a message.
    if (co_await async::isCancelled() || window == nullptr) co_return;
    const auto& item = items[k - 1];
    window->setProgressValue(static_cast<int>(k));
    window->setProgressStatus(std::to_string(k) + "/" + std::to_string(total) + " Deleting " + item.name.description());
    std::exception_ptr failure;
    try {
      co_await item.client->deletePreset(item.name, true);
    } catch (...) {
      failure = std::current_exception();
    }
    if (!failure) continue;
    if (co_await async::isCancelled() || window == nullptr) co_return;
    showErrorMessage(window, "Could not delete Preset(s)!");
    if (window != nullptr) window->closeProgressAfterFailure();
    co_return;
  }

  if (window == nullptr) co_return;
  auto clients = window->presetsViewController().clients();
  PresetStore& store = window->store();
  for (const auto& client : clients) {
    std::optional<device::PresetNameList> list;
    try {
      list = co_await client->requestPresetList(kListTimeout);
    } catch (...) {
      TALLYLOG_WARNING("could not refresh preset list for " + deviceIP(*client));
    }
    if (auto velto = std::dynamic_pointer_cast<device::VeltoClient>(client); list && velto) {
      store.setPresets(std::move(*list), std::move(velto));
    }
  }
}

boost::asio::awaitable<void> runPresetLoad(QPointer<QWidget> window, PresetItem item) {
  std::exception_ptr failure;
  try {
    co_await item.client->loadPreset(item.name, kLoadTimeout);
  } catch (...) {
    failure = std::current_exception();
  }
  if (failure) showErrorMessage(window, "Could not load Preset!\n" + errorDescription(failure));
}

}  // namespace app
