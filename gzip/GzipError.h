#pragma once
// The one error of the compression functions: the kind derived from zlib's result code and a
// message (zlib's own when it gave a valid UTF-8 one). A value; any thread.

#include <cstdint>
#include <exception>
#include <string>

namespace gzip {

class GzipError : public std::exception {
 public:
  struct Kind {
    enum class Case { stream, data, memory, buffer, version, unknown };
    Case value;
    std::int64_t code = 0;  // the zlib result of `unknown`; 0 for the other cases

    static constexpr Kind stream() { return {Case::stream}; }
    static constexpr Kind data() { return {Case::data}; }
    static constexpr Kind memory() { return {Case::memory}; }
    static constexpr Kind buffer() { return {Case::buffer}; }
    static constexpr Kind version() { return {Case::version}; }
    static constexpr Kind unknown(std::int64_t code) { return {Case::unknown, code}; }

    // Same case and, for `unknown`, the same code.
    friend constexpr bool operator==(const Kind& x, const Kind& y) {
      return x.value == y.value && (x.value != Case::unknown || x.code == y.code);
    }
  };

  static constexpr const char* unknownMessage = "Unknown gzip error";

  // Z_STREAM_ERROR gives stream, Z_DATA_ERROR data, Z_MEM_ERROR memory, Z_BUF_ERROR buffer,
  // Z_VERSION_ERROR version, any other code unknown(code). A null or non-UTF-8 `msg` gives
  // unknownMessage.
  GzipError(std::int32_t code, const char* msg);

  const Kind& kind() const noexcept { return kind_; }
  const std::string& message() const noexcept { return message_; }
  // "The compressed data could not be processed: incorrect header check" (the message at the end).
  const std::string& description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  Kind kind_;
  std::string message_;
  std::string description_;
};

}  // namespace gzip
