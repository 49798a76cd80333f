#pragma once
// One simulated device on its own 127.x address and a client of the given kind, for the client tests
// against the device simulator.

#include <algorithm>
#include <thread>

#include <gtest/gtest.h>

#include "async/TaskHandle.h"
#include "device/Clients/AppClient.h"
#include "device/Clients/ProcessorClient.h"
#include "device/Clients/RotaverClient.h"
#include "log/Tallylog.h"
#include "tests/log/RecordingDestination.h"
#include "simulator/DeviceSimulator.h"
#include "tests/support/Eventually.h"

namespace device::testing {

using namespace std::chrono_literals;
using Level = tallylog::Tallylog::Level;
using testsupport::DeviceConfig;
using testsupport::DeviceSimulator;
using testsupport::SimMessage;
using testsupport::SimPreset;
using testsupport::SimValue;
using testsupport::eventually;

constexpr std::uint64_t second = 1'000'000'000;
inline const std::string clientUidText = "UIDUIDUIDUIDUIDUIDUIDUIDUIDUIDU2";

// Runs an operation of the client to its end on a task; its error passes on.
template <class T>
T run(boost::asio::awaitable<T> operation) {
  return async::spawn(std::move(operation)).get();
}

// The operation's error of type Error, caught on the task's own thread and handed over as a value
// (an exception object shared between threads is freed through a reference count the thread
// sanitizer cannot see); none when it ends without one.
template <class Error, class T>
boost::asio::awaitable<std::optional<Error>> catching(boost::asio::awaitable<T> operation) {
  try {
    co_await std::move(operation);
  } catch (const Error& error) {
    co_return error;
  }
  co_return std::nullopt;
}

// The error of type Error that the operation throws (a test failure when it throws none).
template <class Error, class T>
Error thrown(boost::asio::awaitable<T> operation) {
  auto error = async::spawn(catching<Error>(std::move(operation))).get();
  if (!error) throw std::logic_error("no error of the expected type");
  return *error;
}

template <class T>
VeltoClientError::Case thrownCase(boost::asio::awaitable<T> operation) {
  return thrown<VeltoClientError>(std::move(operation)).errorCase();
}

template <class Client>
class PresetClientFixture : public ::testing::Test {
 protected:
  explicit PresetClientFixture(DeviceConfig config) : simulator({withFreePorts(std::move(config))}) {}

  static DeviceConfig withFreePorts(DeviceConfig config) {
    config.discoveryPort = config.companionPort = 0;
    return config;
  }

  void SetUp() override {
    tallylog::Tallylog::addDestination(log);
    simulator.start();
    options.appPort = simulator.companionPort(0);
    const auto address = simulator.config(0).address;
    if constexpr (std::is_same_v<Client, ProcessorClient>) {
      client = VeltoClient::make<Client>(address, simulator.controlPort(0), 0, std::nullopt, clientUidText, "tbraxl",
                                         SoftwareVersion(5, 7, 13), nullptr, options);
    } else {
      client = VeltoClient::make<Client>(address, simulator.controlPort(0), 0, std::nullopt, clientUidText, "tbraxl",
                                         SoftwareVersion(5, 7, 13), options);
    }
  }

  void TearDown() override {
    const auto queue = client->queue();
    client->disconnect();
    queue->sync([] {});
    client.reset();
    queue->sync([] {});
    tallylog::Tallylog::flush(2);
    tallylog::Tallylog::removeDestination(log);
  }

  void connect() {
    if constexpr (std::is_same_v<Client, ProcessorClient>) {
      run(client->processorStartStep(simulator.config(0).type, ConnectionMode::Admin, 10 * second));
    } else {
      run(client->connectSteps(10 * second));
    }
    connectionSent();
    simulator.clearReceived();
  }
  // A connection ends with the status request, which the client sends without waiting for its
  // answer: waits until the device has it, so that no datagram of the connection is still on its way.
  void connectionSent() const {
    ASSERT_EQ(simulator.waitFor(0, "/VELTOpelion/Hardware/StatusUpdate", 1, 5s).size(), 1u);
  }

