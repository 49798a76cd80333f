// Simulated processors on 127.32.0.1 ... and one device manager with the program's periods: how
// long until every device has an online client, then, over a steady idle window after a warm-up,
// the manager's CPU share, its CPU time per datagram, context switches, threads and resident
// memory, and the resident memory once every client's replay buffers are full. The simulator runs
// in a child process so that only the manager's own work is measured; each device count runs in
// a process of its own.
//
// Usage (loopback only):
//   unshare -rn sh -c 'ip link set lo up && bench_device_manager [devices=50,200] [warmup=20] [window=60]
//                      [presets=8] [fill=1]'
// Datagrams are the namespace's UDP counters, (InDatagrams + OutDatagrams) / 2: the manager is the
// only peer of the simulator, so this counts what the manager sends plus what it receives.
// fill=1 then has every device send 2 x 512 messages to its clients (two ping answers to one
// preset list, the idle mix), so that every replay buffer holds its newest 512, and reads the
// resident memory again.
// MEASURE_NO_POLLS, MEASURE_NO_DISCOVERY, MEASURE_NO_PINGS (set to anything) leave one activity out;
// MEASURE_LOG prints the manager's log lines from warnings up.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/Data/DeviceManager.h"
#include "log/ConsoleDestination.h"
#include "log/Tallylog.h"
#include "simulator/DeviceSimulator.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Settings {
  std::vector<int> devices{50, 200};
  int warmupSeconds = 20;
  int windowSeconds = 60;
  int presets = 8;
  bool fill = true;
};

// Up to 254 devices, one subnet.
std::string address(int k) { return "127.32.0." + std::to_string(k); }

struct Usage {
  double cpuSeconds = 0;
  double systemSeconds = 0;
  long switches = 0;  // voluntary and involuntary context switches
};

Usage usage() {
  rusage r{};
  getrusage(RUSAGE_SELF, &r);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return {seconds(r.ru_utime) + seconds(r.ru_stime), seconds(r.ru_stime), r.ru_nvcsw + r.ru_nivcsw};
}

long statusField(const std::string& name) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(name + ":", 0) == 0) return std::stol(line.substr(name.size() + 1));
  }
  return -1;
}

// The namespace's UDP datagrams, in plus out.
long long udpDatagrams() {
  std::ifstream snmp("/proc/net/snmp");
  std::string names;
  std::string values;
  while (std::getline(snmp, names)) {
    if (names.rfind("Udp:", 0) != 0 || !std::getline(snmp, values)) continue;
    std::istringstream n(names);
    std::istringstream v(values);
    std::map<std::string, long long> fields;
    std::string name;
    std::string value;
    while (n >> name && v >> value) fields[name] = std::atoll(value.c_str());
    return fields["InDatagrams"] + fields["OutDatagrams"];
  }
  return 0;
}

std::vector<testsupport::DeviceConfig> deviceConfigs(int count, int presets) {
  std::vector<testsupport::DeviceConfig> devices;
  for (int k = 1; k <= count; ++k) {
    auto config = testsupport::DeviceConfig::processor(k, address(k));
    for (int p = 0; p < presets; ++p) {
      testsupport::SimPreset preset;
      preset.name = "Show " + std::to_string(p);
      preset.userShow = p % 4 == 3;
      if (p % 4 == 2) preset.backupDate = "2026-11-0" + std::to_string(p % 9 + 1) + "_12-00-00";
      preset.stamp = "2026-11-30T10:15:" + std::to_string(10 + p) + ".000Z";
      config.presets.push_back(std::move(preset));
    }
    devices.push_back(std::move(config));
  }
  return devices;
}

