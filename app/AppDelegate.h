#pragma once
// The program's own start-up and quit work, run by main once the devices window shows.
//
// applicationDidFinishLaunching: console logging at info level, then the manager's discovery
// and, when that started, its reconnect loop. A discovery that cannot start (its port held by
// another program, for example) is reported with the critical alert "Could not start device
// discoverer" and the error's description; the program stays open without discovery and does
// not retry. applicationWillTerminate destroys the preset manager window, then stops the
// manager, so that no thread outlives main.
// GUI thread only.

namespace app {

class DeviceManager;

class AppDelegate {
 public:
  explicit AppDelegate(DeviceManager& manager) : manager_(manager) {}

  // Returns whether discovery runs.
  bool applicationDidFinishLaunching();
  void applicationWillTerminate();
  static bool applicationSupportsSecureRestorableState() { return true; }

  // The console log line: time with milliseconds, level, file, function and line, message, context.
  static constexpr const char* kConsoleFormat = "$DHH:mm:ss.SSS$d $C$L$c $N.$F:$l - $M $X";

 private:
  DeviceManager& manager_;
};

}  // namespace app
