#include "device/Model/StereoType.h"

#include "device/Model/RawValueTable.h"

namespace device {
namespace {

constexpr TextCase<StereoType> kCases[] = {
    {StereoType::ortf185, "STEREOV3-185"}, {StereoType::ortf185flat, "STEREOV3-185-flat"},
    {StereoType::ortf200, "STEREOV3-200"}, {StereoType::ortf230, "STEREOV3-230"},
    {StereoType::ortf250, "STEREOV3-250"}, {StereoType::ortf300, "STEREOV3-300"},
    {StereoType::velto1, "STEREO"},        {StereoType::velto2, "STEREOV2"},
    {StereoType::brevan1, "STEREOB1"},     {StereoType::brevan2, "STEREOB2"},
};

}  // namespace

std::optional<StereoType> RawValueTraits<StereoType>::fromRaw(std::string_view raw) {
  return findCase(kCases, raw);
}
std::string RawValueTraits<StereoType>::toRaw(StereoType value) {
  return std::string(caseOf(kCases, value).raw);
}
std::string description(StereoType value) { return std::string(caseOf(kCases, value).raw); }

}  // namespace device
