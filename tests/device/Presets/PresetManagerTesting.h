#pragma once
// Test support of the preset manager: a private temporary folder, a recorder of the manager's log
// lines, and a device that serves presets from a list and records what it is asked.

#include <gtest/gtest.h>

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include <boost/asio/io_context.hpp>

#include "async/TaskHandle.h"
#include "device/Presets/PresetHandler.h"
#include "device/Presets/PresetSegmentHandlerError.h"
#include "tests/log/RecordingDestination.h"

namespace device::testing {

inline std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }
inline std::string textOf(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// A folder made with mkdtemp, removed with everything in it.
struct TemporaryFolder {
  std::string path;
  TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "presets-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path = pattern;
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::string file(const std::string& name) const { return path + "/" + name; }
  std::set<std::string> entries() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path)) names.insert(entry.path().filename());
    return names;
  }
};

// Registers a waiting destination for the test's lifetime; messages() are the manager's lines.
class LogRecorder {
 public:
  LogRecorder() : destination_(std::make_shared<tallylog::testing::RecordingDestination>()) {
    destination_->setAsynchronously(false);
    tallylog::Tallylog::addDestination(destination_);
  }
  ~LogRecorder() { tallylog::Tallylog::removeDestination(destination_); }

  // The messages logged from `function` ("" for every function), in order.
  std::vector<std::string> messages(const std::string& function = "") const {
    std::vector<std::string> result;
    for (const auto& call : destination_->calls()) {
      EXPECT_EQ(call.file, "PresetManager.cpp");
      if (function.empty() || call.function == function + "()") result.push_back(call.message);
    }
    return result;
  }
  std::vector<std::string> warnings() const {
    std::vector<std::string> result;
    for (const auto& call : destination_->calls())
      if (call.level == tallylog::Tallylog::Level::warning) result.push_back(call.message);
    return result;
  }

 private:
  std::shared_ptr<tallylog::testing::RecordingDestination> destination_;
};

// The calls of every fake device of one test, in order: "A list", "B receive Song", ...
struct CallLog {
  std::mutex mutex;
  std::vector<std::string> calls;
  void add(std::string call) {
    std::lock_guard lock(mutex);
    calls.push_back(std::move(call));
  }
};

class FakeDevice : public PresetHandler {
 public:
  FakeDevice(std::string label, std::vector<std::string> listTexts, std::shared_ptr<CallLog> log,
             std::vector<PresetType> types = {PresetType::preset, PresetType::userShow})
      : label_(std::move(label)), listTexts_(std::move(listTexts)), types_(std::move(types)), log_(std::move(log)) {}

  bool online = true;
  std::exception_ptr listError;                          // thrown by requestPresetList
  std::map<std::string, std::exception_ptr> receiveErrors;  // by baseName
  std::exception_ptr sendError;
  std::function<void(const std::string& call)> onCall;   // runs after each recorded call
  std::map<std::string, std::string> sent;               // baseName -> document text

  std::string deviceIP() const override { return "127.0.0.1"; }
  std::uint16_t devicePort() const override { return static_cast<std::uint16_t>(label_[0]); }
  std::uint16_t listenPort() const override { return 9000; }
  bool isOnline() const override { return online; }
  std::string description() const override { return label_; }
  std::shared_ptr<PresetSegmentHandler> presetSegmentHandler() const override { return segments_; }
  std::vector<PresetType> supportedPresetTypes() const override { return types_; }

  Task<PresetNameList> requestPresetList(std::uint64_t) override {
    record("list");
    if (listError) std::rethrow_exception(listError);
    PresetNameList list;
    for (const auto& text : listTexts_) list.append(PresetName(text));
    co_return list;
  }
  Task<PresetData> receivePreset(PresetName name, int retries, std::uint64_t timeout) override {
    record("receive " + name.baseName());
    EXPECT_EQ(retries, 1);
    EXPECT_EQ(timeout, 10'000'000'000u);
    if (const auto error = receiveErrors.find(name.baseName()); error != receiveErrors.end())
      std::rethrow_exception(error->second);
    co_return PresetData(bytesOf("doc " + label_ + " " + name.baseName()));
  }
  Task<bool> sendPreset(std::vector<std::uint8_t> bytes, PresetName name, bool flag) override {
    record("send " + name.baseName() + (flag ? " 1" : " 0"));
    if (sendError) std::rethrow_exception(sendError);
    sent[name.baseName()] = textOf(bytes);
    co_return true;
  }
  Task<void> deletePreset(PresetName name, bool flag) override {
    record("delete " + name.baseName() + (flag ? " 1" : " 0"));
    co_return;
  }
  Task<void> loadPreset(PresetName, std::uint64_t) override { co_return; }
  Task<void> savePreset(PresetName, std::uint64_t) override { co_return; }

 private:
  void record(const std::string& call) {
    log_->add(label_ + " " + call);
    if (onCall) onCall(call);
  }

  std::string label_;
  std::vector<std::string> listTexts_;
  std::vector<PresetType> types_;
  std::shared_ptr<CallLog> log_;
  std::shared_ptr<PresetSegmentHandler> segments_ = PresetSegmentHandler::make();
};

template <class E>
std::exception_ptr errorOf(E error) {
  return std::make_exception_ptr(std::move(error));
}

// Runs `body` as a task on the calling thread to its end; `prepare` sees the task's handle before it
// starts (to cancel it from a device call). Throws what the task threw.
inline void runTask(boost::asio::awaitable<void> body,
                    const std::function<void(const async::TaskHandle<void>&)>& prepare = {}) {
  boost::asio::io_context context;
  const auto handle = async::spawn(context.get_executor(), std::move(body));
  if (prepare) prepare(handle);
  context.run();
  handle.get();
}

}  // namespace device::testing
