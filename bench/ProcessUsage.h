#pragma once
// What the measure programs read of their own process: CPU time used so far and the sizes the
// kernel reports in /proc/self/status (VmHWM, VmRSS, ...).

#include <sys/resource.h>

#include <fstream>
#include <string>
#include <string_view>

namespace bench {

// User plus system CPU time of the whole process, in seconds.
inline double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The kilobytes of a /proc/self/status field such as "VmHWM:"; -1 when it is missing.
inline long statusKilobytes(std::string_view field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with(field)) return std::stol(line.substr(field.size()));
  }
  return -1;
}

}  // namespace bench
