#pragma once
// The message of a log call, produced only when a destination takes the call.
//
// describe(value) is the textual description that a log line shows for a value: text as it is,
// integers in decimal, floating-point numbers as the shortest text that reads back ("1.0",
// "1e-05"), true/false, a value's own description() when it has one, else its operator<< in the
// classic locale. DeferredMessage refers to a callable that produces that text; it does not own the
// callable, so it lives only for the duration of one log call.

#include "platform/NumberText.h"

#include <concepts>
#include <locale>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace tallylog {

template <typename T>
std::string describe(const T& value) {
  if constexpr (std::is_same_v<T, bool>) {
    return value ? "true" : "false";
  } else if constexpr (std::is_same_v<T, char>) {
    return std::string(1, value);
  } else if constexpr (std::is_integral_v<T>) {
    return std::to_string(value);
  } else if constexpr (std::is_floating_point_v<T>) {
    return platform::formatShortest(
        static_cast<std::conditional_t<std::is_same_v<T, float>, float, double>>(value));
  } else if constexpr (std::is_convertible_v<const T&, std::string_view>) {
    return std::string(std::string_view(value));
  } else if constexpr (requires {
                         { value.description() } -> std::convertible_to<std::string>;
                       }) {
    return value.description();
  } else {
    std::ostringstream stream;
    stream.imbue(std::locale::classic());
    stream << value;
    return std::move(stream).str();
  }
}

class DeferredMessage {
 public:
  // `produce` must outlive this object and return something that describe() accepts.
  template <typename F>
  explicit DeferredMessage(F& produce)
      : object_(static_cast<void*>(&produce)),
        call_([](void* object) { return describe((*static_cast<F*>(object))()); }) {}

  std::string operator()() const { return call_(object_); }

 private:
  void* object_;
  std::string (*call_)(void*);
};

}  // namespace tallylog
