#include "platform/DateFormatter.h"

#include <unicode/calendar.h>
#include <unicode/fpositer.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <mutex>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace platform {
namespace {

// Abbreviations that ICU does not know as zone IDs, or knows with another meaning ("BST" is
// Bangladesh's there, "AST" Alaska's, "EST" a fixed offset). Each names its region's zone, so the
// standard and the daylight-saving abbreviation alike give the time the region's clocks show.
constexpr std::pair<std::string_view, const char*> regionZones[] = {
    {"ACDT", "Australia/Adelaide"},  {"ACST", "Australia/Adelaide"},
    {"ADT", "America/Halifax"},      {"AEDT", "Australia/Sydney"},
    {"AEST", "Australia/Sydney"},    {"AKDT", "America/Anchorage"},
    {"AKST", "America/Anchorage"},   {"ART", "America/Argentina/Buenos_Aires"},
    {"AST", "America/Halifax"},      {"AWST", "Australia/Perth"},
    {"BRT", "America/Sao_Paulo"},    {"BST", "Europe/London"},
    {"CDT", "America/Chicago"},      {"CEST", "Europe/Berlin"},
    {"CST", "America/Chicago"},      {"EDT", "America/New_York"},
    {"EEST", "Europe/Helsinki"},     {"EST", "America/New_York"},
    {"HKT", "Asia/Hong_Kong"},       {"ICT", "Asia/Bangkok"},
    {"IDT", "Asia/Jerusalem"},       {"KST", "Asia/Seoul"},
    {"MDT", "America/Denver"},       {"MSK", "Europe/Moscow"},
    {"MST", "America/Denver"},       {"NDT", "America/St_Johns"},
    {"NST", "America/St_Johns"},     {"NZDT", "Pacific/Auckland"},
    {"NZST", "Pacific/Auckland"},    {"PDT", "America/Los_Angeles"},
    {"PKT", "Asia/Karachi"},         {"PST", "America/Los_Angeles"},
    {"SAST", "Africa/Johannesburg"}, {"SGT", "Asia/Singapore"},
    {"WAT", "Africa/Lagos"},         {"WEST", "Europe/Lisbon"},
    {"WIB", "Asia/Jakarta"},
};

void check(UErrorCode status) {
  if (status == U_MEMORY_ALLOCATION_ERROR) throw std::bad_alloc();
  if (U_FAILURE(status)) throw std::runtime_error(std::string("ICU: ") + u_errorName(status));
}

icu::UnicodeString unicode(std::string_view text) {
  return icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

// ICU keeps the zone it first found as its default; this reads the system's zone (TZ, else
// /etc/localtime) anew. ICU reads the zone's name into a buffer of its own: one reader at a time.
icu::TimeZone* systemZone() {
  static std::mutex reading;
  const std::lock_guard lock(reading);
  return icu::TimeZone::detectHostTimeZone();
}

icu::TimeZone* zoneOf(std::string_view abbreviation) {
  const auto region = std::find_if(std::begin(regionZones), std::end(regionZones),
                                   [&](const auto& entry) { return entry.first == abbreviation; });
  icu::TimeZone* zone = icu::TimeZone::createTimeZone(
      region != std::end(regionZones) ? icu::UnicodeString(region->second) : unicode(abbreviation));
  if (*zone != icu::TimeZone::getUnknown()) return zone;
  delete zone;
  return systemZone();
}

}  // namespace

struct DateFormatter::State {
  icu::SimpleDateFormat format;
  // Absent until a zone is set: the system's zone found at construction applies.
  std::optional<std::string> abbreviation;
  std::string calendar = "gregorian";
  std::string pattern;
  // The text of the last whole second formatted and where its fractions of a second are (UTF-8
  // offset and length): a later moment of that second only changes those digits, which saves
  // ICU's per-field number formatting on most lines. Absent after a change of settings, and when
  // the pattern has a field other than a fraction that changes within a second.
  std::optional<std::int64_t> second;
  std::string text;
  std::vector<std::pair<std::size_t, std::size_t>> fractions;

  explicit State(UErrorCode& status)
      : format(icu::UnicodeString(), icu::Locale("en_US_POSIX"), status) {}
};

DateFormatter::DateFormatter() {
  UErrorCode status = U_ZERO_ERROR;
  state_ = std::make_unique<State>(status);
  check(status);
  state_->format.adoptTimeZone(systemZone());
}

DateFormatter::~DateFormatter() = default;

void DateFormatter::setTimeZone(std::string_view abbreviation) {
  if (state_->abbreviation == abbreviation) return;
  state_->format.adoptTimeZone(zoneOf(abbreviation));
  state_->abbreviation = abbreviation;
  state_->second.reset();
}

void DateFormatter::setCalendar(const Calendar& calendar) {
  if (state_->calendar == calendar.identifier()) return;
  const std::string locale = "en_US_POSIX@calendar=" + calendar.identifier();
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Calendar> made(icu::Calendar::createInstance(
      state_->format.getTimeZone(), icu::Locale(locale.c_str()), status));
  check(status);
  state_->format.adoptCalendar(made.release());
  state_->calendar = calendar.identifier();
  state_->second.reset();
}

void DateFormatter::setPattern(std::string_view pattern) {
  if (state_->pattern == pattern) return;
  state_->format.applyPattern(unicode(pattern));
  state_->pattern = pattern;
  state_->second.reset();
}

std::string DateFormatter::format(std::chrono::system_clock::time_point moment) {
  using namespace std::chrono;
  const auto milliseconds = floor<std::chrono::milliseconds>(moment.time_since_epoch());
  const auto second = floor<seconds>(milliseconds);
  State& state = *state_;
  if (state.second != second.count()) {
    icu::UnicodeString text;
    icu::FieldPositionIterator fields;
    UErrorCode status = U_ZERO_ERROR;
    state.format.format(static_cast<UDate>(milliseconds.count()), text, &fields, status);
    state.text.clear();
    text.toUTF8String(state.text);
    state.fractions.clear();
    bool reusable = U_SUCCESS(status);
    icu::FieldPosition field;
    while (fields.next(field)) {
      if (field.getField() == UDAT_MILLISECONDS_IN_DAY_FIELD) reusable = false;
      if (field.getField() != UDAT_FRACTIONAL_SECOND_FIELD) continue;
      std::string before;
      text.tempSubString(0, field.getBeginIndex()).toUTF8String(before);
      state.fractions.emplace_back(
          before.size(), static_cast<std::size_t>(field.getEndIndex() - field.getBeginIndex()));
    }
    state.second = reusable ? std::optional(second.count()) : std::nullopt;
  }
  // Fractions are left-aligned milliseconds: "S" gives tenths, "SSSS" a zero after them.
  const auto fraction = (milliseconds - second).count();
  const char digits[] = {static_cast<char>('0' + fraction / 100),
                         static_cast<char>('0' + fraction / 10 % 10),
                         static_cast<char>('0' + fraction % 10)};
  std::string out = state.text;
  for (const auto& [at, length] : state.fractions) {
    for (std::size_t k = 0; k < length; ++k) out[at + k] = k < 3 ? digits[k] : '0';
  }
  return out;
}

}  // namespace platform
