// A 1 MB preset sent to and fetched from a simulated processor over loopback by a ProcessorClient.
// The protocol's own waits (up to 1 s for "Preset received.", the fetch's time-out) are bounds,
// not pauses: the time measured is the client's work, the simulator's and the loopback's.
// Run inside a private network namespace (see README).

#include <benchmark/benchmark.h>

#include "async/TaskHandle.h"
#include "device/Clients/ProcessorClient.h"
#include "simulator/DeviceSimulator.h"

namespace {

using namespace std::chrono_literals;

constexpr std::uint64_t second = 1'000'000'000;
constexpr std::size_t megabyte = 1 << 20;

// A preset document's shape: one element per channel, numbers varying.
std::vector<std::uint8_t> document(std::size_t size) {
  std::string text;
  text.reserve(size + 128);
  for (std::uint32_t k = 0; text.size() < size; ++k) {
    text += "<Channel Name=\"CH " + std::to_string(k % 64 + 1) + "\" GainDb=\"" + std::to_string(static_cast<int>(k * 7919 % 600) - 500) +
            "\" Azimuth=\"" + std::to_string(k * 104729 % 360) + "\" Mute=\"" + std::to_string(k % 3 == 0) + "\"/>\n";
  }
  text.resize(size);
  return {text.begin(), text.end()};
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

// The simulator answers a fetch with every segment at once, and the client's OSC server reads with
// the system's default socket buffer (about 200 KB): a whole 1 MB burst overflows it, so fetches
// are measured at the size given (bytes) and compared per MB.
void receivePreset(benchmark::State& state, device::PresetType type) {
  Session session;
  const auto size = static_cast<std::size_t>(state.range(0));
  const device::PresetName name("Bench", std::nullopt, type, std::nullopt);
  async::spawn(session.client->sendPreset(document(size), name, false)).get();
  for (auto _ : state) {
    auto data = async::spawn(session.client->receivePreset(name, 2, 5 * second)).get();
    if (data.data.size() != size) state.SkipWithError("wrong size");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// Our own share of sending a preset: the compression.
void BM_CompressPreset1MB(benchmark::State& state) {
  const device::PresetData data(document(megabyte));
  for (auto _ : state) benchmark::DoNotOptimize(data.compressed());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * megabyte));
}
BENCHMARK(BM_CompressPreset1MB)->Unit(benchmark::kMillisecond);

void BM_SendPreset1MB(benchmark::State& state) { sendPreset(state, device::PresetType::preset); }
void BM_SendUserShow1MB(benchmark::State& state) { sendPreset(state, device::PresetType::userShow); }
void BM_ReceivePreset(benchmark::State& state) { receivePreset(state, device::PresetType::preset); }
void BM_ReceiveUserShow(benchmark::State& state) { receivePreset(state, device::PresetType::userShow); }

BENCHMARK(BM_SendPreset1MB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SendUserShow1MB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReceivePreset)->Arg(megabyte / 4)->Arg(megabyte / 16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReceiveUserShow)->Arg(megabyte / 16)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
