#include "device/Model/Hide.h"

#include "device/Model/RawValueTable.h"

namespace device {
namespace {

constexpr IntCase<Hide> kCases[] = {
    {Hide::hidden, 20, "hidden"},
    {Hide::visible, 0, "visible"},
};

}  // namespace

std::optional<Hide> RawValueTraits<Hide>::fromRaw(std::int64_t raw) { return findCase(kCases, raw); }
std::int64_t RawValueTraits<Hide>::toRaw(Hide value) { return std::int64_t(caseOf(kCases, value).raw); }
std::string description(Hide value) { return std::string(caseOf(kCases, value).description); }

}  // namespace device
