#pragma once
// Observer of a processor's channel parameter reports, installed on a ProcessorClient. Called on
// the client's queue; must not throw or block. Each call gets the client, the user and channel
// numbers, the value, whether the change was relayed, and the uid of the client that caused it.

#include <cstdint>
#include <optional>
#include <string>

#include "device/Model/RenderMode.h"

namespace device {

class ProcessorClient;

class ProcessorClientEventHandler {
 public:
  virtual ~ProcessorClientEventHandler() = default;
  virtual void gainDbReceived(ProcessorClient& client, std::uint8_t user, std::uint16_t channel, float value,
                              bool relayed, const std::optional<std::string>& uid) = 0;
  virtual void muteReceived(ProcessorClient& client, std::uint8_t user, std::uint16_t channel, bool value,
                            bool relayed, const std::optional<std::string>& uid) = 0;
  virtual void soloReceived(ProcessorClient& client, std::uint8_t user, std::uint16_t channel, bool value,
                            bool relayed, const std::optional<std::string>& uid) = 0;
  virtual void azimuthReceived(ProcessorClient& client, std::uint8_t user, std::uint16_t channel, float value,
                               bool relayed, const std::optional<std::string>& uid) = 0;
  virtual void elevationReceived(ProcessorClient& client, std::uint8_t user, std::uint16_t channel, float value,
                                 bool relayed, const std::optional<std::string>& uid) = 0;
  virtual void modeVisibleReceived(ProcessorClient& client, std::uint8_t user, std::uint16_t channel,
                                   RenderMode value, bool relayed, const std::optional<std::string>& uid) = 0;
};

}  // namespace device
