#include "simulator/DeviceSimulator.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <map>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "simulator/LoCodec.h"

namespace testsupport {

namespace {

constexpr std::size_t maxDatagram = 65536;
constexpr std::size_t maxLogText = 240;

std::string shortened(std::string text) {
  if (text.size() > maxLogText) text = text.substr(0, maxLogText) + "...";
  return text;
}

sockaddr_in socketAddress(const std::string& host, std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) {
    throw std::invalid_argument("not an IPv4 address: \"" + host + "\"");
  }
  return address;
}

}  // namespace

struct DeviceSimulator::Impl {
  struct Socket {
    int fd = -1;
    std::size_t device = SimReceived::relayDevice;
    SimContext roles;  // discovery, control, companion, secondPath
    std::string address;
    std::uint16_t port = 0;
  };
  struct Ports {
    std::uint16_t control = 0, discovery = 0, companion = 0;
    int controlFd[2] = {-1, -1};
    int discoveryFd[2] = {-1, -1};
  };
  struct Outgoing {
    int fd;
    sockaddr_in to;
    std::vector<std::uint8_t> bytes;
    std::string line;
  };

  explicit Impl(std::vector<DeviceConfig> configs, Options options) : options(std::move(options)) {
    for (auto& config : configs) {
      ports.push_back({config.controlPort, config.discoveryPort, config.companionPort});
      devices.emplace_back(std::move(config));
    }
  }

  // --- Under the lock. ---
  void bind(std::size_t device, const std::string& address, bool secondPath);
  int openSocket(const std::string& address, std::uint16_t& port);
  void send(std::size_t device, std::vector<SimReply> replies);
  void receive(const Socket& socket, std::span<const std::uint8_t> datagram, const sockaddr_in& from);
  void note(std::size_t device);
  void closeAll();

  // --- Without the lock. ---
  void loop();
  void flushLog();

  const Options options;
  mutable std::mutex mutex;
  mutable std::condition_variable recordChanged;
  std::vector<SimulatedDevice> devices;
  std::vector<Ports> ports;
  std::vector<Socket> sockets;
  int wakeFd = -1;
  bool running = false;
  bool stopping = false;
  std::thread thread;
  std::vector<SimReceived> record;
  std::multimap<Clock::time_point, Outgoing> outbox;
  std::vector<std::string> logLines;
};

int DeviceSimulator::Impl::openSocket(const std::string& address, std::uint16_t& port) {
  const sockaddr_in local = socketAddress(address, port);
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::system_error(errno, std::generic_category(), "socket");
  // Room for a preset's segments, which clients send without pause (up to the system's maximum).
  const int receiveBuffer = 4 << 20;
  ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    const int error = errno;
    ::close(fd);
    throw std::system_error(error, std::generic_category(), "bind " + address + ":" + std::to_string(port));
  }
  sockaddr_in bound{};
  socklen_t length = sizeof bound;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
  port = ntohs(bound.sin_port);
  return fd;
}

void DeviceSimulator::Impl::bind(std::size_t device, const std::string& address, bool secondPath) {
  Ports& p = ports[device];
  const DeviceConfig& config = devices[device].config();
  const int path = secondPath ? 1 : 0;
  // A second path binds the port numbers the first one got. A port configured equal to an
  // earlier one (not 0) shares that socket.
  auto open = [&](std::uint16_t configured, std::uint16_t bound) {
    std::uint16_t port = secondPath ? bound : configured;
    Socket socket;
    socket.fd = openSocket(address, port);  // sets `port` to the bound one
    socket.device = device;
    socket.address = address;
    socket.port = port;
    socket.roles.secondPath = secondPath;
    sockets.push_back(socket);
    return sockets.size() - 1;
  };
  const std::size_t control = open(config.controlPort, p.control);
  sockets[control].roles.control = true;
  p.control = sockets[control].port;
  std::size_t discovery = control;
  if (config.discoveryPort != 0 && config.discoveryPort == p.control) {
    sockets[control].roles.discovery = true;
  } else {
    discovery = open(config.discoveryPort, p.discovery);
    sockets[discovery].roles.discovery = true;
  }
  p.discovery = sockets[discovery].port;
  if (config.companionPort != 0 && config.companionPort == p.control) {
    sockets[control].roles.companion = true;
  } else if (config.companionPort != 0 && config.companionPort == p.discovery) {
    sockets[discovery].roles.companion = true;
  } else {
    const std::size_t companion = open(config.companionPort, p.companion);
    sockets[companion].roles.companion = true;
    p.companion = sockets[companion].port;
  }
  if (config.companionPort != 0 && (config.companionPort == p.control || config.companionPort == p.discovery)) {
    p.companion = config.companionPort;
  }
  p.controlFd[path] = sockets[control].fd;
  p.discoveryFd[path] = sockets[discovery].fd;
  devices[device].setBoundControlPort(p.control);
}

