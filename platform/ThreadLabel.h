#pragma once
// The label of the calling thread, the stand-in for the label of the queue that runs the caller.
// Executors set it on their threads: an OSC server's delegate work runs under
// "OSCServer Delegate " + port, a log destination's queue under "tallylog-queue-" + UUID.
// The main thread and every thread that sets nothing have the empty label.
// Thread-local: each function reads or changes only the calling thread's label.

#include <string>
#include <string_view>

namespace platform {

// The calling thread's label; valid until that thread changes its label.
const std::string& threadLabel();
void setThreadLabel(std::string label);

// Sets the calling thread's label for the lifetime of the object and puts the previous one back.
// Create and destroy it on the same thread.
class ScopedThreadLabel {
 public:
  explicit ScopedThreadLabel(std::string label);
  ~ScopedThreadLabel();
  ScopedThreadLabel(const ScopedThreadLabel&) = delete;
  ScopedThreadLabel& operator=(const ScopedThreadLabel&) = delete;

 private:
  std::string previous_;
};

}  // namespace platform
