#pragma once
// The rows of the devices list, without widgets: the clients in list order, each object at most
// once, and the text of each cell.
//
// List order: by the device's type text, then by its name, both compared as plain code points
// (upper case before lower case); the sort is stable. A client without device information has
// neither and sorts first. Names change while clients are listed, so the order is whatever the
// last sort found: add() re-sorts the whole list and tells where every earlier row went, so that
// a view can keep its selection on the clients rather than on row numbers.
//
// GUI thread only (the clients' getters themselves may be read anywhere).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Devices/ClientKind.h"

namespace app {

class DevicesList {
 public:
  // The column identifiers, in the table's order.
  static const std::vector<std::string>& columns();

  const std::vector<ClientPtr>& clients() const { return clients_; }
  std::size_t size() const { return clients_.size(); }

  // Replaces the rows with `clients` in list order (a repeated object is listed once).
  void setClients(std::vector<ClientPtr> clients);

  struct Insertion {
    std::size_t row;                    // where the new client is now
    std::vector<std::size_t> movedTo;   // new row of each earlier row
  };
  // Appends `client` and re-sorts; nothing when this very object is listed already.
  std::optional<Insertion> add(ClientPtr client);

  // Removes this very object; its former row, or nothing when it was not listed.
  std::optional<std::size_t> remove(const device::VeltoClient* client);

  std::optional<std::size_t> indexOf(const device::VeltoClient* client) const;

  // The text of a cell: name, type, serialNumber, ip or version of the device; empty for another
  // column or while the client has no device information.
  static std::string cellValue(const device::VeltoClient& client, std::string_view column);

 private:
  // Stable sort into list order; returns the new row of each old row.
  std::vector<std::size_t> sort();

  std::vector<ClientPtr> clients_;
};

}  // namespace app
