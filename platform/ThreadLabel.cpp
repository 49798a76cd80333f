#include "platform/ThreadLabel.h"

#include <utility>

namespace platform {

namespace {
thread_local std::string currentLabel;
}  // namespace

const std::string& threadLabel() { return currentLabel; }

void setThreadLabel(std::string label) { currentLabel = std::move(label); }

ScopedThreadLabel::ScopedThreadLabel(std::string label)
    : previous_(std::exchange(currentLabel, std::move(label))) {}

ScopedThreadLabel::~ScopedThreadLabel() { currentLabel = std::move(previous_); }

}  // namespace platform
