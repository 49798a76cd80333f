#include "device/Model/ConnectionMode.h"

#include "device/Model/RawValueTable.h"

namespace device {
namespace {

constexpr IntCase<ConnectionMode> kCases[] = {
    {ConnectionMode::Musician, 10, "Musician"},     {ConnectionMode::PPM, 20, "PPM"},
    {ConnectionMode::Technician, 30, "Technician"}, {ConnectionMode::Admin, 40, "Admin"},
    {ConnectionMode::Remote, 90, "Remote"},
};

}  // namespace

std::optional<ConnectionMode> RawValueTraits<ConnectionMode>::fromRaw(std::int64_t raw) {
  return findCase(kCases, raw);
}
std::int64_t RawValueTraits<ConnectionMode>::toRaw(ConnectionMode value) {
  return std::int64_t(caseOf(kCases, value).raw);
}
std::string description(ConnectionMode value) { return std::string(caseOf(kCases, value).description); }

}  // namespace device
