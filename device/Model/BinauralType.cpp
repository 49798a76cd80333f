#include "device/Model/BinauralType.h"

#include "device/Model/RawValueTable.h"

namespace device {
namespace {

constexpr TextCase<BinauralType> kCases[] = {
    {BinauralType::ortf185, "STEREOV3-185"}, {BinauralType::ortf185flat, "STEREOV3-185-flat"},
    {BinauralType::ortf200, "STEREOV3-200"}, {BinauralType::ortf230, "STEREOV3-230"},
    {BinauralType::ortf250, "STEREOV3-250"}, {BinauralType::ortf300, "STEREOV3-300"},
    {BinauralType::velto, "BINAURAL"},
};

}  // namespace

std::optional<BinauralType> RawValueTraits<BinauralType>::fromRaw(std::string_view raw) {
  return findCase(kCases, raw);
}
std::string RawValueTraits<BinauralType>::toRaw(BinauralType value) {
  return std::string(caseOf(kCases, value).raw);
}
std::string description(BinauralType value) { return std::string(caseOf(kCases, value).raw); }

}  // namespace device
