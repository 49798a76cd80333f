#include "device/Model/RenderMode.h"

#include "device/Model/RawValueTable.h"

namespace device {
namespace {

constexpr IntCase<RenderMode> kCases[] = {
    {RenderMode::mono, 1, "mono"},
    {RenderMode::stereo, 2, "stereo"},
    {RenderMode::threeD, 3, "3D"},
    {RenderMode::iThreeD, 4, "i3D"},
};

}  // namespace

std::optional<RenderMode> RawValueTraits<RenderMode>::fromRaw(std::int64_t raw) {
  return findCase(kCases, raw);
}
std::int64_t RawValueTraits<RenderMode>::toRaw(RenderMode value) {
  return std::int64_t(caseOf(kCases, value).raw);
}
std::string description(RenderMode value) { return std::string(caseOf(kCases, value).description); }

}  // namespace device
