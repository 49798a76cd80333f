#pragma once
// OSCServer: receives OSC over UDP/IPv4 on one bound port. The process's one DatagramReader thread
// reads each datagram (up to 8192 bytes), notes a new sender, decodes it with the owner's decoder,
// stamps the object with its sender and the time of reception (a bundle passes both on to every
// element) and hands it on, in arrival order, along four roads:
//   objects()      every decoded object, a bundle as one element;
//   allMessages()  every message, those inside bundles included (depth first, in element order);
//   dispatcher()   the handlers registered by address pattern, run on the delegate queue;
//   the delegate   new senders, undecodable datagrams and the end of a run, on the delegate queue.
// An object of the owner's decoder that is not an OSC message or bundle goes to objects() only.
// Both sequences replay their newest elements to each new reader, so a reply that arrives before
// its wait subscribes is still found (firstMessage, firstBundle): at most 512 elements and
// replayBytes of decoded size each, so that no peer can make a server hold more than that. They are absent before
// the first start, end normally on stop() and are kept after it; a start makes new ones.
//
// Owned through std::shared_ptr (make()). The reader holds the server weakly, so the last owner
// may be dropped on the reader's thread; the destructor stops the server without telling the
// delegate. start(), stop() and isRunning() run on the caller's thread under the server's lock;
// any thread may call them. stop() takes the socket from the reader (waiting until the reader no
// longer reads it, except on the reader's own thread), closes it, ends both sequences, then
// reports serverDidStop without an error; a failed read stops the run the same way with its error.
// A stop or start that meets another thread's stop waits until that one has ended the sequences.
// A failed start leaves the server stopped.

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include <boost/asio/awaitable.hpp>

#include "async/AsyncStream.h"
#include "net/Socket.h"
#include "osc/DatagramObject.h"
#include "osc/DispatchQueue.h"
#include "osc/OSCAddressPattern.h"
#include "osc/OSCEndpoint.h"
#include "osc/OSCObject.h"
#include "osc/OSCObjectDispatcher.h"
#include "osc/OSCServerDelegate.h"
#include "osc/OSCServerError.h"
#include "osc/OSCStandardDecoder.h"
#include "osc/ObjectsView.h"
#include "osc/SharedBufferedAsyncSequence.h"

namespace osc {

// Converts to D::decode(datagram), as DecodedFrom does for a message or bundle type.
template <class D>
struct DecodedBy {
  std::optional<std::span<const std::uint8_t>> datagram;
  operator OSCObject() const { return D::decode(datagram); }
};

// A decoder type as the server holds it: D::decode behind a plain function.
using DecoderFunction = std::optional<DatagramObject> (*)(std::optional<std::span<const std::uint8_t>>);

template <DatagramDecoder D>
DecoderFunction decoderOf() {
  return [](std::optional<std::span<const std::uint8_t>> datagram) -> std::optional<DatagramObject> {
    if constexpr (std::is_same_v<decltype(D::decode(datagram)), OSCObject>) {
      // A decoder of messages and bundles only: its result is built right where the server keeps it.
      return std::optional<DatagramObject>(std::in_place, std::in_place_index<0>, DecodedBy<D>{datagram});
    } else {
      return D::decode(datagram);
    }
  };
}

class OSCServer : public std::enable_shared_from_this<OSCServer> {
  struct Passkey {};

 public:
  using Objects = SharedBufferedAsyncSequence<async::AsyncThrowingStream<DatagramObject>>;
  using Messages = SharedBufferedAsyncSequence<async::AsyncThrowingStream<OSCMessage>>;

  static constexpr std::size_t receiveBufferSize = 8192;
  // The kernel's queue for datagrams not read yet, asked for at every start (the system may grant
  // less): a device sends a whole preset's segments in one burst, which the default queue drops.
  static constexpr int kernelReceiveQueueBytes = 4 * 1024 * 1024;
  static constexpr std::size_t replayCapacity = 512;
  // The decoded size (footprint()) the replay of each sequence keeps at most.
  static constexpr std::size_t replayBytes = 512 * 1024;
  static constexpr std::int64_t backlog = 1024;

  // Does not touch the network. Without a delegate queue the server makes a serial one labelled
  // "OSCServer Delegate " and the port.
  static std::shared_ptr<OSCServer> make(std::uint16_t port, std::weak_ptr<OSCServerDelegate> delegate = {},
                                         std::shared_ptr<DispatchQueue> delegateQueue = nullptr,
                                         DecoderFunction decoderType = decoderOf<OSCStandardDecoder>(),
                                         std::optional<std::string> listeningAddress = std::nullopt);
  OSCServer(Passkey, std::uint16_t port, std::weak_ptr<OSCServerDelegate> delegate,
            std::shared_ptr<DispatchQueue> delegateQueue, DecoderFunction decoderType,
            std::optional<std::string> listeningAddress);
  ~OSCServer();
  OSCServer(const OSCServer&) = delete;
  OSCServer& operator=(const OSCServer&) = delete;

  // "OSCServer@" + listening address (empty when none) + ":" + the port asked for.
  std::string description() const;

