#include "log/BaseDestination.h"
#include "log/FilterValidator.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace tallylog {
namespace {

using Level = Tallylog::Level;
using Filterlist = std::vector<std::shared_ptr<FilterType>>;

TEST(Filters, DecisionTable) {
  struct Case {
    const char* name;
    Filterlist filters;
    Level destinationMin, level;
    std::string path, function;
    std::optional<std::string> message;
    bool passes;
  };
  const auto secret = Filters::Message::excludes({"secret"}, false, false, Level::verbose);
  const auto both = Filters::Message::excludes({"alpha", "beta"}, true, false, Level::verbose);
  const auto highExclusion = Filters::Path::excludes({"nowhere"}, true, true, Level::error);
  const auto excludeAll = Filters::Path::excludes({}, true, false, Level::verbose);
  const auto requiredNet = Filters::Path::contains({"/net/"}, true, true, Level::verbose);
  const auto requiredSocket =
      Filters::Function::startsWith({"connect"}, true, true, Level::verbose);
  const auto anyFunction = Filters::Function::contains({"n"}, true, false, Level::verbose);
  const auto errorsFromOsc = Filters::Path::contains({"/osc/"}, true, false, Level::error);
  const auto messageHello = Filters::Message::contains({"hello"}, true, false, Level::verbose);
  const auto functionSend = Filters::Function::contains({"send"}, true, false, Level::verbose);
  // clang-format off
  const Case cases[] = {
      {"exclusion word any case", {secret}, Level::verbose, Level::debug, "/a.cpp", "f()", "A SECRET plan", false},
      {"exclusion word absent", {secret}, Level::verbose, Level::debug, "/a.cpp", "f()", "plain", true},
      {"exclusion needs both strings", {both}, Level::verbose, Level::info, "/a.cpp", "f()", "alpha and beta", false},
      {"exclusion lacks one string", {both}, Level::verbose, Level::info, "/a.cpp", "f()", "alpha only", true},
      {"exclusion above call level", {highExclusion}, Level::verbose, Level::warning, "/a.cpp", "f()", {}, false},
      {"exclusion with empty list", {excludeAll}, Level::verbose, Level::fault, "/a.cpp", "f()", {}, false},
      {"required fails despite other match", {requiredNet, anyFunction}, Level::verbose, Level::info, "/osc/a.cpp", "run()", {}, false},
      {"two required both match", {requiredNet, requiredSocket}, Level::fault, Level::verbose, "/net/Socket.cpp", "connect(to:)", {}, true},
      {"two required one fails", {requiredNet, requiredSocket}, Level::verbose, Level::info, "/net/Socket.cpp", "close()", {}, false},
      {"path filter above call level", {errorsFromOsc}, Level::verbose, Level::warning, "/osc/Server.cpp", "f()", {}, false},
      {"path filter other path", {errorsFromOsc}, Level::verbose, Level::warning, "/net/Socket.cpp", "f()", {}, true},
      {"path filter other path below minimum", {errorsFromOsc}, Level::error, Level::warning, "/net/Socket.cpp", "f()", {}, false},
      {"path filter full match", {errorsFromOsc}, Level::fault, Level::error, "/osc/Server.cpp", "f()", {}, true},
      {"message filter without message", {messageHello}, Level::fault, Level::info, "/a.cpp", "f()", {}, false},
      {"message filter with message", {messageHello}, Level::fault, Level::info, "/a.cpp", "f()", "hello", true},
      {"function filter over minimum", {functionSend}, Level::error, Level::verbose, "/a.cpp", "send(_:)", {}, true},
      {"exclusion passes, then required", {secret, requiredNet}, Level::verbose, Level::info, "/net/a.cpp", "f()", "ok", true},
  };
  // clang-format on
  for (const Case& c : cases) {
    BaseDestination destination;
    destination.filters = c.filters;
    destination.minLevel = c.destinationMin;
    const auto message = c.message ? std::optional<std::string_view>(*c.message) : std::nullopt;
    EXPECT_EQ(destination.passesLevelAndFilters(c.level, c.path, c.function, message), c.passes)
        << c.name;
  }
}

TEST(Filters, Comparisons) {
  // clang-format off
  const std::tuple<FilterComparison, std::string, bool> cases[] = {
      {FilterComparison::Equals({"Socket"}, false), "SOCKET", true},
      {FilterComparison::Equals({"Socket"}, true), "SOCKET", false},
      {FilterComparison::StartsWith({"x", "/net"}, true), "/net/Socket.cpp", true},
      {FilterComparison::EndsWith({".CPP"}, false), "/net/Socket.cpp", true},
      {FilterComparison::Contains({"ÄRGER"}, false), "viel ärger hier", true},
      {FilterComparison::Contains({"\u0490\u0389\u1EA0\u0531\uFF21"}, false), "x \u0491\u03AE\u1EA1\u0561\uFF41", true},
      {FilterComparison::Contains({}, false), "anything", false},
      {FilterComparison::Excludes({"a"}, true), "bcd", true},
  };
  // clang-format on
  for (const auto& [comparison, value, matches] : cases)
    EXPECT_EQ(comparison.matches(value), matches) << value;

  std::vector<std::string> seen;
  const auto custom = Filters::Path::custom(false, Level::verbose, [&](std::string_view value) {
    seen.emplace_back(value);
    return true;
  });
  EXPECT_TRUE(custom->matches("/a/b.cpp"));
  EXPECT_FALSE(custom->matches(std::nullopt));
  EXPECT_EQ(seen, std::vector<std::string>{"/a/b.cpp"});
}

TEST(Filters, ValidatorGroupsAndCounts) {
  const Filterlist filters = {
      Filters::Path::contains({"/net/"}, true, false, Level::error),
      Filters::Function::equals({"f()"}, true, false, Level::verbose),
      Filters::Message::contains({"x"}, true, false, Level::verbose),
      Filters::Path::excludes({"/net/"}, true, true, Level::verbose),
  };
  using Type = FilterValidator::ValidationType;
  const std::pair<Type, std::size_t> groups[] = {
      {Type::excluded, 1}, {Type::required, 0}, {Type::nonRequired, 3}};
  for (const auto& [type, size] : groups)
    EXPECT_EQ(FilterValidator::filters(filters, type).size(), size);
  const Filterlist nonExcluding(filters.begin(), filters.end() - 1);
  const FilterValidator::ValidationInput input{nonExcluding, Level::info, "/net/a.cpp", "f()",
                                               std::nullopt};
  const auto results = FilterValidator::validate(input, FilterValidator::allValidationTypes);
  using Result = FilterValidator::Result;
  for (Type type : {Type::excluded, Type::required})
    EXPECT_EQ(results.at(type).kind, Result::Kind::noFiltersMatchingType);
  const Result& others = results.at(Type::nonRequired);
  EXPECT_EQ(others.kind, Result::Kind::someFiltersMatch);
  EXPECT_EQ(others.partialMatchData, (Result::PartialMatchData{1, 1, 1}));
}

}  // namespace
}  // namespace tallylog
