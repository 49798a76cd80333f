#pragma once
// The shared state of a PresetWait: the iterator of its own stream. Internal to the library.

#include "device/Presets/PresetSegmentHandler.h"

namespace device {

struct PresetWait::State {
  explicit State(PresetSegmentHandler::Stream::Iterator iterator) : iterator(std::move(iterator)) {}
  PresetSegmentHandler::Stream::Iterator iterator;
};

}  // namespace device