void DeviceSimulator::Impl::closeAll() {
  for (const auto& socket : sockets) ::close(socket.fd);
  sockets.clear();
  if (wakeFd >= 0) ::close(wakeFd);
  wakeFd = -1;
  outbox.clear();
  for (auto& p : ports) {
    p.controlFd[0] = p.controlFd[1] = p.discoveryFd[0] = p.discoveryFd[1] = -1;
  }
}

void DeviceSimulator::Impl::note(std::size_t device) {
  for (auto& line : devices[device].takeNotes()) {
    if (options.log) logLines.push_back("   device " + std::to_string(device) + ": " + line);
  }
}

void DeviceSimulator::Impl::send(std::size_t device, std::vector<SimReply> replies) {
  note(device);
  if (!running) return;
  const auto now = Clock::now();
  bool delayed = false;
  for (auto& reply : replies) {
    const int path = reply.secondPath && ports[device].controlFd[1] >= 0 ? 1 : 0;
    const int fd = reply.fromDiscovery ? ports[device].discoveryFd[path] : ports[device].controlFd[path];
    Outgoing out{fd, {}, {}, {}};
    try {
      out.to = socketAddress(reply.host, reply.port);
      out.bytes = LoCodec::encode(reply.message);
      if (reply.compressed) out.bytes = LoCodec::compress(out.bytes);
    } catch (const std::exception& e) {
      if (options.log) logLines.push_back("   device " + std::to_string(device) + ": not sent: " + e.what());
      continue;
    }
    if (options.log) {
      out.line = "-> device " + std::to_string(device) + " to " + reply.host + ":" + std::to_string(reply.port) +
                 (reply.compressed ? " (zlib) " : " ") + shortened(reply.message.description());
    }
    if (reply.delay.count() > 0) {
      outbox.emplace(now + reply.delay, std::move(out));
      delayed = true;
      continue;
    }
    ::sendto(out.fd, out.bytes.data(), out.bytes.size(), 0, reinterpret_cast<const sockaddr*>(&out.to), sizeof out.to);
    if (options.log) logLines.push_back(std::move(out.line));
  }
  if (delayed && wakeFd >= 0) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wakeFd, &one, sizeof one);
  }
}

void DeviceSimulator::Impl::receive(const Socket& socket, std::span<const std::uint8_t> datagram,
                                    const sockaddr_in& from) {
  char host[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &from.sin_addr, host, sizeof host);
  const std::uint16_t sourcePort = ntohs(from.sin_port);
  const auto decoded = LoCodec::decode(datagram);
  const std::string who = socket.device == SimReceived::relayDevice ? "relay" : "device " + std::to_string(socket.device);
  if (!decoded) {
    if (options.log) {
      logLines.push_back("<- " + who + " " + std::to_string(datagram.size()) + " bytes liblo cannot read, from " +
                         host + ":" + std::to_string(sourcePort));
    }
    return;
  }
  const auto now = Clock::now();
  for (const auto& [message, inBundle] : *decoded) {
    SimReceived received;
    received.device = socket.device;
    received.port = socket.device == SimReceived::relayDevice ? SimPort::relay
                    : socket.roles.control                    ? SimPort::control
                    : socket.roles.discovery                  ? SimPort::discovery
                                                              : SimPort::companion;
    received.localAddress = socket.address;
    received.localPort = socket.port;
    received.sourceHost = host;
    received.sourcePort = sourcePort;
    received.time = now;
    received.inBundle = inBundle;
    received.message = message;
    record.push_back(received);
    if (options.log) {
      logLines.push_back("<- " + who + " on " + socket.address + ":" + std::to_string(socket.port) + " from " + host +
                         ":" + std::to_string(sourcePort) + (inBundle ? " [bundle] " : " ") +
                         shortened(message.description()));
    }
    SimContext context = socket.roles;
    context.inBundle = inBundle;
    context.sourceHost = host;
    context.sourcePort = sourcePort;
    if (socket.device != SimReceived::relayDevice) {
      send(socket.device, devices[socket.device].handle(message, context));
      continue;
    }
    // A broadcast domain: every device answers through its own discovery socket.
    context.discovery = true;
    for (std::size_t device = 0; device < devices.size(); ++device) {
      auto replies = devices[device].handle(message, context);
      for (auto& reply : replies) reply.fromDiscovery = true;
      send(device, std::move(replies));
    }
  }
}

