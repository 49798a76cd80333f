#pragma once
// A BSD socket: one descriptor with its read buffers, its Signature and an optional security
// delegate. UDP, TCP over IPv4 and IPv6, and local (path) stream and datagram sockets. Every
// failure is thrown as Socket::Error (SocketError). Writes never raise SIGPIPE (MSG_NOSIGNAL);
// the library does not touch the process's signal handling.
//
// Ownership and threads. A Socket is owned by one object (create() hands out a unique_ptr) and is
// used by one thread at a time; it takes no lock. The one exception is wakeUp(): any thread may
// call it while another thread is blocked in a read or an accept on the same socket; the blocked
// call returns (a datagram read gives count 0 and no address). Stop a reader thread in this order:
// set your own stop flag, wakeUp(), join the thread, then close() (or destroy) the socket. Never
// close a socket while another thread may still use its descriptor number. After wakeUp() every
// read returns count 0 at once. An empty datagram and an expired read time-out also give count 0
// and no address, so a receive loop checks its stop flag whenever a read gives count 0.
//
// The UDP road, as the OSC transport uses it:
//   auto socket = Socket::create(ProtocolFamily::inet, SocketType::datagram, SocketProtocol::udp);
//   socket->setBroadcast(true);                       // to send to broadcast addresses
//   socket->setReadBufferSize(8192);                  // longest datagram read whole
//   socket->listen(port, 1024, true, node);           // bind (port 0: the system picks one)
//   socket->boundPort();                              // the port actually bound
//   auto [count, sender] = socket->readDatagram(bytes);  // blocks; appends to `bytes`
//   Socket::hostAndPort(*sender);                     // numeric host text and port
//   socket->setWriteTimeout(ms);
//   socket->write(bytes, *Socket::resolveAddress(host, port));
//   socket->wakeUp();  /* from the owner, then join the reader */  socket->close();

#include <netdb.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/SSLError.h"
#include "net/SSLServiceDelegate.h"
#include "net/SocketAddress.h"
#include "net/SocketError.h"
#include "net/SocketReader.h"
#include "net/SocketSignature.h"
#include "net/SocketTypes.h"
#include "net/SocketWriter.h"

namespace net {

class Socket : public SocketErrorCodes, public SocketReader, public SocketWriter {
 public:
  using Error = SocketError;
  using Address = SocketAddress;
  using Signature = SocketSignature;
  using HostAndPort = SocketAddress::HostAndPort;

  static constexpr std::size_t minimumReadBufferSize = 1024;
  static constexpr std::size_t defaultReadBufferSize = 4096;
  static constexpr std::size_t secureReadBufferSize = 32768;
  static constexpr std::int64_t defaultBacklog = 50;
  static constexpr int invalidDescriptor = -1;
  static constexpr std::int32_t invalidPort = 0;

  struct DatagramResult {
    std::int64_t count = 0;
    std::optional<Address> address;  // the sender; none when nothing was received
  };
  struct Readiness {
    bool readable = false;
    bool writable = false;
  };

  // --- Creation and addresses (Socket.cpp) ---
  // Checks the type/protocol pairing, then opens the descriptor.
  static std::unique_ptr<Socket> create(ProtocolFamily family, SocketType type, SocketProtocol proto);
  // A socket of the signature's kind, connected with connect(signature).
  static std::unique_ptr<Socket> createConnected(const Signature& signature);
  // Takes over an already connected descriptor (closed by the socket from then on).
  static std::unique_ptr<Socket> adopt(int descriptor, const std::optional<Address>& address);
  static std::optional<HostAndPort> hostAndPort(const Address& address);
  // First result of the resolver (any family) for host and port; none when it fails.
  static std::optional<Address> resolveAddress(const std::string& host, std::int32_t port);
  // Sockets ready now for reading (first list) and writing (second), without waiting.
  static std::pair<std::vector<Socket*>, std::vector<Socket*>> partitionByReadiness(const std::vector<Socket*>& sockets);
  // The sockets that become readable within `timeout` ms (0: poll at once) or, with waitForever,
  // at all; none when the time ran out. Each socket must be listening, connected or bound.
  static std::optional<std::vector<Socket*>> waitForReadable(const std::vector<Socket*>& sockets,
                                                             std::uint64_t timeout, bool waitForever);
  // The system's message for the current errno.
  static std::string lastErrorText();

