// Floods of preset segments against one PresetSegmentHandler, as a peer that writes any uid and
// name it likes can send them: the peak resident memory each adds and the CPU time it costs. Each
// flood runs in a child process of its own, so that one's peak does not hide another's.
//
// Usage: bench_hostile_SegmentFloodMeasure [flood [count]]
//   uids N        N segments of 1000 bytes, each the first of two under a uid of its own (100000)
//   recomplete N  4 complete sets that inflate to 16 MiB each, then N one-byte segments (200)
//   names N       N one-byte segments, each the first of two under a name of its own (80000)
//   queue N       N segments of 1000 bytes handed over while the handler's queue is busy (80000)
// Without arguments: every flood with its default count, and names also with 20000 and 40000.
// Segments are handed over in batches of 1000, each batch stored before the next (queue excepted).

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include "device/Presets/PresetSegmentHandler.h"
#include "bench/ProcessUsage.h"
#include "gzip/Gzip.h"

namespace {

using bench::cpuSeconds;
using bench::statusKilobytes;

using device::PresetSegment;
using device::PresetSegmentHandler;
using Bytes = std::vector<std::uint8_t>;

// Sets the peak resident size back to the current one (Linux 4.0 and later).
bool resetPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  return static_cast<bool>(clear.flush());
}

PresetSegment segment(std::string name, std::string uid, Bytes bytes, std::int64_t index, std::int64_t count) {
  return {std::move(name), std::move(bytes), index, count, "Hostile", std::move(uid), std::chrono::steady_clock::now()};
}

void addBatched(PresetSegmentHandler& handler, long count, const auto& make) {
  for (long k = 0; k < count; ++k) {
    handler.add(make(k));
    if (k % 1000 == 999) handler.queue().sync([] {});
  }
  handler.queue().sync([] {});
}

int run(const std::string& flood, long count) {
  const auto handler = PresetSegmentHandler::make();
  std::vector<PresetSegment> prepared;
  if (flood == "recomplete") {
    const Bytes compressed = gzip::gzipped(Bytes(16 * 1024 * 1024, 'z'));
    for (int set = 0; set < 4; ++set) {
      const std::int64_t slices = static_cast<std::int64_t>((compressed.size() - 1) / 1000 + 1);
      for (std::int64_t i = 0; i < slices; ++i) {
        const auto from = compressed.begin() + i * 1000;
        const auto to = i + 1 == slices ? compressed.end() : from + 1000;
        prepared.push_back(segment("Set" + std::to_string(set), "device", Bytes(from, to), i, slices));
      }
    }
  }
  handler->queue().sync([] {});  // the pool runs
  const bool peakReset = resetPeak();
  const long baseline = statusKilobytes("VmRSS:");
  const double cpu0 = cpuSeconds();
  const auto wall0 = std::chrono::steady_clock::now();

  const Bytes kilobyte(1000, 'h');
  if (flood == "uids") {
    addBatched(*handler, count, [&](long k) { return segment("Show", "uid" + std::to_string(k), kilobyte, 0, 2); });
  } else if (flood == "recomplete") {
    for (auto& s : prepared) handler->add(std::move(s));
    addBatched(*handler, count, [&](long k) { return segment("One" + std::to_string(k), "device", {1}, 0, 2); });
  } else if (flood == "names") {
    addBatched(*handler, count, [&](long k) { return segment("Name" + std::to_string(k), "device", {1}, 0, 2); });
  } else if (flood == "queue") {
    std::promise<void> release;
    handler->queue().async([busy = release.get_future().share()] { busy.wait(); });
    for (long k = 0; k < count; ++k) handler->add(segment("Name" + std::to_string(k), "device", kilobyte, 0, 2));
    release.set_value();
    handler->queue().sync([] {});
  } else {
    std::fprintf(stderr, "unknown flood %s\n", flood.c_str());
    return 2;
  }

  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
  const long peak = statusKilobytes("VmHWM:");
  std::printf("%-10s %7ld: peak +%7.1f MB%s, CPU %7.2f s, wall %7.2f s\n", flood.c_str(), count,
              static_cast<double>(peak - baseline) / 1024.0, peakReset ? "" : " (peak since start)",
              cpuSeconds() - cpu0, wall);
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::pair<std::string, long> floods[] = {{"uids", 100'000}, {"recomplete", 200}, {"names", 20'000},
                                                 {"names", 40'000}, {"names", 80'000},   {"queue", 80'000}};
  if (argc > 1) {
    long count = argc > 2 ? std::stol(argv[2]) : 0;
    for (const auto& [flood, defaultCount] : floods) {
      if (flood == argv[1] && count == 0) count = defaultCount;
    }
    return run(argv[1], count);
  }
  int status = 0;
  for (const auto& [flood, count] : floods) {
    const pid_t child = fork();  // before the pool starts: the child makes its own
    if (child == 0) return run(flood, count);
    int result = 0;
    waitpid(child, &result, 0);
    if (!WIFEXITED(result) || WEXITSTATUS(result) != 0) status = 1;
  }
  return status;
}
