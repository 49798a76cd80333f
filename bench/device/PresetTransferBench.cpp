// A 1 MB preset sent to and fetched from a simulated processor over loopback by a ProcessorClient.
// The protocol's own waits (up to 1 s for "Preset received.", the fetch's time-out) are bounds,
// not pauses: the time measured is the client's work, the simulator's and the loopback's.
// Run inside a private network namespace (see README).

#include <benchmark/benchmark.h>

#include "async/TaskHandle.h"
#include "device/Clients/ProcessorClient.h"
#include "tests/support/DeviceSimulator.h"

namespace {

using namespace std::chrono_literals;

constexpr std::uint64_t second = 1'000'000'000;
constexpr std::size_t megabyte = 1 << 20;

// Text-like bytes (a preset document compresses about this well).
std::vector<std::uint8_t> document(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  std::uint32_t state = 11;
  for (std::size_t k = 0; k < size; ++k) {
    state = state * 1664525u + 1013904223u;
    bytes[k] = static_cast<std::uint8_t>("<User Name=\"CH 12\" Gain=\"-3.5\"/>\n"[(state >> 24) % 34]);
  }
  return bytes;
}

struct Session {
  testsupport::DeviceSimulator simulator{{[] {
    auto config = testsupport::DeviceConfig::processor(1, "127.0.0.91", 4);
    config.discoveryPort = config.companionPort = 0;
    return config;
  }()}};
  std::shared_ptr<device::ProcessorClient> client;

  Session() {
    simulator.start();
    device::VeltoClientOptions options;
    options.appPort = simulator.companionPort(0);
    client = device::VeltoClient::make<device::ProcessorClient>("127.0.0.91", simulator.controlPort(0), 0, std::nullopt,
                                                                std::nullopt, "bench", device::SoftwareVersion(1, 0, 0),
                                                                nullptr, options);
    async::spawn(client->processorStartStep(device::DeviceType::pelion(4), device::ConnectionMode::Admin, 2 * second))
        .get();
  }
  ~Session() { client->disconnect(); }
};

void sendPreset(benchmark::State& state, device::PresetType type) {
  Session session;
  const auto bytes = document(megabyte);
  const device::PresetName name("Bench", std::nullopt, type, std::nullopt);
  for (auto _ : state) {
    const bool sent = async::spawn(session.client->sendPreset(bytes, name, false)).get();
    benchmark::DoNotOptimize(sent);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * megabyte));
}

void receivePreset(benchmark::State& state, device::PresetType type) {
  Session session;
  const device::PresetName name("Bench", std::nullopt, type, std::nullopt);
  async::spawn(session.client->sendPreset(document(megabyte), name, false)).get();
  for (auto _ : state) {
    auto data = async::spawn(session.client->receivePreset(name, 2, 5 * second)).get();
    if (data.data.size() != megabyte) state.SkipWithError("wrong size");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * megabyte));
}

void BM_SendPreset1MB(benchmark::State& state) { sendPreset(state, device::PresetType::preset); }
void BM_SendUserShow1MB(benchmark::State& state) { sendPreset(state, device::PresetType::userShow); }
void BM_ReceivePreset1MB(benchmark::State& state) { receivePreset(state, device::PresetType::preset); }
void BM_ReceiveUserShow1MB(benchmark::State& state) { receivePreset(state, device::PresetType::userShow); }

BENCHMARK(BM_SendPreset1MB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SendUserShow1MB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReceivePreset1MB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReceiveUserShow1MB)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
