#pragma once
// A value kept inside a closed range: every write is clamped into [lower, upper]. The owner stores
// it as `_field` and exposes the plain value; it is part of the owner's storage and follows the
// owner's threading rules. Copies are independent (value and both bounds).

#include <utility>

namespace device {

template <typename T>
class Clamped {
 public:
  // The initial value is clamped too; the range never changes afterwards. Requires lower <= upper.
  constexpr Clamped(T value, T lower, T upper) : lower_(lower), upper_(upper), value_(clamp(value)) {}

  constexpr const T& get() const { return value_; }
  constexpr operator const T&() const { return value_; }
  constexpr void set(T value) { value_ = clamp(std::move(value)); }
  constexpr Clamped& operator=(T value) {
    set(std::move(value));
    return *this;
  }

  // Read-modify-write: `change` gets a temporary copy of the value; when it returns, or leaves by
  // an exception, the temporary is clamped and stored.
  template <typename Change>
  constexpr void modify(Change&& change) {
    struct Store {
      Clamped& owner;
      T temporary;
      constexpr ~Store() { owner.set(std::move(temporary)); }
    } store{*this, value_};
    std::forward<Change>(change)(store.temporary);
  }

  constexpr const T& lowerBound() const { return lower_; }
  constexpr const T& upperBound() const { return upper_; }

  // Two comparisons in this order, not std::clamp: a value equal to the lower bound is replaced by
  // the bound itself (-0.0 against 0.0 gives 0.0), and NaN fails both and passes unchanged.
  constexpr T clamp(T x) const {
    T m = lower_ >= x ? lower_ : std::move(x);
    return upper_ < m ? upper_ : m;
  }

 private:
  T lower_;
  T upper_;
  T value_;
};

}  // namespace device
