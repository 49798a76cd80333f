#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "osc/OSCMessage.h"

namespace osc {
namespace {

// A received message is handed to several handlers at once: their first calls to address()
// race to make the string, and all of them get the same one.
TEST(OSCAddressSharing, threadsAskingForTheStringAtOnceGetTheSameOne) {
  for (int run = 0; run < 50; ++run) {
    const auto message = OSCMessage::decode(OSCMessage(*OSCAddress::make("/VELTOpelion/control/ping")).data());
    std::vector<const std::string*> seen(4);
    std::vector<std::jthread> threads;
    for (auto& slot : seen) threads.emplace_back([&message, &slot] { slot = &message.address().address(); });
    threads.clear();
    for (const auto* string : seen) EXPECT_TRUE(string == seen[0] && *string == "/VELTOpelion/control/ping");
  }
}

}  // namespace
}  // namespace osc
