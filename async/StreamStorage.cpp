#include "async/StreamStorage.h"

namespace async::detail {

void TerminationActions::run(Termination reason) {
  if (producer) producer->cancel();
  if (handler) handler(reason);
  // Whatever the handler holds goes now, not when the stream goes.
  handler = nullptr;
  producer.reset();
}

}  // namespace async::detail
