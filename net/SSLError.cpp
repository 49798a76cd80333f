#include "net/SSLError.h"

#include <algorithm>
#include <limits>

namespace net {

SocketError SSLError::toSocketError() const {
  const auto code = std::clamp<std::int64_t>(code_, std::numeric_limits<std::int32_t>::min(),
                                             std::numeric_limits<std::int32_t>::max());
  return SocketError(static_cast<std::int32_t>(code), text_);
}

}  // namespace net
