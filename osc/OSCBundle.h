#pragma once
// An OSC bundle: an opaque time tag and an ordered list of elements, each a message or a
// bundle. Setting the sender or the reception time of a bundle sets it on every element,
// recursively, so that a message taken out of a received bundle carries both. A plain value;
// any thread may use its own copy.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "osc/OSCEndpoint.h"
#include "osc/OSCError.h"
#include "osc/OSCMessage.h"

namespace osc {

class OSCObject;

enum class OSCBundleErrorCase { invalidPrefix, invalidSize, sizeExceedsDataProvided, nestingTooDeep };

class OSCBundleError : public OSCCaseError<OSCBundleErrorCase> {
 public:
  static OSCBundleError invalidPrefix();
  static OSCBundleError invalidSize();
  static OSCBundleError sizeExceedsDataProvided();
  // Bundles nested deeper than OSCBundle::maximumNestingDepth.
  static OSCBundleError nestingTooDeep();

 private:
  using OSCCaseError::OSCCaseError;
};

class OSCBundle {
 public:
  // The most levels of bundles one datagram may hold (the outermost bundle is level 1).
  // Decoding, propagation and dispatch recurse once per level.
  static constexpr int maximumNestingDepth = 32;
  // "#bundle" and a 0 byte, the first 8 bytes of every bundle.
  static constexpr std::uint8_t prefix[8] = {'#', 'b', 'u', 'n', 'd', 'l', 'e', 0};

  // Two constructors rather than a default argument: the element list may only be built where
  // the element type is complete.
  explicit OSCBundle(std::uint64_t timetag = 1);
  explicit OSCBundle(std::uint64_t timetag, std::vector<OSCObject> elements);
  OSCBundle(const OSCBundle&);
  OSCBundle(OSCBundle&&) noexcept;
  OSCBundle& operator=(const OSCBundle&);
  OSCBundle& operator=(OSCBundle&&) noexcept;
  ~OSCBundle();

  std::uint64_t timetag() const { return timetag_; }
  const std::vector<OSCObject>& elements() const { return elements_; }
  // Elements changed here are not stamped with the bundle's sender or reception time.
  std::vector<OSCObject>& elements() { return elements_; }
  void add(OSCMessage message);
  void add(OSCBundle bundle);

  const std::optional<OSCEndpoint>& endpoint() const { return endpoint_; }
  // Also sets the endpoint of every element, recursively.
  void setEndpoint(std::optional<OSCEndpoint> endpoint);
  const std::optional<DispatchTime>& receiveTime() const { return receiveTime_; }
  // Also sets the reception time of every element, recursively.
  void setReceiveTime(std::optional<DispatchTime> time);

  // Prefix, time tag, then each element's size and bytes. Throws an element's encoding error,
  // or OSCBundleError::invalidSize for an element of 2^31 bytes or more.
  std::vector<std::uint8_t> data() const;
  void encode(std::vector<std::uint8_t>& out) const;
  // Writes data() to `p`, which has room for size() bytes; returns the end. Throws as data().
  std::uint8_t* writeTo(std::uint8_t* p) const;
  // The length of data().
  std::size_t size() const;
  // The bytes the bundle takes in memory, itself and its elements included (an estimate).
  std::size_t footprint() const;

  // Reads a bundle from received bytes, validating everything. Throws OSCBundleError or an
  // element's decoding error; never returns a partial bundle.
  static OSCBundle decode(std::span<const std::uint8_t> bytes);

  // "empty OSCBundle(1)" or "OSCBundle(1, values: \n<element>\n...)".
  std::string description() const;

  friend bool operator==(const OSCBundle& a, const OSCBundle& b);

 private:
  static OSCBundle decode(std::span<const std::uint8_t> bytes, int depth);
  friend class OSCObject;

  std::optional<OSCEndpoint> endpoint_;
  std::optional<DispatchTime> receiveTime_;
  std::uint64_t timetag_;
  std::vector<OSCObject> elements_;
};

}  // namespace osc

// Completes the element type for everyone who includes this header.
#include "osc/OSCObject.h"
