#pragma once
// Progress: a pair of unit counts (total and completed) that one job raises while other
// threads read and observe it; the stand-in for a platform progress object with key-value
// observation.
//
// Threads: every member may be called from any thread. The counts are atomics. Observers are kept
// under a mutex, but they are called outside it, on the thread that changed the count, once per
// change (also when the value stays the same), with the value that change set. Two changes made at
// once on different threads may reach an observer in either order; an observer that needs the
// latest state reads the counts again. Observers must be quick and must not throw; a GUI forwards
// the call to its own thread (a queued signal) instead of touching widgets. An observer may read
// or change the progress and start or end observations, its own included.
//
// Ownership: usually held by shared_ptr by the work that raises it; an Observation may outlive the
// Progress it was made from.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

class Progress {
 public:
  enum class Key { totalUnitCount, completedUnitCount };
  using Observer = std::function<void(Key key, std::int64_t value)>;

  // Ends its observation when destroyed or on end(). A call that had already begun on another
  // thread may still finish after end() returns; none begins afterwards.
  class Observation {
   public:
    Observation() = default;
    Observation(Observation&& other) noexcept;
    Observation& operator=(Observation&& other) noexcept;
    Observation(const Observation&) = delete;
    Observation& operator=(const Observation&) = delete;
    ~Observation() { end(); }
    void end();

   private:
    friend class Progress;
    struct Registry;
    struct Entry;
    Observation(std::weak_ptr<Registry> registry, std::shared_ptr<Entry> entry);
    std::weak_ptr<Registry> registry_;
    std::shared_ptr<Entry> entry_;
  };

  explicit Progress(std::int64_t totalUnitCount = 0);
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  std::int64_t totalUnitCount() const { return total_.load(); }
  std::int64_t completedUnitCount() const { return completed_.load(); }
  void setTotalUnitCount(std::int64_t value);
  void setCompletedUnitCount(std::int64_t value);
  // Adds `units` to the completed count in one atomic step; observers get the sum.
  void addCompletedUnits(std::int64_t units = 1);
  // completed / total; 0 while the total is 0 or less.
  double fractionCompleted() const;

  [[nodiscard]] Observation observe(Observer observer);

 private:
  void notify(Key key, std::int64_t value);

  std::atomic<std::int64_t> total_;
  std::atomic<std::int64_t> completed_{0};
  std::shared_ptr<Observation::Registry> registry_;
};

}  // namespace platform
