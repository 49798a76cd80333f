// Two floods one peer can send to a client, each measured from its start: the peak resident
// memory above it (VmHWM, reset before each flood), what stays resident afterwards, and the CPU
// time of the whole process.
//   status:    50 status reports, each carrying 960 new 4000-character setting keys, zlib-compressed
//              as a device sends them, through the client's datagram decoder into its status handler.
//   discovery: 50,000 user-info replies from distinct devices into a started device discoverer,
//              handed to its reply handler as its server would.
//
// Usage (the discoverer binds a port; loopback only):
//   unshare -rn sh -c 'ip link set lo up && bench_StatusDiscoveryFloodMeasure [status|discovery]'

#include <malloc.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

#include "bench/ProcessUsage.h"
#include "device/Clients/VeltoClient.h"
#include "device/Clients/VeltoOSCDecoder.h"
#include "device/Discoverer/DeviceDiscoverer.h"
#include "gzip/Gzip.h"

namespace {

using bench::cpuSeconds;
using bench::statusKilobytes;

constexpr int kReports = 50;
constexpr int kKeysPerReport = 960;
constexpr std::size_t kKeySize = 4000;
constexpr int kReplies = 50'000;

// Resets the peak and reads what is resident now.
struct Measure {
  const char* name;
  long start;
  double cpu;
  explicit Measure(const char* name) : name(name) {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    start = statusKilobytes("VmRSS:");
    cpu = cpuSeconds();
  }
  void print(const std::string& what) const {
    const double used = cpuSeconds() - cpu;
    const long peak = statusKilobytes("VmHWM:") - start;
    malloc_trim(0);
    const long kept = statusKilobytes("VmRSS:") - start;
    std::printf("%-9s peak +%.1f MB, kept +%.1f MB, CPU %.2f s; %s\n", name, peak / 1024.0, kept / 1024.0, used,
                what.c_str());
  }
};

// The status handler is the client's own; the rest of the client stays idle.
class FloodedClient : public device::VeltoClient {
 public:
  using VeltoClient::VeltoClient;
  using VeltoClient::statusUpdateReceived;
};

std::vector<std::uint8_t> statusReport(int report) {
  std::string xml = R"(<StatusUpdate SettingsChanged="0" StatusChanged="0"><Status><Device Name="AppSettings">)"
                    R"(<Settings><VALUE name="AppName" val="Rack"/>)";
  for (int k = 0; k < kKeysPerReport; ++k) {
    std::string key = std::string("R").append(std::to_string(report)).append("K").append(std::to_string(k));
    key.resize(kKeySize, 'k');
    xml += "<VALUE name=\"" + key + "\" val=\"1\"/>";
  }
  xml += "</Settings></Device></Status></StatusUpdate>";
  return gzip::gzipped(osc::OSCMessage::make("/VELTOGUI/StatusUpdate", {xml, "x"})->data());
}

void statusFlood() {
  auto client = device::VeltoClient::make<FloodedClient>("127.0.0.1", std::uint16_t{9000}, std::uint16_t{0},
                                                         std::nullopt, std::nullopt, std::string("linux"),
                                                         device::SoftwareVersion(5, 7, 13));
  const auto pattern = *osc::OSCAddressPattern::make("/VELTOGUI/StatusUpdate");
  // The peer's compression is not the client's work.
  std::vector<std::vector<std::uint8_t>> datagrams;
  std::size_t sent = 0;
  for (int report = 0; report < kReports; ++report) {
    datagrams.push_back(statusReport(report));
    sent += datagrams.back().size();
  }
  const Measure measure("status");
  for (const auto& datagram : datagrams) {
    const auto object = device::VeltoOSCDecoder::decode(datagram);
    client->statusUpdateReceived(pattern, *object->message());
  }
  measure.print(std::to_string(kReports) + " reports, " + std::to_string(sent / kReports) + " bytes each");
}

osc::OSCMessage userInfo(int device) {
  const std::string serial = std::string("SN").append(std::to_string(device));
  std::string ip = "10";
  for (const int shift : {16, 8, 0}) ip.append(".").append(std::to_string(device >> shift & 255));
  return *osc::OSCMessage::make(device::UserDiscoverer::userInfoAddress,
                                {"Anna", "inst_x1", std::int32_t{1}, false, serial, ip, std::int32_t{9110},
                                 "VELTO:tamo", "5.7.13", std::int32_t{0}, std::int32_t{0}, "Rack", std::int32_t{24},
                                 std::int32_t{5}, std::int32_t{0}, std::int32_t{0}, "0", std::string("UID-").append(serial)});
}

void discoveryFlood() {
  device::UserDiscoverer::Options options;
  options.period = std::chrono::hours(1);
  options.interfaces = [] { return std::vector<net::Interface>{}; };
  auto discoverer = device::DeviceDiscoverer::make(osc::DispatchQueue::make("Velto Device Discoverer"), 0,
                                                   "0123456789ABCDEF0123456789ABCDEF", "linux", {5, 7, 13}, {}, {},
                                                   {}, {}, options);
  std::atomic<int> newDevices = 0;
  discoverer->setNewDeviceHandler([&newDevices](const auto&) { ++newDevices; });
  discoverer->start();
  const auto pattern = *osc::OSCAddressPattern::make(device::UserDiscoverer::userInfoAddress);
  const Measure measure("discovery");
  for (int device = 0; device < kReplies; ++device) {
    discoverer->userDiscoverer()->receivedUserInfo(pattern, userInfo(device));
  }
  measure.print(std::to_string(kReplies) + " replies, " + std::to_string(newDevices.load()) + " new-device events, " +
                std::to_string(discoverer->discoveredDevices().size()) + " devices kept");
  discoverer->stop();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view only = argc > 1 ? argv[1] : "";
  if (only.empty() || only == "status") statusFlood();
  if (only.empty() || only == "discovery") discoveryFlood();
  return 0;
}
