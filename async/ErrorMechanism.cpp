#include "async/ErrorMechanism.h"

#include <cstdio>
#include <cstdlib>

namespace async::detail {

void materializedErrorWithoutThrowingContext() {
  std::fputs("ErrorMechanism:21: Fatal error: Materialized error without being in a throwing context\n",
             stderr);
  std::abort();
}

}  // namespace async::detail