// The child: runs the simulator until the parent closes the pipe; a byte 'f' fills the replays.
int runSimulator(int readEnd, int count, int presets) {
  const auto configs = deviceConfigs(count, presets);
  testsupport::DeviceSimulator simulator(configs);
  simulator.start();
  char byte;
  while (read(readEnd, &byte, 1) > 0) {
    if (byte != 'f') continue;
    for (std::size_t d = 0; d < configs.size(); ++d) {
      testsupport::SimMessage ping{"/Va/Ping", {testsupport::SimValue::string(configs[d].uid)}};
      testsupport::SimMessage list{"/VELTOapp/control/PresetList", {}};
      for (const auto& preset : configs[d].presets) list.values.push_back(testsupport::SimValue::string(preset.listText()));
      list.values.push_back(testsupport::SimValue::int32(static_cast<std::int32_t>(configs[d].presets.size())));
      for (int k = 0; k < 2 * 512; ++k) {
        simulator.sendToClients(d, k % 3 == 2 ? list : ping);
        if (k % 64 == 63) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
  }
  simulator.stop();
  return 0;
}

int runScenario(const Settings& settings, int count) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return 1;
  const pid_t child = fork();
  if (child == 0) {
    close(pipeEnds[1]);
    _exit(runSimulator(pipeEnds[0], count, settings.presets));
  }
  close(pipeEnds[0]);
  if (std::getenv("MEASURE_LOG")) {
    auto console = std::make_shared<tallylog::ConsoleDestination>();
    console->minLevel = tallylog::Tallylog::Level::warning;
    tallylog::Tallylog::addDestination(console);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300 + count * 2));  // the simulator binds its sockets

  app::DeviceManager::Configuration configuration;
  std::vector<net::Interface> interfaces;
  for (int k = 1; k <= count; ++k) {
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
    const auto limit = std::chrono::seconds(30 + count / 5);
    while (manager.clients().size() < static_cast<std::size_t>(count) && Clock::now() - start < limit) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const auto connected = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%d devices: %zu online clients after %.3f s\n", count, manager.clients().size(), connected);

    std::this_thread::sleep_for(std::chrono::seconds(settings.warmupSeconds));
    const Usage usage0 = usage();
    const long long datagrams0 = udpDatagrams();
    const auto idle0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(settings.windowSeconds));
    const Usage usage1 = usage();
    const double wall = std::chrono::duration<double>(Clock::now() - idle0).count();
    const double datagrams = static_cast<double>(udpDatagrams() - datagrams0) / 2;
    const double cpu = usage1.cpuSeconds - usage0.cpuSeconds;
    std::printf(
        "%d devices idle over %.0f s: %.0f datagrams/s, CPU %.2f%% of a core (%.0f%% in the kernel), %.1f us per datagram, "
        "%.2f context switches per datagram, %ld threads, resident %.1f MB, clients online %zu\n",
        count, wall, datagrams / wall, 100.0 * cpu / wall,
        cpu > 0 ? 100.0 * (usage1.systemSeconds - usage0.systemSeconds) / cpu : 0.0, datagrams > 0 ? 1e6 * cpu / datagrams : 0.0,
        datagrams > 0 ? static_cast<double>(usage1.switches - usage0.switches) / datagrams : 0.0,
        statusField("Threads"), statusField("VmRSS") / 1024.0, manager.clients().size());
    std::fflush(stdout);
    if (settings.fill) {
      const char fill = 'f';
      if (write(pipeEnds[1], &fill, 1) != 1) return 1;
      std::this_thread::sleep_for(std::chrono::seconds(5 + count / 20));
      std::printf("%d devices with full replay buffers: resident %.1f MB, clients online %zu\n", count,
                  statusField("VmRSS") / 1024.0, manager.clients().size());
    }
    const auto stop0 = Clock::now();
    manager.stop();
    std::printf("%d devices stop: %.3f s\n", count, std::chrono::duration<double>(Clock::now() - stop0).count());
  }
  close(pipeEnds[1]);
  int status = 0;
  waitpid(child, &status, 0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  for (int k = 1; k < argc; ++k) {
    const std::string argument = argv[k];
    const auto equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : argument.substr(equals + 1);
    if (name == "devices") {
      settings.devices.clear();
      std::istringstream list(value);
      std::string item;
      while (std::getline(list, item, ',')) settings.devices.push_back(std::min(254, std::stoi(item)));
    } else if (name == "warmup") {
      settings.warmupSeconds = std::stoi(value);
    } else if (name == "window") {
      settings.windowSeconds = std::stoi(value);
    } else if (name == "presets") {
      settings.presets = std::stoi(value);
    } else if (name == "fill") {
      settings.fill = value != "0";
    } else {
      std::fprintf(stderr, "unknown argument %s\n", argument.c_str());
      return 2;
    }
  }
  // One process per count: its threads, memory and pool start from nothing.
  for (const int count : settings.devices) {
    const pid_t scenario = fork();
    if (scenario == 0) {
      const int result = runScenario(settings, count);
      std::fflush(stdout);
      _exit(result);
    }
    int status = 0;
    waitpid(scenario, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 1;
  }
  return 0;
}
