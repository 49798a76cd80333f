#pragma once
// Test sources and readers for the sequence operators.
// - Scripted: an int sequence that plays a script, one step per next(): a value, `fail` or `other`
//   (throw std::runtime_error or OtherError) or `end` (gives the end but keeps going). Past
//   the script it gives the end. A step may wait first (cancellable: the wait then counts a
//   cancellation and throws CancellationError). Copies share the pull and cancellation counters.
// - read(iterator, calls): the answers of that many next() calls as text ("1", "(1, 2)", "end",
//   "other" or "error"). Errors are told by type, never by what(): an error object may be freed on a
//   pool thread through libstdc++'s reference counts, which ThreadSanitizer does not see.

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "async/Cancellation.h"
#include "async/TaskHandle.h"

namespace async::test {

struct Step {
  int value = 0;
  std::chrono::milliseconds wait{0};
};

inline constexpr int fail = -1000;
inline constexpr int end = -1001;
inline constexpr int other = -1002;

struct OtherError : std::runtime_error {
  OtherError() : std::runtime_error("other") {}
};

class Scripted {
  struct Counters {
    std::atomic<int> pulls{0};
    std::atomic<int> cancellations{0};
  };

 public:
  using Element = int;

  class Iterator {
   public:
    using Element = int;
    asio::awaitable<std::optional<int>> next() {
      ++counters_->pulls;
      if (index_ >= script_->size()) co_return std::nullopt;
      const Step step = (*script_)[index_++];
      if (step.wait.count() > 0) {
        try {
          co_await sleep(step.wait);
        } catch (const CancellationError&) {
          ++counters_->cancellations;
          throw;
        }
      }
      if (step.value == fail) throw std::runtime_error("error");
      if (step.value == other) throw OtherError();
      if (step.value == end) co_return std::nullopt;
      co_return step.value;
    }

   private:
    friend class Scripted;
    Iterator(std::shared_ptr<const std::vector<Step>> script, std::shared_ptr<Counters> counters)
        : script_(std::move(script)), counters_(std::move(counters)) {}
    std::shared_ptr<const std::vector<Step>> script_;
    std::shared_ptr<Counters> counters_;
    std::size_t index_ = 0;
  };

  Scripted(std::initializer_list<int> values) {
    std::vector<Step> steps;
    for (int value : values) steps.push_back({value, {}});
    script_ = std::make_shared<const std::vector<Step>>(std::move(steps));
  }
  explicit Scripted(std::vector<Step> steps)
      : script_(std::make_shared<const std::vector<Step>>(std::move(steps))) {}

  Iterator makeAsyncIterator() const { return Iterator(script_, counters_); }
  int pulls() const { return counters_->pulls.load(); }
  int cancellations() const { return counters_->cancellations.load(); }

 private:
  std::shared_ptr<const std::vector<Step>> script_;
  std::shared_ptr<Counters> counters_ = std::make_shared<Counters>();
};

inline std::string text(int value) { return std::to_string(value); }
inline std::string text(const std::string& value) { return value; }
template <class... T>
std::string text(const std::tuple<T...>& values) {
  std::string out = "(";
  std::apply([&](const auto&... v) { ((out += text(v) + ", "), ...); }, values);
  out.resize(out.size() - 2);
  return out + ")";
}

template <class Iterator>
asio::awaitable<std::vector<std::string>> read(Iterator& iterator, int calls) {
  std::vector<std::string> seen;
  for (int i = 0; i < calls; ++i) {
    try {
      auto element = co_await iterator.next();
      seen.push_back(element ? text(*element) : "end");
    } catch (const OtherError&) {
      seen.push_back("other");
    } catch (const std::exception&) {
      seen.push_back("error");
    }
  }
  co_return seen;
}

// read() over a fresh iterator of a copy of `sequence`, run as a task; readNow() waits for it.
template <class Sequence>
TaskHandle<std::vector<std::string>> reading(const Sequence& sequence, int calls) {
  auto run = [](Sequence s, int n) -> asio::awaitable<std::vector<std::string>> {
    auto iterator = s.makeAsyncIterator();
    co_return co_await read(iterator, n);
  };
  return spawn(run(sequence, calls));
}
template <class Sequence>
std::vector<std::string> readNow(const Sequence& sequence, int calls) {
  return reading(sequence, calls).get();
}

using Texts = std::vector<std::string>;

}  // namespace async::test
