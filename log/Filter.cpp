#include "log/Filter.h"

#include "log/Utf8Text.h"

#include <algorithm>

namespace tallylog {

FilterComparison::FilterComparison(Kind kind, std::vector<std::string> strings, bool caseSensitive,
                                   std::shared_ptr<const Predicate> predicate)
    : kind_(kind),
      strings_(std::move(strings)),
      caseSensitive_(caseSensitive),
      predicate_(std::move(predicate)) {}

FilterComparison FilterComparison::StartsWith(std::vector<std::string> strings,
                                              bool caseSensitive) {
  return {Kind::StartsWith, std::move(strings), caseSensitive, nullptr};
}
FilterComparison FilterComparison::Contains(std::vector<std::string> strings, bool caseSensitive) {
  return {Kind::Contains, std::move(strings), caseSensitive, nullptr};
}
FilterComparison FilterComparison::Excludes(std::vector<std::string> strings, bool caseSensitive) {
  return {Kind::Excludes, std::move(strings), caseSensitive, nullptr};
}
FilterComparison FilterComparison::EndsWith(std::vector<std::string> strings, bool caseSensitive) {
  return {Kind::EndsWith, std::move(strings), caseSensitive, nullptr};
}
FilterComparison FilterComparison::Equals(std::vector<std::string> strings, bool caseSensitive) {
  return {Kind::Equals, std::move(strings), caseSensitive, nullptr};
}
FilterComparison FilterComparison::Custom(Predicate predicate) {
  return {Kind::Custom, {}, false, std::make_shared<const Predicate>(std::move(predicate))};
}

bool FilterComparison::matches(std::string_view value) const {
  if (kind_ == Kind::Custom) return predicate_ && (*predicate_)(value);
  const std::string loweredValue = caseSensitive_ ? std::string() : lowercased(value);
  const std::string_view subject = caseSensitive_ ? value : std::string_view(loweredValue);
  return std::any_of(strings_.begin(), strings_.end(), [&](const std::string& string) {
    const std::string loweredString = caseSensitive_ ? std::string() : lowercased(string);
    const std::string_view needle =
        caseSensitive_ ? std::string_view(string) : std::string_view(loweredString);
    switch (kind_) {
      case Kind::StartsWith:
        return subject.starts_with(needle);
      case Kind::Contains:
        return subject.find(needle) != std::string_view::npos;
      case Kind::Excludes:
        return subject.find(needle) == std::string_view::npos;
      case Kind::EndsWith:
        return subject.ends_with(needle);
      case Kind::Equals:
        return subject == needle;
      case Kind::Custom:
        break;
    }
    return false;
  });
}

Filter::Filter(TargetType target, bool required, Tallylog::Level minLevel)
    : targetType_(std::move(target)), required_(required), minLevel_(minLevel) {}

CompareFilter::CompareFilter(TargetType target, bool required, Tallylog::Level minLevel)
    : Filter(target, required, minLevel), filterComparisonType_(target.comparison()) {}

bool CompareFilter::matches(std::optional<std::string_view> value) const {
  return value && filterComparisonType_ && filterComparisonType_->matches(*value);
}

bool CompareFilter::isExclusion() const {
  return filterComparisonType_ && filterComparisonType_->kind() == ComparisonType::Kind::Excludes;
}

}  // namespace tallylog
