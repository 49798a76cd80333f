#pragma once
// AsyncQueue: runs asynchronous operations in tasks of their own while keeping an order among
// them. Each added operation gets its task at once; the task first waits for the operations it
// depends on (their failure or cancellation does not stop it), then runs. A queue without
// `concurrent` is strictly first-in first-out; with `concurrent`, operations that are not barriers
// run side by side between barriers, and a barrier waits for everything added before it.
//
// Operations may be added and cancelled from any thread or task, also from inside an operation.
// The queue's lock guards only its pending entries; no task runs or is awaited under it. When the
// queue goes, operations still pending keep running (their tasks hold what they need).

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <vector>

#include "async/AsyncStream.h"
#include "async/TaskHandle.h"

namespace async {

// The options of an AsyncQueue: an option set over a 64-bit raw value.
struct AsyncQueueAttributes {
  using Set = AsyncQueueAttributes;
  std::uint64_t rawValue = 0;

  static const Set concurrent;     // 1: non-barrier operations may run side by side
  static const Set publishErrors;  // 2: errors (not cancellations) go to errorSequence

  constexpr AsyncQueueAttributes() = default;
  constexpr explicit AsyncQueueAttributes(std::uint64_t raw) : rawValue(raw) {}
  constexpr AsyncQueueAttributes(std::initializer_list<Set> options) {
    for (auto option : options) rawValue |= option.rawValue;
  }

  constexpr bool contains(Set other) const { return (rawValue & other.rawValue) == other.rawValue; }
  constexpr bool isEmpty() const { return rawValue == 0; }
  constexpr bool isSubset(Set of) const { return of.contains(*this); }
  constexpr bool isSuperset(Set of) const { return contains(of); }
  constexpr bool isDisjoint(Set with) const { return (rawValue & with.rawValue) == 0; }
  constexpr Set unionWith(Set other) const { return Set(rawValue | other.rawValue); }
  constexpr Set intersection(Set other) const { return Set(rawValue & other.rawValue); }
  constexpr Set symmetricDifference(Set other) const { return Set(rawValue ^ other.rawValue); }
  constexpr Set subtracting(Set other) const { return Set(rawValue & ~other.rawValue); }
  constexpr void insert(Set other) { rawValue |= other.rawValue; }
  constexpr void remove(Set other) { rawValue &= ~other.rawValue; }
  constexpr void update(Set other) { insert(other); }
  friend constexpr bool operator==(Set, Set) = default;
};

class AsyncQueue {
 public:
  using Attributes = AsyncQueueAttributes;

  explicit AsyncQueue(Attributes attributes = {},
                      const asio::any_io_executor& executor = poolExecutor());
  AsyncQueue(const AsyncQueue&) = delete;
  AsyncQueue& operator=(const AsyncQueue&) = delete;
  ~AsyncQueue();

  // `operation` is a callable returning asio::awaitable<T>; the handle gives T or the error.
  template <class F>
  auto addThrowingOperation(F operation, bool barrier = false) {
    return enqueue(barrier, std::move(operation));
  }
  template <class F>
  auto addOperation(F operation, bool barrier = false) {
    return enqueue(barrier, std::move(operation));
  }
  template <class F>
  auto addBarrierThrowingOperation(F operation) {
    return enqueue(true, std::move(operation));
  }
  template <class F>
  auto addBarrierOperation(F operation) {
    return enqueue(true, std::move(operation));
  }

  // Requests cancellation of every pending operation. A cancelled operation still waits for its
  // dependencies and then runs, seeing the cancellation through isCancelled/checkCancellation.
  void cancelAllOperations();

  // Errors of failed operations (not cancellations), with `publishErrors` only. One consumer.
  AsyncStream<std::exception_ptr> errorSequence() const;

  // Operations added and not yet ended.
  std::size_t pendingCount() const;

  struct State;

 private:
  // The lock held while a new operation's task is created and its entry appended.
  class Admission {
   public:
    explicit Admission(State& state, bool barrier);
    std::vector<std::shared_ptr<detail::TaskCore>> dependencies;
    std::uint64_t id = 0;
    void commit(std::shared_ptr<detail::TaskCore> task);

   private:
    State& state_;
    std::unique_lock<std::mutex> lock_;
    bool barrier_;
  };

  static asio::awaitable<void> waitForAll(std::vector<std::shared_ptr<detail::TaskCore>> tasks);
  // True for a CancellationError, and for a raw asio wait aborted (operation_aborted) in a task
  // that was cancelled: both are cancellations, not errors.
  static asio::awaitable<bool> isCancellation(std::exception_ptr error);
  // Removes the entry; publishes `error` first when it is one to publish (not a cancellation).
  static void ended(const std::weak_ptr<State>& state, std::uint64_t id, std::exception_ptr error,
                    bool cancelled);

  template <class T, class F>
  static asio::awaitable<T> run(std::weak_ptr<State> state,
                                std::vector<std::shared_ptr<detail::TaskCore>> dependencies,
                                std::uint64_t id, F operation) {
    co_await waitForAll(std::move(dependencies));
    std::exception_ptr error;
    if constexpr (std::is_void_v<T>) {
      try {
        co_await operation();
      } catch (...) {
        error = std::current_exception();
      }
      const bool cancelled = error && co_await isCancellation(error);
      ended(state, id, error, cancelled);
      if (error) std::rethrow_exception(error);
    } else {
      std::optional<T> value;
      try {
        T result = co_await operation();
        value.emplace(std::move(result));
      } catch (...) {
        error = std::current_exception();
      }
      const bool cancelled = error && co_await isCancellation(error);
      ended(state, id, error, cancelled);
      if (error) std::rethrow_exception(error);
      co_return std::move(*value);
    }
  }

  template <class F>
  auto enqueue(bool barrier, F operation)
      -> TaskHandle<typename detail::AwaitableValue<std::invoke_result_t<F&>>::type> {
    using T = typename detail::AwaitableValue<std::invoke_result_t<F&>>::type;
    Admission admission(*state_, barrier);
    auto task = spawn(executor_, run<T>(state_, admission.dependencies, admission.id,
                                        std::move(operation)));
    admission.commit(task.core());
    return task;
  }

  asio::any_io_executor executor_;
  std::shared_ptr<State> state_;
};

inline constexpr AsyncQueueAttributes AsyncQueueAttributes::concurrent{1};
inline constexpr AsyncQueueAttributes AsyncQueueAttributes::publishErrors{2};

}  // namespace async
