#pragma once
// Log filters: a filter examines one part of a log call (the calling file's path, the calling
// function's name or the message text) with a comparison, and carries its own minimum level and a
// required flag. Destinations hold shared FilterType references; filters never change after
// construction, so one filter may sit in several destinations and be read from any thread.
//
//   destination->addFilter(Filters::Path::contains({"Discoverer"}, false, true,
//   Tallylog::Level::debug));

#include "log/Tallylog.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallylog {

// Filter.ComparisonType: one of five list comparisons with a case-sensitivity flag, or a
// caller-supplied predicate (shared with every copy).
class FilterComparison {
 public:
  enum class Kind { StartsWith, Contains, Excludes, EndsWith, Equals, Custom };
  using Predicate = std::function<bool(std::string_view)>;

  static FilterComparison StartsWith(std::vector<std::string> strings, bool caseSensitive);
  static FilterComparison Contains(std::vector<std::string> strings, bool caseSensitive);
  static FilterComparison Excludes(std::vector<std::string> strings, bool caseSensitive);
  static FilterComparison EndsWith(std::vector<std::string> strings, bool caseSensitive);
  static FilterComparison Equals(std::vector<std::string> strings, bool caseSensitive);
  static FilterComparison Custom(Predicate predicate);

  Kind kind() const { return kind_; }
  const std::vector<std::string>& strings() const { return strings_; }
  bool caseSensitive() const { return caseSensitive_; }

  bool matches(std::string_view value) const;

 private:
  FilterComparison(Kind kind, std::vector<std::string> strings, bool caseSensitive,
                   std::shared_ptr<const Predicate> predicate);

  Kind kind_;
  std::vector<std::string> strings_;
  bool caseSensitive_;
  std::shared_ptr<const Predicate> predicate_;
};

// Filter.TargetType: which part of a call a filter examines, with its comparison. Two targets are
// equal when they name the same part, whatever their comparisons.
class FilterTarget {
 public:
  enum class Kind { Path, Function, Message };

  FilterTarget(Kind kind, FilterComparison comparison)
      : kind_(kind), comparison_(std::move(comparison)) {}
  static FilterTarget Path(FilterComparison comparison) {
    return {Kind::Path, std::move(comparison)};
  }
  static FilterTarget Function(FilterComparison comparison) {
    return {Kind::Function, std::move(comparison)};
  }
  static FilterTarget Message(FilterComparison comparison) {
    return {Kind::Message, std::move(comparison)};
  }

  Kind kind() const { return kind_; }
  const FilterComparison& comparison() const { return comparison_; }
  bool operator==(const FilterTarget& other) const { return kind_ == other.kind_; }

 private:
  Kind kind_;
  FilterComparison comparison_;
};

// The interface of every usable filter, as a destination's filter list holds it.
class FilterType {
 public:
  virtual ~FilterType() = default;
  // Whether the value satisfies the filter's comparison; an absent value never does.
  virtual bool matches(std::optional<std::string_view> value) const = 0;
  virtual const FilterTarget& target() const = 0;
  virtual bool isRequired() const = 0;
  virtual bool isExclusion() const = 0;
  virtual bool meetsMinLevel(Tallylog::Level level) const = 0;
};

// The shared part of every filter: target, required flag and minimum level. It does not compare
// by itself (matches is left to subclasses), so only its subclasses are usable filters.
class Filter : public FilterType {
 public:
  using ComparisonType = FilterComparison;
  using TargetType = FilterTarget;

  Filter(TargetType target, bool required, Tallylog::Level minLevel);

  const TargetType& target() const override { return targetType_; }
  bool isRequired() const override { return required_; }
  bool isExclusion() const override { return false; }
  bool meetsMinLevel(Tallylog::Level level) const override { return level >= minLevel_; }

 private:
  TargetType targetType_;
  bool required_;
  Tallylog::Level minLevel_;
};

class CompareFilter final : public Filter {
 public:
  CompareFilter(TargetType target, bool required, Tallylog::Level minLevel);

  bool matches(std::optional<std::string_view> value) const override;
  bool isExclusion() const override;

 private:
  std::optional<ComparisonType> filterComparisonType_;
};

// Builds CompareFilter objects whose target is `TargetKind`; reached as Filters::Path,
// Filters::Function and Filters::Message.
template <FilterTarget::Kind TargetKind>
class FilterFactory {
 public:
  using Level = Tallylog::Level;
  using Strings = std::vector<std::string>;

  static std::shared_ptr<FilterType> startsWith(Strings strings, bool caseSensitive = false,
                                                bool required = false,
                                                Level minLevel = Level::verbose) {
    return make(FilterComparison::StartsWith(std::move(strings), caseSensitive), required,
                minLevel);
  }
  static std::shared_ptr<FilterType> contains(Strings strings, bool caseSensitive = false,
                                              bool required = false,
                                              Level minLevel = Level::verbose) {
    return make(FilterComparison::Contains(std::move(strings), caseSensitive), required, minLevel);
  }
  static std::shared_ptr<FilterType> excludes(Strings strings, bool caseSensitive = false,
                                              bool required = false,
                                              Level minLevel = Level::verbose) {
    return make(FilterComparison::Excludes(std::move(strings), caseSensitive), required, minLevel);
  }
  static std::shared_ptr<FilterType> endsWith(Strings strings, bool caseSensitive = false,
                                              bool required = false,
                                              Level minLevel = Level::verbose) {
    return make(FilterComparison::EndsWith(std::move(strings), caseSensitive), required, minLevel);
  }
  static std::shared_ptr<FilterType> equals(Strings strings, bool caseSensitive = false,
                                            bool required = false,
                                            Level minLevel = Level::verbose) {
    return make(FilterComparison::Equals(std::move(strings), caseSensitive), required, minLevel);
  }
  static std::shared_ptr<FilterType> custom(bool required, Level minLevel,
                                            FilterComparison::Predicate predicate) {
    return make(FilterComparison::Custom(std::move(predicate)), required, minLevel);
  }

 private:
  static std::shared_ptr<FilterType> make(FilterComparison comparison, bool required,
                                          Level minLevel) {
    return std::make_shared<CompareFilter>(FilterTarget(TargetKind, std::move(comparison)),
                                           required, minLevel);
  }
};

using PathFilterFactory = FilterFactory<FilterTarget::Kind::Path>;
using FunctionFilterFactory = FilterFactory<FilterTarget::Kind::Function>;
using MessageFilterFactory = FilterFactory<FilterTarget::Kind::Message>;

struct Filters {
  using Path = PathFilterFactory;
  using Function = FunctionFilterFactory;
  using Message = MessageFilterFactory;
};

}  // namespace tallylog
