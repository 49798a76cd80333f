// velto-devsim: runs N simulated devices on 127.0.0.x until SIGINT or SIGTERM and prints every
// datagram it receives and sends. Only loopback addresses are used.
//
//   velto-devsim [-n N] [--types pelion,rotaver,app] [--first-host 2] [--control-port 9110]
//                [--discovery-port 9110] [--companion-port 9111] [--relay 127.0.0.1|none]

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "simulator/DeviceSimulator.h"

namespace {

using testsupport::DeviceConfig;

struct Arguments {
  int count = 3;
  std::vector<std::string> types = {"pelion", "rotaver", "app"};
  int firstHost = 2;
  int controlPort = 9110;
  int discoveryPort = 9110;
  int companionPort = 9111;
  std::string relay = "127.0.0.1";
};

[[noreturn]] void usage(const std::string& problem) {
  std::cerr << "velto-devsim: " << problem << "\n"
            << "usage: velto-devsim [-n N] [--types pelion,rotaver,app] [--first-host 2] [--control-port 9110]\n"
            << "                    [--discovery-port 9110] [--companion-port 9111] [--relay 127.0.0.1|none]\n";
  std::exit(2);
}

int number(const std::string& text, int low, int high, const std::string& option) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < low || value > high) usage("bad value for " + option + ": " + text);
  return static_cast<int>(value);
}

Arguments parse(int argc, char** argv) {
  Arguments arguments;
  for (int k = 1; k < argc; ++k) {
    const std::string option = argv[k];
    if (option == "-h" || option == "--help") usage("runs simulated devices until stopped");
    if (k + 1 >= argc) usage("missing value for " + option);
    const std::string value = argv[++k];
    if (option == "-n") arguments.count = number(value, 1, 200, option);
    else if (option == "--first-host") arguments.firstHost = number(value, 1, 254, option);
    else if (option == "--control-port") arguments.controlPort = number(value, 0, 65535, option);
    else if (option == "--discovery-port") arguments.discoveryPort = number(value, 0, 65535, option);
    else if (option == "--companion-port") arguments.companionPort = number(value, 0, 65535, option);
    else if (option == "--relay") arguments.relay = value;
    else if (option == "--types") {
      arguments.types.clear();
      std::stringstream list(value);
      for (std::string type; std::getline(list, type, ',');) {
        if (type != "pelion" && type != "rotaver" && type != "app") usage("unknown type " + type);
        arguments.types.push_back(type);
      }
      if (arguments.types.empty()) usage("no types given");
    } else {
      usage("unknown option " + option);
    }
  }
  if (arguments.firstHost + arguments.count - 1 > 254) usage("too many devices for 127.0.0.x");
  if (arguments.relay != "none" && arguments.relay.rfind("127.", 0) != 0) usage("the relay must be a 127.x address");
  return arguments;
}

std::vector<std::uint8_t> bytes(const std::string& text) { return {text.begin(), text.end()}; }

DeviceConfig deviceConfig(const Arguments& arguments, int k) {
  const std::string& type = arguments.types[static_cast<std::size_t>(k) % arguments.types.size()];
  const std::string address = "127.0.0." + std::to_string(arguments.firstHost + k);
  DeviceConfig config = type == "rotaver" ? DeviceConfig::controller(k + 1, address)
                        : type == "app"   ? DeviceConfig::app(k + 1, address)
                                          : DeviceConfig::processor(k + 1, address);
  config.controlPort = static_cast<std::uint16_t>(arguments.controlPort);
  config.discoveryPort = static_cast<std::uint16_t>(arguments.discoveryPort);
  config.companionPort = static_cast<std::uint16_t>(arguments.companionPort);
  const bool userShows = type != "pelion";
  for (const char* name : {"Default", "Rehearsal", "Concert"}) {
    testsupport::SimPreset preset;
    preset.name = name;
    preset.userShow = userShows;
    preset.stamp = "2024-05-01T10:20:30.123Z";
    preset.bytes = bytes("<Preset Name=\"" + preset.name + "\" Version=\"1\"><UserList/></Preset>");
    config.presets.push_back(preset);
  }
  return config;
}

}  // namespace

int main(int argc, char** argv) {
  const Arguments arguments = parse(argc, argv);

  // Block the stop signals before any thread starts, then wait for one on this thread.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  std::vector<DeviceConfig> devices;
  for (int k = 0; k < arguments.count; ++k) devices.push_back(deviceConfig(arguments, k));
  testsupport::DeviceSimulator::Options options;
  if (arguments.relay != "none") options.relayAddress = arguments.relay;
  options.log = [](const std::string& line) { std::cout << line << std::endl; };
  testsupport::DeviceSimulator simulator(devices, options);
  try {
    simulator.start();
  } catch (const std::exception& e) {
    std::cerr << "velto-devsim: " << e.what() << "\n";
    return 1;
  }
  for (std::size_t k = 0; k < simulator.size(); ++k) {
    const DeviceConfig config = simulator.config(k);
    std::cout << "device " << k << ": " << config.name << " (" << config.type.description() << ", "
              << config.users.size() << " users) on " << config.address << " control " << simulator.controlPort(k)
              << " discovery " << simulator.discoveryPort(k) << " companion " << simulator.companionPort(k)
              << std::endl;
  }
  if (options.relayAddress) std::cout << "relay on " << *options.relayAddress << ":" << simulator.discoveryPort(0) << std::endl;

  int received = 0;
  sigwait(&stopSignals, &received);
  std::cout << "stopping on signal " << received << std::endl;
  simulator.stop();
  return 0;
}
