// Fifty simulated processors on 127.32.0.1 ... 127.32.0.50 and one device manager with the
// program's periods: how long until every device has an online client, then the manager's CPU
// share and resident memory while idle. The simulator runs in a child process so that only the
// manager's own work is measured.
//
// Usage (loopback only): unshare -rn sh -c 'ip link set lo up && bench_device_manager [idle seconds]'
// MEASURE_NO_POLLS, MEASURE_NO_DISCOVERY, MEASURE_NO_PINGS (set to anything) leave one activity out;
// MEASURE_LOG prints the manager's log lines from warnings up.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/Data/DeviceManager.h"
#include "log/ConsoleDestination.h"
#include "log/Tallylog.h"
#include "simulator/DeviceSimulator.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kDevices = 50;

std::string address(int k) { return "127.32.0." + std::to_string(k); }

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long residentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

// The child: runs the simulator until the parent closes the pipe.
int runSimulator(int readEnd) {
  std::vector<testsupport::DeviceConfig> devices;
  for (int k = 1; k <= kDevices; ++k) devices.push_back(testsupport::DeviceConfig::processor(k, address(k)));
  testsupport::DeviceSimulator simulator(devices);
  simulator.start();
  char byte;
  while (read(readEnd, &byte, 1) > 0) {
  }
  simulator.stop();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int idleSeconds = argc > 1 ? std::stoi(argv[1]) : 10;
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return 1;
  const pid_t child = fork();
  if (child == 0) {
    close(pipeEnds[1]);
    return runSimulator(pipeEnds[0]);
  }
  close(pipeEnds[0]);
  if (std::getenv("MEASURE_LOG")) {
    auto console = std::make_shared<tallylog::ConsoleDestination>();
    console->minLevel = tallylog::Tallylog::Level::warning;
    tallylog::Tallylog::addDestination(console);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the simulator binds its sockets

  app::DeviceManager::Configuration configuration;
  std::vector<net::Interface> interfaces;
  for (int k = 1; k <= kDevices; ++k) {
    interfaces.emplace_back("lo", net::Interface::Family::ipv4, address(k), "255.255.255.0", true, true, true, true,
                            std::nullopt);
  }
  configuration.discovery.interfaces = [interfaces] { return interfaces; };
  configuration.discoveryListenPort = 0;
  // The program's own base (10000) lies below the system's range for picked ports. A base inside
  // it (say 40000) sometimes meets a port the simulator's control sockets or the manager's own
  // send sockets were given; that client's server cannot bind, and its reconnects keep the port.
  configuration.firstClientListenPort = 10000;
  // To tell the shares apart: each variable set turns one periodic activity (nearly) off.
  if (std::getenv("MEASURE_NO_POLLS")) configuration.presetPollPeriod = std::chrono::hours(1);
  if (std::getenv("MEASURE_NO_DISCOVERY")) configuration.discovery.period = std::chrono::duration<double>(3600);
  if (std::getenv("MEASURE_NO_PINGS")) {
    configuration.client.pingPeriod = std::chrono::hours(1);
    configuration.client.onlineWindow = std::chrono::hours(2);
  }
  {
    app::DeviceManager manager(configuration);
    const auto start = Clock::now();
    manager.startDiscoverer();
    manager.startReconnectTimer();
    while (manager.clients().size() < kDevices && Clock::now() - start < std::chrono::seconds(30)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const auto connected = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("online clients: %zu of %d after %.3f s (discovery period %.1f s)\n", manager.clients().size(),
                kDevices, connected, configuration.discovery.period.count());

    std::this_thread::sleep_for(std::chrono::seconds(2));  // the first polls pass
    const double cpu0 = cpuSeconds();
    const auto idle0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    const double cpu = cpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - idle0).count();
    std::printf("idle: %.2f%% of one core over %.1f s, resident memory %.1f MB, clients online %zu\n",
                100.0 * cpu / wall, wall, residentKilobytes() / 1024.0, manager.clients().size());
    const auto stop0 = Clock::now();
    manager.stop();
    std::printf("stop: %.3f s\n", std::chrono::duration<double>(Clock::now() - stop0).count());
  }
  close(pipeEnds[1]);
  int status = 0;
  waitpid(child, &status, 0);
  return 0;
}
