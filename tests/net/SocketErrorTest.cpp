#include "net/SocketError.h"

#include <gtest/gtest.h>

#include <set>

#include "net/SSLError.h"
#include "net/Socket.h"

namespace net {
namespace {


TEST(SocketErrorTest, CodesAreContiguousWithThreeReserved) {
  const std::set<std::int32_t> codes = {
      Socket::errCreateFailed, Socket::errInvalidDescriptor, Socket::errAlreadyConnected, Socket::errNotConnected,
      Socket::errNotListening, Socket::errAcceptFailed, Socket::errSetOptionFailed, Socket::errBindFailed,
      Socket::errInvalidHostname, Socket::errInvalidPort, Socket::errAddressLookupFailed, Socket::errConnectFailed,
      Socket::errConnectionDataUnavailable, Socket::errSelectFailed, Socket::errListenFailed,
      Socket::errInvalidBuffer, Socket::errReadFailed, Socket::errBufferTooSmall, Socket::errWriteFailed,
      Socket::errGetFlagsFailed, Socket::errSetFlagsFailed, Socket::errInvalidSignature, Socket::errInternal,
      Socket::errWrongProtocol, Socket::errNotActive, Socket::errConnectionReset, Socket::errSetReadTimeoutFailed,
      Socket::errSetWriteTimeoutFailed, Socket::errConnectTimeout, Socket::errGetOptionFailed,
      Socket::errNoDelegateAcceptNeeded, Socket::errMissingSignature, Socket::errTimeoutNotSet};
  std::set<std::int32_t> expected;
  for (std::int32_t code = -9999; code <= -9964; ++code) {
    if (code != -9983 && code != -9977 && code != -9976) expected.insert(code);
  }
  EXPECT_EQ(codes, expected);
  EXPECT_EQ(Socket::errReadFailed, -9982);
  EXPECT_EQ(Socket::errInvalidSignature, -9975);
  EXPECT_EQ(Socket::errConnectionReset, -9971);
}

TEST(SocketErrorTest, Descriptions) {
  const struct {
    SocketError error;
    const char* text;
  } cases[] = {
      {SocketError(-9999, std::nullopt), "Error code: -9999(0x-270F), Reason: Unavailable"},
      {SocketError(-9973, "This is not a UDP socket."), "Error code: -9973(0x-26F5), This is not a UDP socket."},
      {SocketError(-9980, ""), "Error code: -9980(0x-26FC), "},
      {SocketError(255, "x"), "Error code: 255(0xFF), x"},
      {SocketError(INT32_MIN, std::nullopt), "Error code: -2147483648(0x-80000000), Reason: Unavailable"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.error.description(), c.text);
    EXPECT_STREQ(c.error.what(), c.text);
    EXPECT_EQ(c.error.domain(), SocketError::socketDomain);
    EXPECT_EQ(c.error.bufferSizeNeeded(), 0);
  }
}

TEST(SocketErrorTest, SecurityErrorsConvert) {
  const struct {
    SSLError error;
    std::int32_t code;
    const char* reason;
  } cases[] = {
      {SSLError::retryNeeded(), -1, "Retry operation"},
      {SSLError::success(), 0, "Success"},
      {SSLError::fail(-42, "handshake"), -42, "handshake"},
      {SSLError::fail(-(std::int64_t{1} << 40), "huge"), INT32_MIN, "huge"},
  };
  for (const auto& c : cases) {
    const SocketError converted = c.error.toSocketError();
    EXPECT_EQ(converted.errorCode(), c.code);
    EXPECT_EQ(converted.errorReason(), c.reason);
    EXPECT_EQ(converted.domain(), SocketError::socketDomain);
  }
}

}  // namespace
}  // namespace net