  // Binds (address and port reuse, port 0: the system picks) and starts the receive loop. Throws
  // OSCServerError::serverAlreadyStarted while running, or the socket layer's error; after an
  // error the server is stopped as before and may be started again.
  void start();
  // Safe on a server that is not running.
  void stop();
  bool isRunning() const;

  // The port bound by the last successful start; none before it.
  std::optional<std::uint16_t> listeningPort() const;
  // The senders heard from since the start, in the order first heard.
  std::vector<OSCEndpoint> endpoints() const;
  std::optional<Objects> objects() const;
  std::optional<Messages> allMessages() const;
  // Typed views of objects(), none while it is none; each iteration is a new subscription with
  // its replay. The objects of one type, each taken as that type (OSCMessage: the top-level
  // messages; OSCBundle: the top-level bundles; a custom type of the owner's decoder: its objects).
  template <class T>
  std::optional<ObjectsOfType<Objects, T>> objectsOfType() const {
    return view<ObjectsOfType<Objects, T>>();
  }
  // The OSC messages and bundles, each as an OSCObject.
  std::optional<ObjectsOfType<Objects, OSCObject>> oscObjects() const { return objectsOfType<OSCObject>(); }
  // The objects that are neither (only a decoder of the owner's own makes them), unchanged.
  std::optional<NonOSCObjects<Objects>> nonOSCObjects() const { return view<NonOSCObjects<Objects>>(); }

  std::shared_ptr<OSCServerDelegate> delegate() const;
  void setDelegate(std::weak_ptr<OSCServerDelegate> delegate);
  const std::shared_ptr<DispatchQueue>& delegateQueue() const { return delegateQueue_; }
  OSCObjectDispatcher& dispatcher() const { return *dispatcher_; }

  // --- Waits for replies (OSCServerWaits.cpp). Call from a task made by async::spawn. ---
  // The first message received strictly after `since` whose address matches `matching` (none: any)
  // and, when `host` is given, that came from host and port. From allMessages(), or with
  // fromMessageStream false from the top-level messages of objects(). `timeout` in nanoseconds
  // measures the whole wait. Throws OSCServerError::readTimeout when it runs out,
  // serverStopped() when the server was never started or its sequence ends first, or the error
  // the sequence ends with.
  asio::awaitable<OSCMessage> firstMessage(std::optional<OSCAddressPattern> matching,
                                           std::optional<std::string> host, std::uint16_t port,
                                           DispatchTime since, std::uint64_t timeout,
                                           bool fromMessageStream = true) const;
  // The same with the pattern as text; text that is not a valid pattern sets no address condition.
  asio::awaitable<OSCMessage> firstMessage(std::string_view matchingAddress, std::optional<std::string> host,
                                           std::uint16_t port, DispatchTime since, std::uint64_t timeout,
                                           bool fromMessageStream = true) const;
  // The first top-level bundle received strictly after `since` (from host and port, when given).
  asio::awaitable<OSCBundle> firstBundle(std::uint64_t timeout, std::optional<std::string> host,
                                         std::uint16_t port, DispatchTime since) const;

 private:
  template <class View>
  std::optional<View> view() const {
    auto all = objects();
    if (!all) return std::nullopt;
    return View(std::move(*all));
  }

  // What the reader shares with the server: the socket, the stop mark and the registration.
  struct Receiver;

  // Stops the run of `run` only (null: whichever runs) and tells the delegate with `error`.
  void stopRun(const Receiver* run, std::exception_ptr error);
  // On the reader's thread, when the socket of `receiver` is readable.
  static void readReady(const std::weak_ptr<OSCServer>& server, const std::shared_ptr<Receiver>& receiver);
  void handleDatagram(const Receiver& receiver, std::vector<std::uint8_t> datagram,
                      const net::Socket::Address& address);
  void handle(std::vector<std::uint8_t> datagram, const OSCEndpoint& sender, const Objects::Feed& objects,
              const Messages::Feed& messages);
  // Runs `call` with the delegate on the delegate queue, holding the server weakly.
  void tellDelegate(std::function<void(OSCServerDelegate&)> call) const;

  const std::shared_ptr<DispatchQueue> delegateQueue_;
  const DecoderFunction decoderType_;
  const std::uint16_t port_;
  const std::optional<std::string> listeningAddress_;
  const std::shared_ptr<OSCObjectDispatcher> dispatcher_;

  mutable std::mutex mutex_;
  std::condition_variable tornDown_;
  bool tearingDown_ = false;  // between taking a run from the server and ending its sequences
  std::shared_ptr<Receiver> receiver_;  // present while running
  std::vector<OSCEndpoint> endpoints_;              // in the order first heard
  std::unordered_set<OSCEndpoint> knownEndpoints_;  // the same senders, to look them up at once
  std::optional<Objects> objects_;
  std::optional<Objects::Feed> objectsFeed_;
  std::optional<Messages> allMessages_;
  std::optional<Messages::Feed> allMessagesFeed_;
  std::weak_ptr<OSCServerDelegate> delegate_;
  std::optional<std::uint16_t> listeningPort_;
};

}  // namespace osc
