#pragma once
// A validated OSC address pattern and the matching of addresses against it. Patterns may hold
// "*", "?", character classes "[a-z]" / "[!a-z]" and alternatives "{foo,bar}" inside a part;
// a part never matches across a "/". Plain value; any thread.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace osc {

class OSCAddress;

class OSCAddressPattern {
 public:
  // A leading "/", non-empty parts of printable ASCII without space, "#" or "/", brackets and
  // braces in non-nested pairs, commas only inside braces. One trailing "/" is allowed.
  static bool isValid(std::string_view text);
  // The pattern, or nothing when the text is not valid.
  static std::optional<OSCAddressPattern> make(std::string_view text);

  // The validated text without its trailing "/".
  const std::string& pattern() const { return pattern_; }
  const std::vector<std::string>& parts() const { return parts_; }

  bool matches(const OSCAddress& address) const;
  bool matches(std::string_view addressString) const;

  friend bool operator==(const OSCAddressPattern&, const OSCAddressPattern&) = default;

 private:
  OSCAddressPattern() = default;
  std::string pattern_;
  std::vector<std::string> parts_;
  bool literal_ = false;  // no wildcard anywhere: an address matches when it is the pattern's text
};

}  // namespace osc
