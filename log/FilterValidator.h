#pragma once
// Counts how the filters of a destination match one log call, group by group (exclusion filters,
// required filters, the others), and decides from the counts whether the call passes.
// Stateless; any thread.

#include "log/Filter.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace tallylog {

struct FilterValidator {
  enum class ValidationType { excluded, required, nonRequired };
  static constexpr ValidationType allValidationTypes[] = {
      ValidationType::excluded, ValidationType::required, ValidationType::nonRequired};

  struct Result {
    struct PartialMatchData {
      std::int64_t fullMatchCount = 0;
      std::int64_t conditionMatchCount = 0;
      std::int64_t logLevelMatchCount = 0;
      bool operator==(const PartialMatchData&) const = default;
    };
    enum class Kind { someFiltersMatch, allFiltersMatch, noFiltersMatchingType };

    Kind kind = Kind::noFiltersMatchingType;
    PartialMatchData partialMatchData;  // counts of someFiltersMatch
    bool operator==(const Result&) const = default;
  };

  // The facts of one log call; `function` is the caller's name, not shortened.
  struct ValidationInput {
    std::span<const std::shared_ptr<FilterType>> filters;
    Tallylog::Level level;
    std::string_view path;
    std::string_view function;
    std::optional<std::string_view> message;
  };

  static std::vector<std::shared_ptr<FilterType>> filters(
      std::span<const std::shared_ptr<FilterType>> filters, ValidationType type);
  static std::map<ValidationType, Result> validate(const ValidationInput& input,
                                                   std::span<const ValidationType> types);

  // The decision of a destination with a non-empty filter list. `excluded` tells whether an
  // exclusion filter dropped the call.
  static bool passes(const ValidationInput& input, Tallylog::Level destinationMinLevel,
                     bool& excluded);
};

}  // namespace tallylog
