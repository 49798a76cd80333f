#include "platform/Calendar.h"

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace platform {

Calendar Calendar::current() {
  std::string_view name;
  for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') {
      name = value;
      break;
    }
  }
  // "language_REGION.codeset@modifier": ICU reads "language_REGION", and a modifier of the form
  // "key=value" as its keywords.
  const std::size_t at = std::min(name.find('@'), name.size());
  std::string id(name.substr(0, std::min(name.find('.'), at)));
  if (name.find('=', at) != std::string_view::npos) id += name.substr(at);
  UErrorCode status = U_ZERO_ERROR;
  const std::unique_ptr<icu::Calendar> calendar(
      icu::Calendar::createInstance(*icu::TimeZone::getGMT(), icu::Locale(id.c_str()), status));
  if (U_FAILURE(status)) return Calendar("gregorian");
  return Calendar(calendar->getType());
}

}  // namespace platform
