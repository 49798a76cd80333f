#include "net/SocketSystem.h"

#include <fcntl.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include "platform/Utf8.h"

namespace net::detail {

void throwSystemError(std::int32_t code) { throw SocketError(code, systemErrorText(errno)); }

void throwReason(std::int32_t code, std::string_view reason) { throw SocketError(code, std::string(reason)); }

timeval toTimeval(std::uint64_t milliseconds) {
  timeval value{};
  value.tv_sec = static_cast<time_t>(milliseconds / 1000);
  value.tv_usec = static_cast<suseconds_t>((milliseconds % 1000) * 1000);
  return value;
}

int toPollTimeout(std::uint64_t milliseconds) {
  return static_cast<int>(std::min<std::uint64_t>(milliseconds, INT_MAX));
}

AddrinfoList lookup(const char* node, std::int64_t port, const addrinfo& hints) {
  const std::string service = std::to_string(port);
  addrinfo* list = nullptr;
  const int result = getaddrinfo(node, service.c_str(), &hints, &list);
  if (result != 0) {
    if (result == EAI_SYSTEM) throwSystemError(SocketErrorCodes::errAddressLookupFailed);
    const char* text = gai_strerror(result);
    if (text == nullptr || !platform::isValidUtf8(text)) {
      throwReason(SocketErrorCodes::errAddressLookupFailed, reason::unknownErrorCode);
    }
    throwReason(SocketErrorCodes::errAddressLookupFailed, text);
  }
  return AddrinfoList(list);
}

std::optional<SocketAddress> addressOf(const addrinfo& entry) {
  if (entry.ai_addr == nullptr) return std::nullopt;
  if (entry.ai_family == AF_INET && entry.ai_addrlen >= sizeof(sockaddr_in)) {
    sockaddr_in address;
    std::memcpy(&address, entry.ai_addr, sizeof address);
    return SocketAddress::ipv4(address);
  }
  if (entry.ai_family == AF_INET6 && entry.ai_addrlen >= sizeof(sockaddr_in6)) {
    sockaddr_in6 address;
    std::memcpy(&address, entry.ai_addr, sizeof address);
    return SocketAddress::ipv6(address);
  }
  return std::nullopt;
}

int setIntOption(int descriptor, int level, int name, int value) {
  return setsockopt(descriptor, level, name, &value, sizeof value);
}

void setNonBlocking(int descriptor, bool nonBlocking) {
  const int flags = fcntl(descriptor, F_GETFL);
  if (flags < 0) throwSystemError(SocketErrorCodes::errGetFlagsFailed);
  const int wanted = nonBlocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
  if (fcntl(descriptor, F_SETFL, wanted) < 0) throwSystemError(SocketErrorCodes::errSetFlagsFailed);
}

int pollLikeSelect(pollfd* descriptors, nfds_t count, int timeout) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeout, 0));
  int result = ::poll(descriptors, count, timeout);
  while (result < 0 && errno == EINTR) {
    if (timeout > 0) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      timeout = static_cast<int>(std::max<decltype(left)>(left, 0));
    }
    result = ::poll(descriptors, count, timeout);
  }
  for (nfds_t i = 0; result > 0 && i < count; ++i) {
    if ((descriptors[i].revents & POLLNVAL) != 0) {
      errno = EBADF;
      return -1;
    }
  }
  return result;
}

void waitFor(int descriptor, short events) {
  pollfd waiting{descriptor, events, 0};
  if (pollLikeSelect(&waiting, 1, -1) < 0) throwSystemError(SocketErrorCodes::errSelectFailed);
}

}  // namespace net::detail
