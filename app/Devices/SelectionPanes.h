#pragma once
// The inspector's choice of pane by the kind of selection: one factory per SelectionKind. Empty and
// other selections get the no-selection pane, mismatching ones the mismatching pane, processors the
// unsupported pane, controllers and companion apps their settings panes (with the inspector's
// minimum width of 250).

#include <array>
#include <functional>
#include <vector>

#include "app/Devices/ClientKind.h"

class QWidget;

namespace app {

struct InspectorPane {
  QWidget* widget = nullptr;  // the new pane, without parent
  int minimumWidth = 0;       // 0: the default
};

class SelectionPanes {
 public:
  using Factory = std::function<InspectorPane(const std::vector<ClientPtr>& clients)>;

  // The placeholder panes for every kind.
  SelectionPanes();

  void setFactory(SelectionKind kind, Factory factory);
  // A new pane for `clients` (made on every call, so a settings pane starts from the current state).
  InspectorPane make(const std::vector<ClientPtr>& clients) const;

  // The minimum width of the inspector with a settings pane.
  static constexpr int kSettingsPaneWidth = 250;

 private:
  std::array<Factory, 6> factories_;
};

}  // namespace app
