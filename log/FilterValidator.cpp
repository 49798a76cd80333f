#include "log/FilterValidator.h"

#include <algorithm>

namespace tallylog {

namespace {

bool belongsTo(const FilterType& filter, FilterValidator::ValidationType type) {
  switch (type) {
    case FilterValidator::ValidationType::excluded:
      return filter.isExclusion();
    case FilterValidator::ValidationType::required:
      return filter.isRequired() && !filter.isExclusion();
    case FilterValidator::ValidationType::nonRequired:
      return !filter.isRequired() && !filter.isExclusion();
  }
  return false;
}

bool conditionHolds(const FilterType& filter, const FilterValidator::ValidationInput& input) {
  switch (filter.target().kind()) {
    case FilterTarget::Kind::Path:
      return filter.matches(input.path);
    case FilterTarget::Kind::Function:
      return filter.matches(input.function);
    case FilterTarget::Kind::Message:
      return input.message && filter.matches(*input.message);
  }
  return false;
}

}  // namespace

std::vector<std::shared_ptr<FilterType>> FilterValidator::filters(
    std::span<const std::shared_ptr<FilterType>> filters, ValidationType type) {
  std::vector<std::shared_ptr<FilterType>> group;
  std::copy_if(
      filters.begin(), filters.end(), std::back_inserter(group),
      [type](const std::shared_ptr<FilterType>& filter) { return belongsTo(*filter, type); });
  return group;
}

std::map<FilterValidator::ValidationType, FilterValidator::Result> FilterValidator::validate(
    const ValidationInput& input, std::span<const ValidationType> types) {
  std::map<ValidationType, Result> results;
  for (const ValidationType type : types) {
    const auto group = filters(input.filters, type);
    Result result;
    if (!group.empty()) {
      Result::PartialMatchData counts;
      for (const auto& filter : group) {
        const bool condition = conditionHolds(*filter, input);
        const bool level = filter->meetsMinLevel(input.level);
        if (condition && level) {
          ++counts.fullMatchCount;
        } else if (condition) {
          ++counts.conditionMatchCount;
        } else if (level) {
          ++counts.logLevelMatchCount;
        }
      }
      if (counts.fullMatchCount == static_cast<std::int64_t>(group.size())) {
        result.kind = Result::Kind::allFiltersMatch;
      } else {
        result.kind = Result::Kind::someFiltersMatch;
        result.partialMatchData = counts;
      }
    }
    results[type] = result;
  }
  return results;
}

bool FilterValidator::passes(const ValidationInput& input, Tallylog::Level destinationMinLevel,
                             bool& excluded) {
  const auto results = validate(input, allValidationTypes);
  const auto kindOf = [&](ValidationType type) {
    const auto found = results.find(type);
    return found == results.end() ? Result::Kind::noFiltersMatchingType : found->second.kind;
  };
  excluded = kindOf(ValidationType::excluded) == Result::Kind::someFiltersMatch;
  if (excluded) return false;
  switch (kindOf(ValidationType::required)) {
    case Result::Kind::allFiltersMatch:
      return true;
    case Result::Kind::someFiltersMatch:
      return false;
    case Result::Kind::noFiltersMatchingType:
      break;
  }
  const bool levelTest = input.level >= destinationMinLevel;
  switch (kindOf(ValidationType::nonRequired)) {
    case Result::Kind::allFiltersMatch:
      return true;
    case Result::Kind::noFiltersMatchingType:
      return levelTest;
    case Result::Kind::someFiltersMatch: {
      const auto& counts = results.at(ValidationType::nonRequired).partialMatchData;
      if (counts.fullMatchCount > 0) return true;
      if (counts.conditionMatchCount > 0) return false;
      return levelTest;
    }
  }
  return levelTest;
}

}  // namespace tallylog
