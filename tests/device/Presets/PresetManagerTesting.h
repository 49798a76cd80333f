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
#include <set>
#include <string>
#include <vector>

#include <boost/asio/io_context.hpp>

#include "async/TaskHandle.h"
#include "device/Presets/PresetHandler.h"
#include "tests/log/RecordingDestination.h"

namespace device::testing {

using Calls = std::vector<std::string>;

inline std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }
inline std::string textOf(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// A folder made with mkdtemp, removed with everything in it.
struct TemporaryFolder {
  std::string path = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "presets-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
  }();
  ~TemporaryFolder() { std::filesystem::remove_all(path); }
  std::string file(const std::string& name) const { return path + "/" + name; }
  std::set<std::string> entries() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path)) names.insert(entry.path().filename());
    return names;
  }
};

// Registers a waiting destination for its lifetime.
class LogRecorder {
 public:
  LogRecorder() { destination_->setAsynchronously(false), tallylog::Tallylog::addDestination(destination_); }
  ~LogRecorder() { tallylog::Tallylog::removeDestination(destination_); }

  // The messages logged (only the warnings when `warningsOnly`), in order.
  Calls messages(bool warningsOnly = false) const {
    Calls result;
    for (const auto& call : destination_->calls()) {
      EXPECT_EQ(call.file, "PresetManager.cpp");
      if (!warningsOnly || call.level == tallylog::Tallylog::Level::warning) result.push_back(call.message);
    }
    return result;
  }
  Calls warnings() const { return messages(true); }

 private:
  std::shared_ptr<tallylog::testing::RecordingDestination> destination_ =
      std::make_shared<tallylog::testing::RecordingDestination>();
};

// A device whose port is its label's first letter. It records "LABEL call" in `calls`; the
// document it sends for a name is "doc LABEL name".
class FakeDevice : public PresetHandler {
 public:
  FakeDevice(std::string label, Calls list, std::shared_ptr<Calls> calls,
             std::vector<PresetType> types = {PresetType::preset, PresetType::userShow})
      : label_(std::move(label)), list_(std::move(list)), types_(std::move(types)), calls_(std::move(calls)) {}

  bool online = true;
  std::exception_ptr listError, sendError;
  std::map<std::string, std::exception_ptr> receiveErrors;  // by baseName
  std::function<void(const std::string& call)> onCall;      // after each recorded call
  std::map<std::string, std::string> sent;                  // baseName -> document

  std::string deviceIP() const override { return "127.0.0.1"; }
  std::uint16_t devicePort() const override { return static_cast<std::uint16_t>(label_[0]); }
  std::uint16_t listenPort() const override { return 9000; }
  bool isOnline() const override { return online; }
  std::string description() const override { return label_; }
  std::shared_ptr<PresetSegmentHandler> presetSegmentHandler() const override { return segments_; }
  std::vector<PresetType> supportedPresetTypes() const override { return types_; }

  Task<PresetNameList> requestPresetList(std::uint64_t) override {
    record("list", listError);
    PresetNameList list;
    for (const auto& text : list_) list.append(PresetName(text));
    co_return list;
  }
  Task<PresetData> receivePreset(PresetName name, int retries, std::uint64_t timeout) override {
    EXPECT_EQ(std::make_pair(retries, timeout), std::make_pair(1, std::uint64_t{10'000'000'000}));
    const auto error = receiveErrors.find(name.baseName());
    record("receive " + name.baseName(), error == receiveErrors.end() ? nullptr : error->second);
    co_return PresetData(bytesOf("doc " + label_ + " " + name.baseName()));
  }
  Task<bool> sendPreset(std::vector<std::uint8_t> bytes, PresetName name, bool flag) override {
    record("send " + name.baseName() + (flag ? " 1" : " 0"), sendError);
    sent[name.baseName()] = textOf(bytes);
    co_return true;
  }
  Task<void> deletePreset(PresetName name, bool flag) override {
    record("delete " + name.baseName() + (flag ? " 1" : " 0"), nullptr);
    co_return;
  }
  Task<void> loadPreset(PresetName, std::uint64_t) override { co_return; }
  Task<void> savePreset(PresetName, std::uint64_t) override { co_return; }

 private:
  void record(const std::string& call, const std::exception_ptr& error) {
    calls_->push_back(label_ + " " + call);
    if (onCall) onCall(call);
    if (error) std::rethrow_exception(error);
  }

  std::string label_;
  Calls list_;
  std::vector<PresetType> types_;
  std::shared_ptr<Calls> calls_;
  std::shared_ptr<PresetSegmentHandler> segments_ = PresetSegmentHandler::make();
};

// Runs `body` as a task on the calling thread to its end and throws what it threw; `prepare` sees
// the task before it starts.
inline void runTask(boost::asio::awaitable<void> body,
                    const std::function<void(const async::TaskHandle<void>&)>& prepare = {}) {
  boost::asio::io_context context;
  const auto handle = async::spawn(context.get_executor(), std::move(body));
  if (prepare) prepare(handle);
  context.run();
  handle.get();
}

}  // namespace device::testing
