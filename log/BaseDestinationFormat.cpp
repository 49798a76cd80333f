// The line formatter of BaseDestination: "$" tokens with widths, dates, uptime and context.
#include "log/BaseDestination.h"

#include "log/Utf8Text.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cstdio>
#include <limits>

namespace tallylog {

namespace {

struct WidthPrefix {
  std::int64_t width = 0;
  std::size_t length = 0;
};

WidthPrefix readWidth(std::string_view phrase) {
  const bool negative = phrase.starts_with('-');
  const std::size_t start = negative ? 1 : 0;
  std::size_t end = start;
  while (end < phrase.size() && phrase[end] >= '0' && phrase[end] <= '9') ++end;
  std::int64_t value = 0;
  if (end == start ||
      std::from_chars(phrase.data() + start, phrase.data() + end, value).ec != std::errc())
    return {};
  return {negative ? -value : value, end};
}

std::string padded(std::string_view text, std::int64_t width) {
  const auto wanted = static_cast<std::uint64_t>(width < 0 ? -width : width);
  const std::size_t count = characterCount(text);
  if (width == 0 || count >= wanted) return std::string(text);
  const std::string spaces(wanted - count, ' ');
  return width > 0 ? spaces + std::string(text) : std::string(text) + spaces;
}

std::string_view fileNameWithExtension(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view fileNameWithoutExtension(std::string_view path) {
  const std::string_view name = fileNameWithExtension(path);
  return name.substr(0, name.find('.'));
}

std::string contextText(const Tallylog::Context& context) {
  if (!context) return {};
  const std::string text =
      context->is_string()
          ? context->get<std::string>()
          : context->dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  return std::string(trimWhitespaceAndNewlines(text));
}

}  // namespace

std::string BaseDestination::formatMessage(std::string_view format, Level level,
                                           std::string_view msg, std::string_view thread,
                                           std::string_view file, std::string_view function,
                                           std::int64_t line, const Context& context) {
  const std::string prefixed = "$I" + std::string(format);
  std::string result;
  std::size_t phraseStart = 0;
  while (phraseStart <= prefixed.size()) {
    std::size_t phraseEnd = prefixed.find('$', phraseStart);
    if (phraseEnd == std::string::npos) phraseEnd = prefixed.size();
    const std::string_view phrase =
        std::string_view(prefixed).substr(phraseStart, phraseEnd - phraseStart);
    phraseStart = phraseEnd + 1;
    if (phrase.empty()) continue;

    const WidthPrefix prefix = readWidth(phrase);
    if (prefix.length == phrase.size()) {
      // A width without a token character is kept as written.
      result += phrase;
      continue;
    }
    const char token = phrase[prefix.length];
    const std::string_view rest = phrase.substr(prefix.length + 1);
    const auto w = [&](std::string_view text) { result += padded(text, prefix.width); };
    switch (token) {
      case 'I':
      case 'd':
      case 'z':
        result += rest;
        break;
      case 'L':
        w(levelName(level));
        result += rest;
        break;
      case 'M':
        w(msg);
        result += rest;
        break;
      case 'T':
        w(thread);
        result += rest;
        break;
      case 'N':
        w(fileNameWithoutExtension(file));
        result += rest;
        break;
      case 'n':
        w(fileNameWithExtension(file));
        result += rest;
        break;
      case 'F':
        w(function);
        result += rest;
        break;
      case 'l':
        w(std::to_string(line));
        result += rest;
        break;
      case 'D':
        w(formattedDate(rest, ""));
        break;
      case 'Z':
        w(formattedDate(rest, "UTC"));
        break;
      case 'U':
        w(uptimeText());
        result += rest;
        break;
      case 'C':
        result += escape;
        result += colorPrefix(level);
        result += rest;
        break;
      case 'c':
        result += reset;
        result += rest;
        break;
      case 'X':
        w(contextText(context));
        result += rest;
        break;
      default:
        result += phrase;
        break;
    }
  }
  result.resize(trimTrailingSpace(result).size());
  return result;
}

std::string BaseDestination::formattedDate(std::string_view pattern, std::string_view timeZone) {
  if (!timeZone.empty()) formatter_.setTimeZone(timeZone);
  formatter_.setCalendar(calendar);
  formatter_.setPattern(pattern);
  return formatter_.format(std::chrono::system_clock::now());
}

std::string BaseDestination::uptimeText() const {
  const double t =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - startDate_).count();
  const auto S = static_cast<std::int64_t>(t);
  const auto m = static_cast<std::int64_t>(t / 60);
  const std::int64_t h = S / 3600;
  const auto milliseconds = static_cast<int>((t - static_cast<double>(S)) * 1000);
  char text[64];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03d", static_cast<long long>(h),
                static_cast<long long>(m - 60 * h), static_cast<long long>(S - 60 * m),
                milliseconds);
  return text;
}

}  // namespace tallylog
