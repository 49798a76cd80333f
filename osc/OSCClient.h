#pragma once
// OSCClient: sends OSC messages and bundles as single UDP datagrams over IPv4 from one socket with
// broadcast sending on, to a default destination given at construction or to any other one named
// per send. It does not receive; replies come in through an OSCServer.
//
// Every send resolves its host anew, IPv4 only (a name such as "localhost" gives its IPv4 address
// even where IPv6 is listed first), and applies the time-out, in nanoseconds, as the socket's write
// time-out in whole milliseconds (under one millisecond: none). A failed send leaves the client
// usable.
//
// Threads: any thread; sends of one client run one at a time (a lock), so each write runs with its
// own time-out. A send does not suspend: it blocks its thread for the length of one sendto.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "net/Socket.h"
#include "osc/OSCBundle.h"
#include "osc/OSCError.h"
#include "osc/OSCMessage.h"

namespace osc {

enum class OSCClientErrorCase { couldNotCreateAddress, invalidPort };

class OSCClientError : public OSCCaseError<OSCClientErrorCase> {
 public:
  // "Could not find an IPv4 address for “x” (port 9000)."
  static OSCClientError couldNotCreateAddress(std::string host, std::uint16_t port);

  const std::string& host() const { return host_; }
  std::uint16_t port() const { return port_; }

 private:
  OSCClientError(Case kind, std::string description, std::string host, std::uint16_t port)
      : OSCCaseError(kind, std::move(description)), host_(std::move(host)), port_(port) {}
  std::string host_;
  std::uint16_t port_ = 0;
};

class OSCClient {
 public:
  // Throws the socket layer's error when the socket cannot be made or broadcast cannot be set.
  OSCClient(std::string host, std::uint16_t port);
  ~OSCClient();
  OSCClient(const OSCClient&) = delete;
  OSCClient& operator=(const OSCClient&) = delete;

  const std::string& host() const { return host_; }
  std::uint16_t port() const { return port_; }
  // The socket, for inspection only (its options, its descriptor); sends change it meanwhile.
  const net::Socket& socket() const { return *socket_; }

  // The core of every send. Throws OSCClientError::couldNotCreateAddress when the host does not
  // resolve to an IPv4 address (nothing is sent), or the socket layer's error unchanged.
  void send(const std::vector<std::uint8_t>& data, const std::string& host, std::uint16_t port,
            std::uint64_t timeout);
  // Encodes the object (its encoding error passes on) and sends it to the default destination.
  void send(const OSCMessage& message, std::uint64_t timeout);
  void send(const OSCBundle& bundle, std::uint64_t timeout);
  void send(const OSCMessage& message, const std::string& host, std::uint16_t port, std::uint64_t timeout);
  void send(const OSCBundle& bundle, const std::string& host, std::uint16_t port, std::uint64_t timeout);

  // The first IPv4 address of host and port; none when resolution gives none.
  static std::optional<net::Socket::Address> resolveIPv4(const std::string& host, std::uint16_t port);

 private:
  std::mutex mutex_;
  std::unique_ptr<net::Socket> socket_;  // guarded by mutex_
  std::optional<std::uint64_t> writeTimeout_;  // milliseconds, as last set on the socket; guarded by mutex_
  const std::string host_;
  const std::uint16_t port_;
};

}  // namespace osc
