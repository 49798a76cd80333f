#include "async/TimerAsyncSequence.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>

#include "async/Cancellation.h"
#include "async/Seconds.h"
#include "async/TaskHandle.h"

namespace async {

namespace {

// One ticking task: `superseded` tells it, once cancelled, that a newer task now feeds the
// subject, so it must not finish it.
struct Ticker {
  TaskHandle<void> task;
  std::shared_ptr<std::atomic<bool>> superseded;

  void stop(bool finishSubject) const {
    if (!finishSubject) superseded->store(true);
    task.cancel();
  }
};

asio::awaitable<void> tick(PassthroughAsyncSequence<platform::Date> subject,
                           std::chrono::steady_clock::duration interval,
                           std::shared_ptr<std::atomic<bool>> superseded) {
  for (;;) {
    const bool cancelled = co_await isCancelled();
    if (cancelled) break;
    try {
      co_await sleep(interval);
    } catch (const CancellationError&) {
      break;
    }
    subject.send(std::chrono::system_clock::now());
  }
  if (!superseded->load()) subject.finish();
}

}  // namespace

struct TimerAsyncSequence::State {
  explicit State(double seconds)
      : interval(seconds),
        sleepTime(std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            durationFromSeconds(seconds))) {}
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  ~State() {
    if (ticker) ticker->stop(true);
  }

  const double interval;
  const std::chrono::steady_clock::duration sleepTime;
  const PassthroughAsyncSequence<platform::Date> passthroughSequence;
  std::mutex mutex;
  std::optional<Ticker> ticker;  // guarded by mutex
};

TimerAsyncSequence::TimerAsyncSequence(double interval)
    : state_(std::make_shared<State>(interval)) {}

double TimerAsyncSequence::interval() const { return state_->interval; }

TimerAsyncSequence::Iterator TimerAsyncSequence::makeAsyncIterator() const {
  auto iterator = state_->passthroughSequence.makeAsyncIterator();
  Ticker ticker{{}, std::make_shared<std::atomic<bool>>(false)};
  ticker.task =
      spawn(tick(state_->passthroughSequence, state_->sleepTime, ticker.superseded));
  std::optional<Ticker> earlier;
  {
    std::lock_guard lock(state_->mutex);
    earlier = std::exchange(state_->ticker, std::move(ticker));
  }
  if (earlier) earlier->stop(false);
  return iterator;
}

void TimerAsyncSequence::cancel() const {
  std::optional<Ticker> ticker;
  {
    std::lock_guard lock(state_->mutex);
    ticker = state_->ticker;
  }
  if (ticker) ticker->stop(true);
}

}  // namespace async
