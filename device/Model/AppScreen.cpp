#include "device/Model/AppScreen.h"

#include "device/Model/RawValueTable.h"

namespace device {
namespace {

constexpr TextCase<AppScreen> kCases[] = {
    {AppScreen::faders1, "FADERS1"}, {AppScreen::faders2, "FADERS2"},
    {AppScreen::stage1, "STAGE1"},   {AppScreen::stage2, "STAGE2"},
    {AppScreen::meters, "METERS"},   {AppScreen::config, "CONFIG"},
    {AppScreen::none, "NONE"},       {AppScreen::channelDetails, "CHANNELDETAILS"},
};

}  // namespace

std::optional<AppScreen> RawValueTraits<AppScreen>::fromRaw(std::string_view raw) {
  return findCase(kCases, raw);
}
std::string RawValueTraits<AppScreen>::toRaw(AppScreen value) {
  return std::string(caseOf(kCases, value).raw);
}
std::string description(AppScreen value) { return std::string(caseOf(kCases, value).raw); }

}  // namespace device