  std::uint16_t listening() const { return *client->oscServer()->listeningPort(); }
  void toClient(SimMessage message, bool compressed = false) {
    simulator.sendTo(0, "127.0.0.1", listening(), std::move(message), compressed);
  }

  // The device's received messages as "address types values", in order (one address or all).
  std::vector<std::string> received(std::string_view address = {}) const {
    std::vector<std::string> texts;
    for (const auto& r : simulator.received(0, address)) texts.push_back(r.message.description());
    return texts;
  }
  // The device's received messages without the pings.
  std::vector<std::string> receivedWithoutPings() const {
    auto texts = received();
    std::erase_if(texts, [](const std::string& text) { return text.starts_with("/Vp/Ping"); });
    return texts;
  }
  // The datagrams of a connection in order: `switchUser` is the SwitchUser datagram's types and
  // values before the uid; KeepMePosted goes before it when `postedFirst`.
  std::vector<std::string> connectionDatagrams(const std::string& switchUser, bool postedFirst = false) const {
    const std::string port = std::to_string(listening()), uid = "\"" + clientUidText + "\"";
    std::vector<std::string> texts = {
        "/VELTOpelion/control/ConnectRequest iiiss " + port + " 50713 40 \"tbraxl\" " + uid,
        "/VELTOpelion/control/SwitchUser " + switchUser + " " + uid,
        "/VELTOpelion/Hardware/KeepMePosted Tiis T " + port + " 50713 " + uid,
        "/VELTOpelion/Hardware/StatusUpdate Tis T " + port + " " + uid};
    if (postedFirst) std::swap(texts[1], texts[2]);
    return texts;
  }
  std::vector<std::string> logged(tallylog::Tallylog::Level level) const {
    tallylog::Tallylog::flush(2);
    std::vector<std::string> lines;
    for (const auto& call : log->calls()) {
      if (call.level == level) lines.push_back(call.message);
    }
    return lines;
  }
  void addPreset(std::string name, bool userShow, std::vector<std::uint8_t> bytes,
                 std::optional<std::string> backupDate = std::nullopt) {
    simulator.update(0, [&](DeviceConfig& config) {
      SimPreset preset;
      preset.name = std::move(name);
      preset.userShow = userShow;
      preset.backupDate = std::move(backupDate);
      preset.bytes = std::move(bytes);
      config.presets.push_back(std::move(preset));
    });
  }
  // The stored presets' list texts without their time stamps.
  std::vector<std::string> stored() const {
    std::vector<std::string> names;
    for (const auto& preset : simulator.config(0).presets) {
      names.push_back(preset.baseName() + (preset.userShow ? " (USER SHOW)" : " (PRESET)"));
    }
    return names;
  }

  // Short periods; time-outs long enough for a sanitizer build on a busy machine (a test of a
  // time-out shortens its own before SetUp). The online window is long enough that no test goes
  // offline by chance while a sanitizer slows the receive loop (an oversized compressed datagram
  // takes seconds to inflate under ThreadSanitizer).
  static VeltoClientOptions generousOptions() {
    VeltoClientOptions o;
    o.pingPeriod = 50ms;
    o.onlineWindow = 30s;
    o.confirmationTimeout = 10 * second;
    o.userShowListTimeout = 10 * second;
    return o;
  }

  VeltoClientOptions options = generousOptions();
  std::shared_ptr<tallylog::testing::RecordingDestination> log =
      std::make_shared<tallylog::testing::RecordingDestination>();
  DeviceSimulator simulator;
  std::shared_ptr<Client> client;
};

// Bytes that do not compress, so the segment count follows the length.
inline std::vector<std::uint8_t> noise(std::size_t size, std::uint32_t state = 7) {
  std::vector<std::uint8_t> bytes(size);
  for (auto& byte : bytes) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  return bytes;
}

}  // namespace device::testing
