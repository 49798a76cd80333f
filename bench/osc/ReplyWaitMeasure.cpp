// What a reply wait costs: one task sends a message to a server on loopback and waits for it with
// firstMessage (as a device client waits for an answer), many times in a row; then the same with
// waits that time out. Prints CPU
// microseconds of the whole process and context switches per wait. Run inside a private network
// namespace (loopback only):
//   unshare -rn sh -c 'ip link set lo up && build/release/bench/osc/bench_osc_reply_wait'

#include <sys/resource.h>

#include <chrono>

#include <boost/asio/awaitable.hpp>
#include <cstdio>

#include "async/TaskHandle.h"
#include "osc/OSCClient.h"
#include "osc/OSCServer.h"

namespace {

namespace asio = boost::asio;

struct Usage {
  double cpu;
  long switches;
};

Usage usage() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return {static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e6 +
              static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec),
          u.ru_nvcsw + u.ru_nivcsw};
}

enum class Kind { answered, timedOut };

asio::awaitable<int> waits(std::shared_ptr<osc::OSCServer> server, std::shared_ptr<osc::OSCClient> client, Kind kind,
                           int count) {
  const auto message = *osc::OSCMessage::make("/Va/control/ping", {osc::OSCValue::int32(1)});
  int answered = 0;
  for (int k = 0; k < count; ++k) {
    const auto t0 = std::chrono::steady_clock::now();
    const bool send = kind != Kind::timedOut;
    if (send) client->send(message, 0);
    try {
      const auto address = kind == Kind::timedOut ? "/none" : "/Va/control/ping";
      auto wait = server->firstMessage(address, std::nullopt, 0, t0, kind == Kind::timedOut ? 100'000 : 1'000'000'000);
      co_await std::move(wait);
      ++answered;
    } catch (const osc::OSCServerError&) {
    }
  }
  co_return answered;
}

void measure(const char* name, Kind kind, int count) {
  const auto server = osc::OSCServer::make(0);
  server->start();
  const auto client = std::make_shared<osc::OSCClient>("127.0.0.1", *server->listeningPort());
  const Usage before = usage();
  const auto start = std::chrono::steady_clock::now();
  const int answered = async::spawn(waits(server, client, kind, count)).get();
  const double wall = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
  const Usage after = usage();
  std::printf("%-22s %6d waits, %6d answered: CPU %6.1f us, wall %7.1f us, %5.2f context switches per wait\n", name,
              count, answered, (after.cpu - before.cpu) / count, wall / count,
              static_cast<double>(after.switches - before.switches) / count);
  server->stop();
}

}  // namespace

int main() {
  measure("answered live", Kind::answered, 20000);
  measure("timed out (0.1 ms)", Kind::timedOut, 5000);
  return 0;
}
