#include "device/Clients/RandomClientUid.h"

#include <random>

namespace device {

std::string randomClientUid() {
  // std::random_device reads the kernel's random source; uniform_int_distribution rejects and
  // redraws rather than taking a remainder.
  thread_local std::random_device source;
  std::uniform_int_distribution<std::size_t> pick(0, clientUidAlphabet.size() - 1);
  std::string uid;
  uid.reserve(clientUidLength);
  for (std::size_t k = 0; k < clientUidLength; ++k) uid.push_back(clientUidAlphabet[pick(source)]);
  return uid;
}

}  // namespace device
