#include "app/Devices/SelectionPanes.h"

#include <utility>

#include "app/Devices/AppSettingsViewController.h"
#include "app/Devices/PlaceholderPanes.h"
#include "app/Devices/RotaverSettingsViewController.h"

namespace app {

namespace {

template <class Pane>
SelectionPanes::Factory placeholder() {
  return [](const std::vector<ClientPtr>&) { return InspectorPane{new Pane, 0}; };
}

template <class Pane>
SelectionPanes::Factory settingsPane() {
  return [](const std::vector<ClientPtr>& clients) {
    return InspectorPane{new Pane(clients), SelectionPanes::kSettingsPaneWidth};
  };
}

std::size_t slot(SelectionKind kind) { return static_cast<std::size_t>(kind); }

}  // namespace

SelectionPanes::SelectionPanes() {
  factories_.fill(placeholder<NoSelectionViewController>());
  factories_[slot(SelectionKind::mismatching)] = placeholder<MismatchingDeviceTypeViewController>();
  factories_[slot(SelectionKind::processors)] = placeholder<UnsupportedDeviceTypeViewController>();
  factories_[slot(SelectionKind::apps)] = settingsPane<AppSettingsViewController>();
  factories_[slot(SelectionKind::controllers)] = settingsPane<RotaverSettingsViewController>();
}

void SelectionPanes::setFactory(SelectionKind kind, Factory factory) {
  factories_[slot(kind)] = factory ? std::move(factory) : placeholder<NoSelectionViewController>();
}

InspectorPane SelectionPanes::make(const std::vector<ClientPtr>& clients) const {
  return factories_[slot(selectionKind(clients))](clients);
}

}  // namespace app
