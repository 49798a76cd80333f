#include "osc/OSCServer.h"

#include <algorithm>
#include <atomic>
#include <utility>

#include <sys/socket.h>

#include "osc/DatagramReader.h"

namespace osc {

struct OSCServer::Receiver {
  explicit Receiver(std::unique_ptr<net::Socket> s) : socket(std::move(s)) {}
  // Read on the reader's thread without a lock; closed only once the reader has let go of it (or,
  // on the reader's own thread, between two reads).
  const std::unique_ptr<net::Socket> socket;
  std::atomic<bool> stopping{false};  // set under the server's lock
  std::uint64_t key = 0;              // the reader's registration, set before it can fire
};

std::shared_ptr<OSCServer> OSCServer::make(std::uint16_t port, std::weak_ptr<OSCServerDelegate> delegate,
                                           std::shared_ptr<DispatchQueue> delegateQueue, DecoderFunction decoderType,
                                           std::optional<std::string> listeningAddress) {
  return std::make_shared<OSCServer>(Passkey{}, port, std::move(delegate), std::move(delegateQueue), decoderType,
                                     std::move(listeningAddress));
}

OSCServer::OSCServer(Passkey, std::uint16_t port, std::weak_ptr<OSCServerDelegate> delegate,
                     std::shared_ptr<DispatchQueue> delegateQueue, DecoderFunction decoderType,
                     std::optional<std::string> listeningAddress)
    : delegateQueue_(delegateQueue ? std::move(delegateQueue)
                                   : DispatchQueue::make("OSCServer Delegate " + std::to_string(port))),
      decoderType_(decoderType),
      port_(port),
      listeningAddress_(std::move(listeningAddress)),
      dispatcher_(OSCObjectDispatcher::make(delegateQueue_)),
      delegate_(std::move(delegate)) {}

OSCServer::~OSCServer() { stop(); }

std::string OSCServer::description() const {
  return "OSCServer@" + listeningAddress_.value_or("") + ":" + std::to_string(port_);
}

void OSCServer::start() {
  std::unique_lock lock(mutex_);
  // The port and the sequences of a run being torn down are released first.
  tornDown_.wait(lock, [this] { return !tearingDown_; });
  if (receiver_) throw OSCServerError::serverAlreadyStarted();
  auto receiver = std::make_shared<Receiver>(
      net::Socket::create(net::ProtocolFamily::inet, net::SocketType::datagram, net::SocketProtocol::udp));
  net::Socket& socket = *receiver->socket;
  try {
    socket.setReadBufferSize(receiveBufferSize);
    socket.setBlocking(false);
    // Best effort: a smaller queue than asked for still works, only bursts may be lost.
    const int queueBytes = kernelReceiveQueueBytes;
    ::setsockopt(socket.socketfd(), SOL_SOCKET, SO_RCVBUF, &queueBytes, sizeof queueBytes);
    socket.listen(port_, backlog, true, listeningAddress_);
  } catch (...) {
    // Nothing of the failed run stays: no open socket, no new sequences, not running.
    socket.close();
    throw;
  }
  const std::int32_t bound = socket.boundPort();

  // Fed by the receive loop itself: no stream and no pump task between the socket and the readers.
  auto [objects, objectFeed] = Objects::fed(
      {replayCapacity, replayBytes, [](const DatagramObject& object) { return object.footprint(); }});
  auto [messages, messageFeed] =
      Messages::fed({replayCapacity, replayBytes, [](const OSCMessage& message) { return message.footprint(); }});
  // Last of what may fail: when the reader refuses the socket, it closes with `receiver` and the
  // server keeps the sequences it had. The reader waits for the lock before it hands anything on.
  receiver->key = DatagramReader::shared().add(
      socket.socketfd(), [server = weak_from_this(), receiver] { readReady(server, receiver); });

  listeningPort_ = bound >= 0 ? static_cast<std::uint16_t>(bound) : port_;
  objects_.emplace(std::move(objects));
  objectsFeed_ = std::move(objectFeed);
  allMessages_.emplace(std::move(messages));
  allMessagesFeed_ = std::move(messageFeed);
  endpoints_.clear();
  knownEndpoints_.clear();
  receiver_ = std::move(receiver);
}

void OSCServer::stop() { stopRun(nullptr, nullptr); }

void OSCServer::stopRun(const Receiver* run, std::exception_ptr error) {
  std::shared_ptr<Receiver> receiver;
  std::optional<Objects::Feed> objects;
  std::optional<Messages::Feed> messages;
  {
    std::unique_lock lock(mutex_);
    // A stop (not the loop's own) returns only once a teardown under way has ended.
    if (!run) tornDown_.wait(lock, [this] { return !tearingDown_; });
    if (!receiver_ || (run && receiver_.get() != run)) return;
    tearingDown_ = true;
    receiver = std::move(receiver_);
    receiver->stopping = true;
    objects = objectsFeed_;
    messages = allMessagesFeed_;
    endpoints_.clear();
    knownEndpoints_.clear();
  }
  // On the reader's own thread this returns at once; the read in progress sees the mark first.
  DatagramReader::shared().remove(receiver->key, receiver->socket->socketfd());
  receiver->socket->close();
  objects->finish();
  messages->finish();
  {
    std::lock_guard lock(mutex_);
    tearingDown_ = false;
  }
  tornDown_.notify_all();
  tellDelegate([error](OSCServerDelegate& delegate) { delegate.serverDidStop(error); });
}

bool OSCServer::isRunning() const {
  std::lock_guard lock(mutex_);
  return receiver_ != nullptr;
}

std::optional<std::uint16_t> OSCServer::listeningPort() const {
  std::lock_guard lock(mutex_);
  return listeningPort_;
}

std::vector<OSCEndpoint> OSCServer::endpoints() const {
  std::lock_guard lock(mutex_);
  return endpoints_;
}

std::optional<OSCServer::Objects> OSCServer::objects() const {
  std::lock_guard lock(mutex_);
  return objects_;
}

std::optional<OSCServer::Messages> OSCServer::allMessages() const {
  std::lock_guard lock(mutex_);
  return allMessages_;
}

std::shared_ptr<OSCServerDelegate> OSCServer::delegate() const {
  std::lock_guard lock(mutex_);
  return delegate_.lock();
}

void OSCServer::setDelegate(std::weak_ptr<OSCServerDelegate> delegate) {
  std::lock_guard lock(mutex_);
  delegate_ = std::move(delegate);
}

void OSCServer::tellDelegate(std::function<void(OSCServerDelegate&)> call) const {
  delegateQueue_->async([server = weak_from_this(), call = std::move(call)] {
    const auto self = server.lock();
    if (!self) return;
    if (const auto delegate = self->delegate()) call(*delegate);
  });
}

void OSCServer::readReady(const std::weak_ptr<OSCServer>& server, const std::shared_ptr<Receiver>& receiver) {
  // A bounded drain, so that one flooded socket does not starve the others; what is left keeps
  // the socket ready.
  for (int k = 0; k < 64 && !receiver->stopping; ++k) {
    std::vector<std::uint8_t> datagram;
    net::Socket::DatagramResult result;
    std::exception_ptr readError;
    try {
      result = receiver->socket->readDatagram(datagram);
    } catch (...) {
      readError = std::current_exception();
    }
    if (receiver->stopping) return;  // stopped: a read that failed meanwhile is not the reason
    const auto self = server.lock();
    if (!self) return;  // the server is being destroyed: its destructor stops this run
    if (readError) {
      // The socket failed by itself: this run stops, and the delegate hears why.
      self->stopRun(receiver.get(), readError);
      return;
    }
    // No address: nothing more waits (or an empty datagram; the readiness brings the rest).
    if (!result.address) return;
    try {
      self->handleDatagram(*receiver, std::move(datagram), *result.address);
    } catch (...) {
      // Only a failed allocation gets here: the datagram is lost, the reading goes on.
    }
  }
}

void OSCServer::handleDatagram(const Receiver& receiver, std::vector<std::uint8_t> datagram,
                               const net::Socket::Address& address) {
  const auto hostAndPort = net::Socket::hostAndPort(address);
  if (!hostAndPort) return;
  const OSCEndpoint sender{hostAndPort->host, static_cast<std::uint16_t>(hostAndPort->port)};
  bool isNew = false;
  std::optional<Objects::Feed> objects;
  std::optional<Messages::Feed> messages;
  {
    std::lock_guard lock(mutex_);
    if (receiver.stopping) return;
    isNew = knownEndpoints_.insert(sender).second;
    if (isNew) endpoints_.push_back(sender);
    objects = objectsFeed_;
    messages = allMessagesFeed_;
  }
  if (isNew) {
    tellDelegate([sender](OSCServerDelegate& delegate) { delegate.serverDidAddEndpoint(sender.host, sender.port); });
  }
  handle(std::move(datagram), sender, *objects, *messages);
}

namespace {
void yieldMessages(const OSCObject& object, const OSCServer::Messages::Feed& messages) {
  if (const OSCMessage* message = object.message()) {
    messages.yield(*message);
  } else if (const OSCBundle* bundle = object.bundle()) {
    // Depth is bounded: received bundles are at most OSCBundle::maximumNestingDepth levels deep.
    for (const OSCObject& element : bundle->elements()) yieldMessages(element, messages);
  }
}
}  // namespace

void OSCServer::handle(std::vector<std::uint8_t> datagram, const OSCEndpoint& sender, const Objects::Feed& objects,
                       const Messages::Feed& messages) {
  std::optional<DatagramObject> object;
  try {
    object = decoderType_(std::span<const std::uint8_t>(datagram));
  } catch (...) {
    tellDelegate([data = std::move(datagram), error = std::current_exception()](OSCServerDelegate& delegate) {
      delegate.couldNotParseData(data, error);
    });
    return;
  }
  if (!object) return;
  object->setEndpoint(sender);
  object->setReceiveTime(std::chrono::steady_clock::now());
  objects.yield(*object);
  if (const OSCObject* osc = object->oscObject()) {
    dispatcher_->dispatch(*osc);
    yieldMessages(*osc, messages);
  }
}

}  // namespace osc