void DeviceSimulator::Impl::flushLog() {
  std::vector<std::string> lines;
  {
    std::lock_guard lock(mutex);
    lines.swap(logLines);
  }
  for (const auto& line : lines) options.log(line);
}

void DeviceSimulator::Impl::loop() {
  std::vector<pollfd> polled;
  std::vector<Socket> polledSockets;
  {
    std::lock_guard lock(mutex);
    polledSockets = sockets;
    polled.push_back({wakeFd, POLLIN, 0});
    for (const auto& socket : sockets) polled.push_back({socket.fd, POLLIN, 0});
  }
  std::vector<std::uint8_t> buffer(maxDatagram);
  for (;;) {
    int timeout = -1;
    {
      std::lock_guard lock(mutex);
      if (stopping) return;
      if (!outbox.empty()) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(outbox.begin()->first - Clock::now());
        timeout = static_cast<int>(std::max<std::int64_t>(0, wait.count()));
      }
    }
    ::poll(polled.data(), polled.size(), timeout);
    bool recorded = false;
    {
      std::lock_guard lock(mutex);
      if (stopping) return;
      if (polled[0].revents & POLLIN) {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto read = ::read(wakeFd, &count, sizeof count);
      }
      for (std::size_t k = 1; k < polled.size(); ++k) {
        // A reply to a closed port leaves an error on the socket (POLLERR): reading clears it.
        if (!(polled[k].revents & (POLLIN | POLLERR))) continue;
        for (;;) {
          sockaddr_in from{};
          socklen_t length = sizeof from;
          const auto size = ::recvfrom(polled[k].fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &length);
          if (size < 0) break;
          receive(polledSockets[k - 1], std::span(buffer.data(), static_cast<std::size_t>(size)), from);
          recorded = true;
        }
      }
      const auto now = Clock::now();
      while (!outbox.empty() && outbox.begin()->first <= now) {
        Outgoing& out = outbox.begin()->second;
        ::sendto(out.fd, out.bytes.data(), out.bytes.size(), 0, reinterpret_cast<const sockaddr*>(&out.to), sizeof out.to);
        if (options.log) logLines.push_back(std::move(out.line));
        outbox.erase(outbox.begin());
      }
    }
    if (recorded) recordChanged.notify_all();
    if (options.log) flushLog();
  }
}

DeviceSimulator::DeviceSimulator(std::vector<DeviceConfig> devices, Options options)
    : impl_(std::make_unique<Impl>(std::move(devices), std::move(options))) {}

DeviceSimulator::~DeviceSimulator() { stop(); }

void DeviceSimulator::start() {
  std::lock_guard lock(impl_->mutex);
  if (impl_->running) return;
  try {
    impl_->wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (impl_->wakeFd < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
    for (std::size_t device = 0; device < impl_->devices.size(); ++device) {
      const DeviceConfig& config = impl_->devices[device].config();
      impl_->bind(device, config.address, false);
      if (config.secondAddress) impl_->bind(device, *config.secondAddress, true);
    }
    if (impl_->options.relayAddress && !impl_->devices.empty()) {
      std::uint16_t port = impl_->ports[0].discovery;
      Impl::Socket relay;
      relay.fd = impl_->openSocket(*impl_->options.relayAddress, port);  // sets `port` to the bound one
      relay.address = *impl_->options.relayAddress;
      relay.port = port;
      relay.roles.discovery = true;
      impl_->sockets.push_back(relay);
    }
  } catch (...) {
    impl_->closeAll();
    throw;
  }
  impl_->running = true;
  impl_->stopping = false;
  impl_->thread = std::thread([impl = impl_.get()] { impl->loop(); });
}

void DeviceSimulator::stop() {
  std::thread thread;
  {
    std::lock_guard lock(impl_->mutex);
    if (!impl_->running) return;
    impl_->stopping = true;
    impl_->running = false;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(impl_->wakeFd, &one, sizeof one);
    thread = std::move(impl_->thread);
  }
  thread.join();
  std::lock_guard lock(impl_->mutex);
  impl_->closeAll();
}

bool DeviceSimulator::isRunning() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->running;
}

std::size_t DeviceSimulator::size() const { return impl_->devices.size(); }

std::uint16_t DeviceSimulator::controlPort(std::size_t device) const {
  std::lock_guard lock(impl_->mutex);
  return impl_->ports.at(device).control;
}

std::uint16_t DeviceSimulator::discoveryPort(std::size_t device) const {
  std::lock_guard lock(impl_->mutex);
  return impl_->ports.at(device).discovery;
}

