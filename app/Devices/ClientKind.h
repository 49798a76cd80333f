#pragma once
// The kinds of device client the windows tell apart, by the exact run-time class of the client
// (a subclass of a kind is not that kind).

#include <memory>
#include <vector>

namespace device {
class VeltoClient;
}

namespace app {

using ClientPtr = std::shared_ptr<device::VeltoClient>;

enum class ClientKind { app, controller, processor, other };

ClientKind clientKind(const device::VeltoClient& client);

// The kind of a selection as the inspector and the actions see it.
enum class SelectionKind { empty, mismatching, processors, apps, controllers, other };

// Empty; mismatching when the exact classes differ; else by the class of the first client.
SelectionKind selectionKind(const std::vector<ClientPtr>& clients);

// The clients of one kind, in order.
std::vector<ClientPtr> clientsOfKind(const std::vector<ClientPtr>& clients, ClientKind kind);

}  // namespace app
