#include "gzip/GzipError.h"

#include <zlib.h>

#include "platform/Utf8.h"

namespace gzip {

namespace {

GzipError::Kind kindOf(std::int32_t code) {
  switch (code) {
    case Z_STREAM_ERROR: return GzipError::Kind::stream();
    case Z_DATA_ERROR: return GzipError::Kind::data();
    case Z_MEM_ERROR: return GzipError::Kind::memory();
    case Z_BUF_ERROR: return GzipError::Kind::buffer();
    case Z_VERSION_ERROR: return GzipError::Kind::version();
    default: return GzipError::Kind::unknown(code);
  }
}

}  // namespace

GzipError::GzipError(std::int32_t code, const char* msg)
    : kind_(kindOf(code)),
      message_(msg != nullptr && platform::isValidUtf8(msg) ? msg : unknownMessage),
      description_("The compressed data could not be processed: " + message_) {}

}  // namespace gzip
