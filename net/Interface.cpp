#include "net/Interface.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>

#include <cstring>
#include <memory>

#include "platform/Uuid.h"
#include "platform/Utf8.h"

namespace net {

namespace {

// Numeric text of an IPv4 or IPv6 address; none for another family or a failed conversion.
std::optional<std::string> numericText(const sockaddr* address) {
  if (address == nullptr) return std::nullopt;
  if (address->sa_family == AF_INET) {
    char host[2049] = {};
    if (getnameinfo(address, sizeof(sockaddr_in), host, sizeof host, nullptr, 0, NI_NUMERICHOST) != 0) {
      return std::nullopt;
    }
    return platform::replacingInvalidUtf8(std::string_view(host, strnlen(host, sizeof host)));
  }
  if (address->sa_family == AF_INET6) {
    sockaddr_in6 v6;
    std::memcpy(&v6, address, sizeof v6);
    char host[INET6_ADDRSTRLEN] = {};
    if (inet_ntop(AF_INET6, &v6.sin6_addr, host, sizeof host) == nullptr) return std::nullopt;
    return platform::replacingInvalidUtf8(std::string_view(host, strnlen(host, sizeof host)));
  }
  return std::nullopt;
}

struct IfaddrsDeleter {
  void operator()(ifaddrs* list) const { freeifaddrs(list); }
};

}  // namespace

std::optional<Interface::Family> Interface::familyFromRaw(std::int64_t raw) {
  if (raw < 0 || raw > 2) return std::nullopt;
  return static_cast<Family>(raw);
}

std::string_view Interface::displayText(Family family) {
  switch (family) {
    case Family::ipv4: return "IPv4";
    case Family::ipv6: return "IPv6";
    case Family::other: return "other";
  }
  return "other";
}

std::string_view Interface::caseName(Family family) {
  switch (family) {
    case Family::ipv4: return "ipv4";
    case Family::ipv6: return "ipv6";
    case Family::other: return "other";
  }
  return "other";
}

std::vector<Interface> Interface::allInterfaces() {
  ifaddrs* raw = nullptr;
  if (getifaddrs(&raw) != 0) return {};
  const std::unique_ptr<ifaddrs, IfaddrsDeleter> list(raw);
  std::vector<Interface> interfaces;
  for (const ifaddrs* entry = raw; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr) continue;
    const int addressFamily = entry->ifa_addr->sa_family;
    if (addressFamily != AF_INET && addressFamily != AF_INET6) continue;
    const unsigned flags = entry->ifa_flags;
    const std::optional<std::string> broadcast =
        (flags & IFF_BROADCAST) != 0 ? numericText(entry->ifa_broadaddr) : std::nullopt;
    interfaces.emplace_back(platform::replacingInvalidUtf8(entry->ifa_name != nullptr ? entry->ifa_name : ""),
                            addressFamily == AF_INET ? Family::ipv4 : Family::ipv6, numericText(entry->ifa_addr),
                            numericText(entry->ifa_netmask), (flags & IFF_RUNNING) != 0, (flags & IFF_UP) != 0,
                            (flags & IFF_LOOPBACK) != 0, (flags & IFF_MULTICAST) != 0, broadcast);
  }
  return interfaces;
}

Interface::Interface(std::string name, Family family, std::optional<std::string> address,
                     std::optional<std::string> netmask, bool running, bool up, bool loopback,
                     bool multicastSupported, std::optional<std::string> broadcastAddress)
    : id_(platform::newUuidText()),
      name_(std::move(name)),
      family_(family),
      address_(std::move(address)),
      netmask_(std::move(netmask)),
      broadcastAddress_(std::move(broadcastAddress)),
      running_(running),
      up_(up),
      loopback_(loopback),
      multicastSupported_(multicastSupported) {}

Interface::Interface(std::string name, Family family, std::optional<std::string> address, bool multicastSupported,
                     std::optional<std::string> broadcastAddress)
    : Interface(std::move(name), family, std::move(address), std::nullopt, true, true, false, multicastSupported,
                std::move(broadcastAddress)) {}

std::optional<std::vector<std::uint8_t>> Interface::addressBytes() const {
  if (!address_ || family_ == Family::other) return std::nullopt;
  std::vector<std::uint8_t> bytes(family_ == Family::ipv4 ? 4 : 16, 0);
  if (inet_pton(family_ == Family::ipv4 ? AF_INET : AF_INET6, address_->c_str(), bytes.data()) != 1) {
    return std::nullopt;
  }
  return bytes;
}

std::string Interface::debugDescription() const {
  std::string text = "Interface name:" + name_ + " family:" + std::string(caseName(family_));
  if (address_) text += " ip:" + *address_;
  text += up_ ? " (up)" : " (down)";
  text += running_ ? " (running)" : "(not running)";
  return text;
}

}  // namespace net
