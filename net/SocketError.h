#pragma once
// The one error type of the socket layer: every failure of a Socket operation is thrown as a
// SocketError (Socket::Error) carrying one of the codes below and a reason text. The codes and
// every fixed reason text live here and nowhere else. Values; safe to copy between threads.

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

namespace net {

// Error codes of the socket layer, -9999 to -9964. Socket inherits them (Socket::errCreateFailed).
struct SocketErrorCodes {
  static constexpr std::int32_t errCreateFailed = -9999;
  static constexpr std::int32_t errInvalidDescriptor = -9998;
  static constexpr std::int32_t errAlreadyConnected = -9997;
  static constexpr std::int32_t errNotConnected = -9996;
  static constexpr std::int32_t errNotListening = -9995;
  static constexpr std::int32_t errAcceptFailed = -9994;
  static constexpr std::int32_t errSetOptionFailed = -9993;
  static constexpr std::int32_t errBindFailed = -9992;
  static constexpr std::int32_t errInvalidHostname = -9991;
  static constexpr std::int32_t errInvalidPort = -9990;
  static constexpr std::int32_t errAddressLookupFailed = -9989;
  static constexpr std::int32_t errConnectFailed = -9988;
  static constexpr std::int32_t errConnectionDataUnavailable = -9987;
  static constexpr std::int32_t errSelectFailed = -9986;
  static constexpr std::int32_t errListenFailed = -9985;
  static constexpr std::int32_t errInvalidBuffer = -9984;
  // -9983 is reserved.
  static constexpr std::int32_t errReadFailed = -9982;
  static constexpr std::int32_t errBufferTooSmall = -9981;
  static constexpr std::int32_t errWriteFailed = -9980;
  static constexpr std::int32_t errGetFlagsFailed = -9979;
  static constexpr std::int32_t errSetFlagsFailed = -9978;
  // -9977 and -9976 are reserved.
  static constexpr std::int32_t errInvalidSignature = -9975;
  static constexpr std::int32_t errInternal = -9974;
  static constexpr std::int32_t errWrongProtocol = -9973;
  static constexpr std::int32_t errNotActive = -9972;
  static constexpr std::int32_t errConnectionReset = -9971;
  static constexpr std::int32_t errSetReadTimeoutFailed = -9970;
  static constexpr std::int32_t errSetWriteTimeoutFailed = -9969;
  static constexpr std::int32_t errConnectTimeout = -9968;
  static constexpr std::int32_t errGetOptionFailed = -9967;
  static constexpr std::int32_t errNoDelegateAcceptNeeded = -9966;
  static constexpr std::int32_t errMissingSignature = -9965;
  static constexpr std::int32_t errTimeoutNotSet = -9964;
};

// The fixed reason texts, byte for byte as callers and logs have always seen them.
namespace reason {
inline constexpr std::string_view socketInvalidDescriptor = "Socket has an invalid descriptor";
inline constexpr std::string_view theSocketInvalidDescriptor = "The socket has an invalid descriptor";
inline constexpr std::string_view socketNotValid = "The socket is not valid, it must be created and connected";
inline constexpr std::string_view alreadyConnected = "Socket is already connected";
inline constexpr std::string_view socketNotConnected = "Socket is not connected";
inline constexpr std::string_view theSocketNotConnected = "The socket is not connected";
inline constexpr std::string_view socketNotListening = "Socket is not listening";
inline constexpr std::string_view theSocketNotListening = "The socket is not listening";
inline constexpr std::string_view boundAddressUnknown = "Unable to determine listening socket address after bind.";
inline constexpr std::string_view invalidHostname = "Socket has an invalid hostname";
inline constexpr std::string_view invalidPort = "The port specified is invalid. Must be in the range of 1-65535.";
inline constexpr std::string_view unknownErrorCode = "Unknown error code.";
inline constexpr std::string_view socketConnectionDataUnavailable = "Unable to access socket connection data.";
inline constexpr std::string_view connectionDataUnavailable = "Unable to access connection data.";
inline constexpr std::string_view invalidBufferTheSize = "Socket has an invalid buffer, the size is zero";
inline constexpr std::string_view invalidBufferSize = "Socket has an invalid buffer, size is zero";
inline constexpr std::string_view bufferNotValid = "The buffer is not valid, its size is zero";
inline constexpr std::string_view bufferTooSmall = "Socket has an invalid buffer, the size is too small";
inline constexpr std::string_view invalidSignatureParameters = "Socket contains invalid signature parameters";
inline constexpr std::string_view signatureNotFound = "Socket signature not found.";
inline constexpr std::string_view temporaryDataFailed = "Unable to create temporary NSMutableData...";
inline constexpr std::string_view dataNotText = "Unable to convert data to NSString.";
inline constexpr std::string_view notUdp = "This is not a UDP socket.";
inline constexpr std::string_view mustBeUnix = "Socket has the wrong protocol, it must be UNIX socket";
inline constexpr std::string_view mustBeAUnix = "Socket has the wrong protocol, it must be a UNIX socket";
inline constexpr std::string_view connectedFamilyUnknown = "Unable to determine connected socket protocol family.";
inline constexpr std::string_view listeningFamilyUnknown = "Unable to determine listening socket protocol family.";
inline constexpr std::string_view incomingFamilyUnknown = "Unable to determine incoming socket protocol family.";
inline constexpr std::string_view receivingFamilyUnknown = "Unable to determine receiving socket protocol family.";
inline constexpr std::string_view notActive = "The socket is not active";
inline constexpr std::string_view noDelegateAcceptNeeded = "Socket does not need a delegate accept call";
inline constexpr std::string_view missingSignature = "The socket is missing a signature";
inline constexpr std::string_view timeoutNotSet = "No timeout set on call for non-blocking socket.";
// Signature construction.
inline constexpr std::string_view datagramNeedsUdpOrUnix = "Datagram socket must use .udp or .unix for the protocol.";
inline constexpr std::string_view datagramNeedsUdp = "Datagram socket must use .udp for the protocol.";
inline constexpr std::string_view streamNeedsTcpOrUnix = "Stream socket must use either .tcp or .unix for the protocol.";
inline constexpr std::string_view badFamilyTypeOrProtocol = "Bad family, type or protocol passed.";
inline constexpr std::string_view missingHostOrPort = "Missing hostname, port or both or invalid protocol family.";
inline constexpr std::string_view missingPathname = "Missing pathname.";
inline constexpr std::string_view pathnameTooLong = "Pathname supplied is too long.";
inline constexpr std::string_view incompleteParameters = "Incomplete parameters.";
inline constexpr std::string_view pathHasZeroBytes = "Specified path contains zero (0) bytes.";
// Error description.
inline constexpr std::string_view unavailable = "Reason: Unavailable";
}  // namespace reason

class SocketError : public std::exception {
 public:
  // The domain shared by every socket error.
  static constexpr std::string_view socketDomain = "com.velto.net.socket";

  SocketError(std::int32_t errorCode, std::optional<std::string> errorReason,
              std::int32_t bufferSizeNeeded = 0);

  const std::string& domain() const { return domain_; }
  std::int32_t errorCode() const { return errorCode_; }
  const std::optional<std::string>& errorReason() const { return errorReason_; }
  std::int32_t bufferSizeNeeded() const { return bufferSizeNeeded_; }

  // "Error code: -9973(0x-26F5), This is not a UDP socket." ("Reason: Unavailable" without a
  // reason; nothing after "), " for an empty one).
  std::string description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  std::string domain_;
  std::int32_t errorCode_;
  std::optional<std::string> errorReason_;
  std::int32_t bufferSizeNeeded_;
  std::string description_;
};

// The operating system's message for an error number, when it is valid UTF-8; otherwise
// "Error: " and the number in decimal. Thread-safe.
std::string systemErrorText(int errorNumber);

}  // namespace net
