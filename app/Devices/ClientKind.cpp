#include "app/Devices/ClientKind.h"

#include <typeinfo>

#include "device/Clients/AppClient.h"
#include "device/Clients/ProcessorClient.h"
#include "device/Clients/RotaverClient.h"

namespace app {

ClientKind clientKind(const device::VeltoClient& client) {
  const auto& type = typeid(client);
  if (type == typeid(device::AppClient)) return ClientKind::app;
  if (type == typeid(device::RotaverClient)) return ClientKind::controller;
  if (type == typeid(device::ProcessorClient)) return ClientKind::processor;
  return ClientKind::other;
}

SelectionKind selectionKind(const std::vector<ClientPtr>& clients) {
  if (clients.empty()) return SelectionKind::empty;
  const auto& first = typeid(*clients.front());
  for (const auto& client : clients)
    if (typeid(*client) != first) return SelectionKind::mismatching;
  switch (clientKind(*clients.front())) {
    case ClientKind::processor:
      return SelectionKind::processors;
    case ClientKind::app:
      return SelectionKind::apps;
    case ClientKind::controller:
      return SelectionKind::controllers;
    case ClientKind::other:
      break;
  }
  return SelectionKind::other;
}

std::vector<ClientPtr> clientsOfKind(const std::vector<ClientPtr>& clients, ClientKind kind) {
  std::vector<ClientPtr> picked;
  for (const auto& client : clients)
    if (clientKind(*client) == kind) picked.push_back(client);
  return picked;
}

}  // namespace app
