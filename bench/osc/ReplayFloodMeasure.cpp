// What a flood of datagrams costs one OSC server that nobody reads: peak memory (VmHWM) growth and
// CPU of the process, for datagrams built to decode into as many values as the bytes allow.
// Scenarios: 150 datagrams of 4 KB (a message of boolean tags; a bundle of empty messages; a
// zlib-compressed message that the device clients' decoder inflates to 4 MiB), then a long flood
// of each. The sender waits for a round trip every 50 datagrams so the
// kernel's queue never drops any. Run inside a private network namespace (loopback only):
//   unshare -rn sh -c 'ip link set lo up && build/release/bench/osc/bench_osc_replay_flood'

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include <zlib.h>

#include "device/Clients/VeltoOSCDecoder.h"
#include "bench/ProcessUsage.h"
#include "osc/OSCServer.h"

namespace {

using bench::cpuSeconds;
using bench::statusKilobytes;

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// "/a" with boolean tags up to `size` bytes: each tag byte becomes one value.
std::vector<std::uint8_t> tagMessage(std::size_t size) {
  std::vector<std::uint8_t> out = {'/', 'a', 0, 0, ','};
  while (out.size() < size - 1) out.push_back('T');
  out.push_back(0);
  return out;
}

// A bundle of empty messages ("/a", no tag string) up to `size` bytes.
std::vector<std::uint8_t> bundleOfEmpties(std::size_t size) {
  std::vector<std::uint8_t> out = {'#', 'b', 'u', 'n', 'd', 'l', 'e', 0, 0, 0, 0, 0, 0, 0, 0, 1};
  while (out.size() + 8 <= size) {
    put32(out, 4);
    out.insert(out.end(), {'/', 'a', 0, 0});
  }
  return out;
}

// A message with one blob of zeros that inflates to just under 4 MiB, zlib-compressed (about 4 KB).
std::vector<std::uint8_t> compressedMessage() {
  const std::size_t inflated = device::VeltoOSCDecoder::inflateLimit - 64;
  std::vector<std::uint8_t> message = {'/', 'a', 0, 0, ',', 'b', 0, 0};
  put32(message, static_cast<std::uint32_t>(inflated - 12));
  message.resize(inflated, 0);
  uLongf size = compressBound(static_cast<uLong>(message.size()));
  std::vector<std::uint8_t> out(size);
  compress2(out.data(), &size, message.data(), static_cast<uLong>(message.size()), 9);
  out.resize(size);
  return out;
}

struct Sync {
  std::mutex mutex;
  std::condition_variable arrived;
  int count = 0;
};

class Flood {
 public:
  Flood() : server_(osc::OSCServer::make(0, {}, nullptr, osc::decoderOf<device::VeltoOSCDecoder>())) {
    server_->dispatcher().register_(*osc::OSCAddressPattern::make("/sync"),
                                    [sync = sync_](const osc::OSCAddressPattern&, const osc::OSCMessage&) {
                                      {
                                        std::lock_guard lock(sync->mutex);
                                        ++sync->count;
                                      }
                                      sync->arrived.notify_all();
                                    });
    server_->start();
    socket_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    to_.sin_family = AF_INET;
    to_.sin_port = htons(*server_->listeningPort());
    to_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  }
  ~Flood() {
    server_->stop();
    ::close(socket_);
  }

  void send(const std::vector<std::uint8_t>& datagram, int count) {
    for (int k = 0; k < count; ++k) {
      sendOne(datagram);
      if (k % 50 == 49) roundTrip();
    }
    roundTrip();
  }

 private:
  void sendOne(const std::vector<std::uint8_t>& datagram) {
    ::sendto(socket_, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to_), sizeof to_);
  }
  void roundTrip() {
    static const std::vector<std::uint8_t> sync = {'/', 's', 'y', 'n', 'c', 0, 0, 0};
    std::unique_lock lock(sync_->mutex);
    const int target = sync_->count + 1;
    lock.unlock();
    sendOne(sync);
    lock.lock();
    if (!sync_->arrived.wait_for(lock, std::chrono::seconds(10), [&] { return sync_->count >= target; })) {
      std::fprintf(stderr, "a round trip was lost\n");
    }
  }

  std::shared_ptr<Sync> sync_ = std::make_shared<Sync>();
  std::shared_ptr<osc::OSCServer> server_;
  int socket_ = -1;
  sockaddr_in to_{};
};

void measure(const char* name, const std::vector<std::uint8_t>& datagram, int count) {
  const long hwmBefore = statusKilobytes("VmHWM:");
  const double cpuBefore = cpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  long rssAfter = 0;
  {
    Flood flood;
    flood.send(datagram, count);
    rssAfter = statusKilobytes("VmRSS:");
  }
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%-30s %6d x %5zu B: peak +%8.1f MB, resident at end %8.1f MB, CPU %6.2f s (wall %6.2f s)\n", name,
              count, datagram.size(), static_cast<double>(statusKilobytes("VmHWM:") - hwmBefore) / 1024.0,
              static_cast<double>(rssAfter) / 1024.0, cpuSeconds() - cpuBefore, wall);
}

}  // namespace

int main() {
  // Each scenario in a process of its own, so that one peak does not hide the next.
  const auto run = [](const char* name, const std::vector<std::uint8_t>& datagram, int count) {
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
      measure(name, datagram, count);
      std::fflush(stdout);
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
  };
  run("bundle of empty messages", bundleOfEmpties(4096), 150);
  run("message of boolean tags", tagMessage(4096), 150);
  run("compressed, 4 MiB inflated", compressedMessage(), 150);
  run("long flood, bundles", bundleOfEmpties(4096), 20000);
  run("long flood, tags", tagMessage(4096), 20000);
  run("long flood, compressed", compressedMessage(), 1000);
  return 0;
}