std::uint16_t DeviceSimulator::companionPort(std::size_t device) const {
  std::lock_guard lock(impl_->mutex);
  return impl_->ports.at(device).companion;
}

DeviceConfig DeviceSimulator::config(std::size_t device) const {
  std::lock_guard lock(impl_->mutex);
  return impl_->devices.at(device).config();
}

void DeviceSimulator::update(std::size_t device, const std::function<void(DeviceConfig&)>& change) {
  std::lock_guard lock(impl_->mutex);
  change(impl_->devices.at(device).config());
}

std::vector<SimRegistration> DeviceSimulator::registrations(std::size_t device) const {
  std::lock_guard lock(impl_->mutex);
  return impl_->devices.at(device).registrations();
}

void DeviceSimulator::sendUserInfos(std::size_t device, std::optional<std::size_t> user) {
  {
    std::lock_guard lock(impl_->mutex);
    SimulatedDevice& simulated = impl_->devices.at(device);
    std::vector<SimReply> replies;
    for (const auto& registration : simulated.registrations()) {
      auto infos = simulated.userInfos(registration.host, registration.port, false, false, user);
      replies.insert(replies.end(), infos.begin(), infos.end());
    }
    impl_->send(device, std::move(replies));
  }
  if (impl_->options.log) impl_->flushLog();
}

void DeviceSimulator::sendStatus(std::size_t device) {
  SimMessage status;
  {
    std::lock_guard lock(impl_->mutex);
    status = impl_->devices.at(device).statusMessage();
  }
  sendToClients(device, std::move(status));
}

void DeviceSimulator::sendChannelParameter(std::size_t device, int user, int channel, const std::string& parameter,
                                           SimValue value, bool relayed, std::optional<std::string> uid) {
  SimMessage message{"/Vp/ui/" + std::to_string(user) + "/ch/" + std::to_string(channel) + "/" + parameter +
                         (relayed ? "/Relayed" : ""),
                     {std::move(value)}};
  if (uid) message.values.push_back(SimValue::string(*uid));
  sendToClients(device, std::move(message));
}

void DeviceSimulator::sendUserXml(std::size_t device, const std::string& xml) {
  sendToClients(device, {"/VELTOapp/user/UserInfo", {SimValue::string(xml)}});
}

void DeviceSimulator::sendToClients(std::size_t device, SimMessage message, bool compressed) {
  {
    std::lock_guard lock(impl_->mutex);
    auto replies = impl_->devices.at(device).toClients(message);
    for (auto& reply : replies) reply.compressed = compressed;
    impl_->send(device, std::move(replies));
  }
  if (impl_->options.log) impl_->flushLog();
}

void DeviceSimulator::sendTo(std::size_t device, const std::string& host, std::uint16_t port, SimMessage message,
                             bool compressed) {
  {
    std::lock_guard lock(impl_->mutex);
    SimReply reply;
    reply.host = host;
    reply.port = port;
    reply.message = std::move(message);
    reply.compressed = compressed;
    impl_->send(device, {std::move(reply)});
  }
  if (impl_->options.log) impl_->flushLog();
}

std::vector<SimReceived> DeviceSimulator::received() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->record;
}

namespace {

bool matches(const SimReceived& received, std::optional<std::size_t> device, std::string_view address,
             DeviceSimulator::Clock::time_point since) {
  return (!device || received.device == *device) && (address.empty() || received.message.address == address) &&
         received.time > since;
}

}  // namespace

std::vector<SimReceived> DeviceSimulator::received(std::optional<std::size_t> device, std::string_view address) const {
  std::lock_guard lock(impl_->mutex);
  std::vector<SimReceived> out;
  for (const auto& received : impl_->record) {
    if (matches(received, device, address, {})) out.push_back(received);
  }
  return out;
}

std::vector<SimReceived> DeviceSimulator::waitFor(std::optional<std::size_t> device, std::string_view address,
                                                  std::size_t count, std::chrono::milliseconds timeout,
                                                  Clock::time_point since) const {
  std::unique_lock lock(impl_->mutex);
  std::vector<SimReceived> out;
  impl_->recordChanged.wait_for(lock, timeout, [&] {
    out.clear();
    for (const auto& received : impl_->record) {
      if (matches(received, device, address, since)) out.push_back(received);
    }
    return out.size() >= count;
  });
  return out;
}

void DeviceSimulator::clearReceived() {
  std::lock_guard lock(impl_->mutex);
  impl_->record.clear();
}

}  // namespace testsupport
