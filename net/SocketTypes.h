#pragma once
// What a socket is: address family, socket type and transport protocol, with their platform
// numbers and case names. Plain values.

#include <cstdint>
#include <optional>
#include <string_view>

namespace net {

enum class ProtocolFamily { inet, inet6, unix_ };
enum class SocketType { stream, datagram };
// Raw value: the case's position (0, 1, 2).
enum class SocketProtocol : std::int32_t { tcp = 0, udp = 1, unix_ = 2 };

std::optional<SocketProtocol> socketProtocolFromRaw(std::int32_t raw);

// AF_INET, AF_INET6, AF_UNIX / SOCK_STREAM, SOCK_DGRAM / IPPROTO_TCP, IPPROTO_UDP, 0.
int platformValue(ProtocolFamily family);
int platformValue(SocketType type);
int platformValue(SocketProtocol proto);

std::optional<ProtocolFamily> familyFromPlatform(int value);
std::optional<SocketType> typeFromPlatform(int value);
std::optional<SocketProtocol> protocolFromPlatform(int value);

// "inet", "inet6", "unix"; "stream", "datagram"; "tcp", "udp", "unix".
std::string_view caseName(ProtocolFamily family);
std::string_view caseName(SocketType type);
std::string_view caseName(SocketProtocol proto);

}  // namespace net
