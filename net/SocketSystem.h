#pragma once
// Internal helpers shared by the Socket source files: error raising from errno, time values,
// resolver lists, option setting and a one-descriptor poll. Not part of the public interface.

#include <netdb.h>
#include <poll.h>
#include <sys/time.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "net/SocketAddress.h"
#include "net/SSLError.h"
#include "net/SocketError.h"

namespace net::detail {

// Throws `code` with the system text of the current errno.
[[noreturn]] void throwSystemError(std::int32_t code);
// Throws `code` with a fixed reason text.
[[noreturn]] void throwReason(std::int32_t code, std::string_view reason);

// Whole seconds and microseconds of a millisecond count.
timeval toTimeval(std::uint64_t milliseconds);
// A millisecond count as poll(2) takes it, clamped to int.
int toPollTimeout(std::uint64_t milliseconds);

// poll(2) readiness with select's meaning.
constexpr short readableEvents = POLLIN | POLLHUP | POLLERR;
constexpr short writableEvents = POLLOUT | POLLERR;

struct AddrinfoDeleter {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using AddrinfoList = std::unique_ptr<addrinfo, AddrinfoDeleter>;

// getaddrinfo with the port as decimal service text; on failure throws errAddressLookupFailed
// with the resolver's text (the system text for EAI_SYSTEM, "Unknown error code." when the
// resolver's text is not UTF-8).
AddrinfoList lookup(const char* node, std::int64_t port, const addrinfo& hints);

// The address of an IPv4 or IPv6 resolver entry.
std::optional<SocketAddress> addressOf(const addrinfo& entry);

// setsockopt with an int value; returns setsockopt's result (errno set on failure).
int setIntOption(int descriptor, int level, int name, int value);

// Sets or clears O_NONBLOCK; throws errGetFlagsFailed / errSetFlagsFailed.
void setNonBlocking(int descriptor, bool nonBlocking);

// Runs a security-layer hook; an SSLError it throws becomes the matching SocketError.
template <typename Call>
decltype(auto) callDelegate(Call&& call) {
  try {
    return call();
  } catch (const SSLError& error) {
    throw error.toSocketError();
  }
}

// Runs a security-layer send or receive until it gives a count: SSLError::success() calls it
// again at once, retryNeeded() after `waitUntilReady()`, fail() becomes a SocketError.
template <typename Call, typename Wait>
std::int64_t runSecure(Call&& call, Wait&& waitUntilReady) {
  for (;;) {
    try {
      return call();
    } catch (const SSLError& error) {
      if (error.kind() == SSLError::Kind::fail) throw error.toSocketError();
      if (error.kind() == SSLError::Kind::retryNeeded) waitUntilReady();
    }
  }
}

// poll(2) that fails as select(2) does when a descriptor is not open: -1 with errno EBADF
// (poll alone would only flag it in revents and report it ready for nothing). A signal does not
// end the wait: poll is called again with the time that remains of `timeout` (ms, -1: none).
int pollLikeSelect(pollfd* descriptors, nfds_t count, int timeout);

// Blocks until `descriptor` shows one of `events` (poll); throws errSelectFailed on a failure.
void waitFor(int descriptor, short events);

}  // namespace net::detail