  Socket(ProtocolFamily family, SocketType type, SocketProtocol proto);
  // A connected stream socket on `descriptor` (from accept or adopt).
  Socket(int descriptor, const Address& remoteAddress, const std::optional<std::string>& path);
  ~Socket() override;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  // Identity: a socket equals only itself; hashing uses uuid().
  bool operator==(const Socket& other) const { return this == &other; }

  // Same as close(true).
  void close();
  // Shuts the descriptor down where a blocked thread must be woken (listening and datagram
  // sockets), closes it and resets the signature's host, port, path and secure flag. Idempotent.
  void close(bool withSecurityCleanup);
  // Wakes a thread blocked in a read or accept on this socket (shutdown in both directions,
  // errors ignored) and marks the socket woken: until close(), reads return count 0 and accepts
  // fail without asking the system, even while datagrams keep arriving. The descriptor stays open
  // until close(). The only operation that may run concurrently with another operation on the
  // same socket.
  void wakeUp();

  // --- Connecting (SocketConnect.cpp) ---
  // Tries every resolved address on a fresh descriptor; `timeout` in ms (0: none).
  void connect(const std::string& host, std::int32_t port, std::uint64_t timeout = 0, bool sameFamilyOnly = false);
  void connectToPath(const std::string& path);
  void connect(const Signature& signature);

  // --- Listening (SocketListen.cpp) ---
  // Binds to `port` (0: the system picks) on `node` (none: every local address) with address
  // reuse, and port reuse when asked (for port 0 set after the bind, so that a picked port is
  // never one another socket holds); stream sockets also listen. UDP sockets are only bound:
  // isListening() stays false and boundPort() gives the port.
  void listen(std::int64_t port, std::int64_t maxBacklogSize = defaultBacklog, bool reusePort = true,
              const std::optional<std::string>& node = std::nullopt);
  // A local stream socket listening on `path` (a stale file there is removed first).
  void listenOnPath(const std::string& path, std::int64_t maxBacklogSize = defaultBacklog);
  // Binds a datagram socket when it is not yet bound, then reads one datagram.
  DatagramResult listenForDatagram(std::uint8_t* buffer, std::size_t bufferSize, std::int64_t port,
                                   std::int64_t maxBacklogSize = defaultBacklog);
  DatagramResult listenForDatagram(std::vector<std::uint8_t>& data, std::int64_t port,
                                   std::int64_t maxBacklogSize = defaultBacklog);

  // --- Accepting (SocketAccept.cpp) ---
  std::unique_ptr<Socket> acceptClient(bool invokeDelegate = true);
  void invokeAcceptDelegate(Socket& client);
  void acceptInPlace();

  // --- Reading (SocketRead.cpp); one reader at a time ---
  // Stream: bytes waiting from earlier reads are served first; with `truncate` the part that
  // does not fit waits for the next read, without it the read fails with errBufferTooSmall.
  std::int64_t read(std::uint8_t* buffer, std::size_t capacity, bool truncate = false);
  std::string readString() override;
  // Appends what arrived to `data`.
  std::int64_t read(std::vector<std::uint8_t>& data) override;
  // One datagram; a longer one is cut to `capacity`. Count 0 and no address when nothing came
  // (non-blocking, read time-out, wakeUp).
  DatagramResult readDatagram(std::uint8_t* buffer, std::size_t capacity);
  // One datagram (at most readBufferSize() bytes) appended to `data`.
  DatagramResult readDatagram(std::vector<std::uint8_t>& data);

  // --- Writing (SocketWrite.cpp) ---
  std::int64_t write(const void* buffer, std::size_t count);
  std::int64_t write(const std::vector<std::uint8_t>& data) override;  // empty: 0 at once
  std::int64_t write(std::string_view text) override;
  // One datagram to `address`.
  std::int64_t write(const void* buffer, std::size_t count, const Address& address);
  std::int64_t write(const std::vector<std::uint8_t>& data, const Address& address);
  std::int64_t write(std::string_view text, const Address& address);

