#include "app/Devices/DevicesList.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "device/Clients/VeltoClient.h"

namespace app {

namespace {

struct SortKey {
  std::string type;
  std::string name;
};

SortKey sortKey(const device::VeltoClient& client) {
  auto info = client.deviceInfo();
  if (!info) return {};
  return {info->type().description(), info->name()};
}

}  // namespace

const std::vector<std::string>& DevicesList::columns() {
  static const std::vector<std::string> identifiers{"name", "type", "serialNumber", "ip", "version"};
  return identifiers;
}

void DevicesList::setClients(std::vector<ClientPtr> clients) {
  clients_.clear();
  for (auto& client : clients)
    if (client && !indexOf(client.get())) clients_.push_back(std::move(client));
  sort();
}

std::optional<DevicesList::Insertion> DevicesList::add(ClientPtr client) {
  if (!client || indexOf(client.get())) return std::nullopt;
  const auto* added = client.get();
  clients_.push_back(std::move(client));
  auto movedTo = sort();
  movedTo.pop_back();  // the new client was no earlier row
  return Insertion{*indexOf(added), std::move(movedTo)};
}

std::optional<std::size_t> DevicesList::remove(const device::VeltoClient* client) {
  auto row = indexOf(client);
  if (row) clients_.erase(clients_.begin() + static_cast<std::ptrdiff_t>(*row));
  return row;
}

std::optional<std::size_t> DevicesList::indexOf(const device::VeltoClient* client) const {
  for (std::size_t row = 0; row < clients_.size(); ++row)
    if (clients_[row].get() == client) return row;
  return std::nullopt;
}

std::vector<std::size_t> DevicesList::sort() {
  // The keys are read once: each read takes the client's lock, and a name may change meanwhile.
  std::vector<SortKey> keys;
  keys.reserve(clients_.size());
  for (const auto& client : clients_) keys.push_back(sortKey(*client));
  std::vector<std::size_t> order(clients_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&keys](std::size_t a, std::size_t b) {
    if (keys[a].type != keys[b].type) return keys[a].type < keys[b].type;
    return keys[a].name < keys[b].name;
  });
  std::vector<ClientPtr> sorted;
  sorted.reserve(clients_.size());
  std::vector<std::size_t> movedTo(clients_.size());
  for (std::size_t row = 0; row < order.size(); ++row) {
    sorted.push_back(std::move(clients_[order[row]]));
    movedTo[order[row]] = row;
  }
  clients_ = std::move(sorted);
  return movedTo;
}

std::string DevicesList::cellValue(const device::VeltoClient& client, std::string_view column) {
  auto info = client.deviceInfo();
  if (!info) return {};
  if (column == "name") return info->name();
  if (column == "type") return info->type().description();
  if (column == "serialNumber") return info->serialNumber();
  if (column == "ip") return info->ip();
  if (column == "version") return info->version().description();
  return {};
}

}  // namespace app
