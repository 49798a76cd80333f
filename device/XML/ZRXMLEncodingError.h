#pragma once
// Raised by the preset document writer when the finished document text is not valid UTF-8.
// It has one case; description() says so in a sentence.

#include <cstddef>
#include <exception>
#include <functional>
#include <string>

namespace device {

class ZRXMLEncodingError : public std::exception {
 public:
  enum class Case { encodingFailed };

  static ZRXMLEncodingError encodingFailed() noexcept { return ZRXMLEncodingError(); }

  Case errorCase() const noexcept { return Case::encodingFailed; }
  const std::string& description() const noexcept;
  const char* what() const noexcept override { return description().c_str(); }

  friend bool operator==(const ZRXMLEncodingError&, const ZRXMLEncodingError&) noexcept {
    return true;
  }

 private:
  ZRXMLEncodingError() noexcept = default;
};

}  // namespace device

template <>
struct std::hash<device::ZRXMLEncodingError> {
  std::size_t operator()(const device::ZRXMLEncodingError& error) const noexcept {
    return std::hash<int>()(static_cast<int>(error.errorCase()));
  }
};