  // --- Options and readiness (SocketOptions.cpp) ---
  Readiness pollReadiness(bool waitForever, std::uint64_t timeout);
  void setBlocking(bool blocking);
  // Milliseconds; 0 removes the time-out.
  void setReadTimeout(std::uint64_t milliseconds);
  void setWriteTimeout(std::uint64_t milliseconds);
  void setBroadcast(bool enable);

  // --- Fields ---
  const std::vector<std::uint8_t>& readBuffer() const { return readBuffer_; }
  const std::vector<std::uint8_t>& readStorage() const { return readStorage_; }
  bool needsAcceptDelegateCall() const { return needsAcceptDelegateCall_; }
  const std::string& uuid() const { return uuid_; }
  int socketfd() const { return socketfd_; }
  const std::optional<Signature>& signature() const { return signature_; }
  void setSignature(std::optional<Signature> signature) { signature_ = std::move(signature); }
  const std::shared_ptr<SSLServiceDelegate>& delegate() const { return delegate_; }
  // With a delegate the read buffer becomes secureReadBufferSize.
  void setDelegate(std::shared_ptr<SSLServiceDelegate> delegate);
  std::size_t readBufferSize() const { return readBufferSize_; }
  // Raised to minimumReadBufferSize; the buffer is replaced only when the size changes.
  void setReadBufferSize(std::size_t size);
  std::int64_t maxBacklogSize() const { return maxBacklogSize_; }
  void setMaxBacklogSize(std::int64_t size) { maxBacklogSize_ = size; }
  bool isConnected() const { return isConnected_; }
  bool isBlocking() const { return isBlocking_; }
  bool isListening() const { return isListening_; }
  // The stream peer closed or reset the connection. Never set on datagram sockets: an empty
  // datagram or a wake-up is not the end of anything.
  bool remoteConnectionClosed() const { return remoteConnectionClosed_; }

  bool isActive() const { return isListening_ || isConnected_; }
  bool isServer() const { return isListening_; }
  bool isSecure() const { return signature_ && signature_->isSecure; }
  // The signature's port while listening; -1 otherwise (a bound UDP socket does not listen).
  std::int32_t listeningPort() const { return signature_ && isListening_ ? signature_->port : -1; }
  // The signature's port once bound (the port the system chose for port 0); -1 when not bound.
  std::int32_t boundPort() const { return signature_ && signature_->isBound ? signature_->port : -1; }
  std::string remoteHostname() const;
  std::int32_t remotePort() const { return signature_ ? signature_->port : 0; }
  std::optional<std::string> remotePath() const { return signature_ ? signature_->path : std::nullopt; }

 private:
  void resetFields();
  void closeDescriptor();
  // Records that the stream peer closed or reset the connection; a datagram socket, connected or
  // not, has no such end (an empty datagram or a wake-up reads as 0 bytes too).
  void noteRemoteClosed();
  void bindForDatagram(std::int64_t port, std::int64_t maxBacklogSize);
  std::int64_t readIntoStorage();
  DatagramResult readDatagramIntoStorage();
  std::int64_t writeDatagram(const void* buffer, std::size_t count, const Address& address);
  void setTimeout(std::uint64_t milliseconds, int option, std::int32_t errorCode);
  void takeOverConnection(int descriptor, const addrinfo& entry, const std::string& host,
                          std::int32_t port, bool restoreBlocking);
  std::pair<int, Address> acceptOne();

  std::vector<std::uint8_t> readBuffer_;
  std::vector<std::uint8_t> readStorage_;
  bool needsAcceptDelegateCall_ = false;
  std::string uuid_;
  int socketfd_ = invalidDescriptor;
  std::optional<Signature> signature_;
  std::shared_ptr<SSLServiceDelegate> delegate_;
  std::size_t readBufferSize_ = defaultReadBufferSize;
  std::int64_t maxBacklogSize_ = defaultBacklog;
  bool isConnected_ = false;
  bool isBlocking_ = true;
  bool isListening_ = false;
  bool remoteConnectionClosed_ = false;
  std::atomic<bool> wokenUp_ = false;  // set by wakeUp() from any thread, cleared by close()
};

}  // namespace net

template <>
struct std::hash<net::Socket> {
  std::size_t operator()(const net::Socket& socket) const noexcept { return std::hash<std::string>{}(socket.uuid()); }
};
