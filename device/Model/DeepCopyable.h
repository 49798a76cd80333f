#pragma once
// Independent copies of model objects. Reference-like model objects are shared through
// std::shared_ptr by several owners; a deep copy is a new object tree sharing no mutable object
// with its source, so the copy can be edited without touching the source.
//
// A conformer declares the copying constructor `T(DeepCopyTag, const T& source)`: it starts from
// the type's own defaults and takes the source's values, copying nested model objects with
// deepCopy (never sharing them). Value types answer with a plain copy. A copy is made on the
// caller's thread; the caller keeps the source unchanged meanwhile.

#include <concepts>
#include <memory>
#include <vector>

namespace device {

struct DeepCopyTag {
  explicit DeepCopyTag() = default;
};
inline constexpr DeepCopyTag deepCopyTag{};

template <typename T>
concept DeepCopyable = std::constructible_from<T, DeepCopyTag, const T&>;

// A new object made by T's copying constructor; an empty pointer copies to an empty pointer.
template <DeepCopyable T>
std::shared_ptr<T> deepCopy(const std::shared_ptr<T>& source) {
  return source ? std::make_shared<T>(deepCopyTag, *source) : nullptr;
}

// Element by element, in order, into a new list of the same length.
template <DeepCopyable T>
std::vector<std::shared_ptr<T>> deepCopy(const std::vector<std::shared_ptr<T>>& source) {
  std::vector<std::shared_ptr<T>> copy;
  copy.reserve(source.size());
  for (const auto& element : source) copy.push_back(deepCopy(element));
  return copy;
}

}  // namespace device
