// The cost of one log line: formatMessage of the destinations' default format (a local time of
// day) and of a format with a UTC date, for a typical call.

#include <benchmark/benchmark.h>

#include <string>

#include "log/BaseDestination.h"

namespace {

void formatLine(benchmark::State& state, const std::string& format) {
  tallylog::BaseDestination destination;
  for (auto _ : state) {
    benchmark::DoNotOptimize(destination.formatMessage(
        format, tallylog::Tallylog::Level::info, "connected to 127.0.0.1:9110", "main",
        "/src/net/Socket.cpp", "connect(to:)", 142, {}));
  }
}

void defaultFormat(benchmark::State& state) {
  formatLine(state, tallylog::BaseDestination().format);
}
BENCHMARK(defaultFormat);

void utcDate(benchmark::State& state) {
  formatLine(state, "$Zyyyy-MM-dd'T'HH:mm:ss.SSS$z $C$L$c $N.$F:$l - $M");
}
BENCHMARK(utcDate);

}  // namespace

BENCHMARK_MAIN();
