#include "log/CloudLoggingDestination.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace tallylog {
namespace {

using Level = Tallylog::Level;
using nlohmann::json;

Tallylog::Context context(json value) { return std::make_shared<const json>(std::move(value)); }

json sent(CloudLoggingDestination& destination, Level level, const Tallylog::Context& callContext) {
  ::testing::internal::CaptureStdout();
  const auto text = destination.send(level, "hello", "thread", "/src/net/Socket.cpp", "connect()",
                                     42, callContext);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), text.value_or("") + "\n");
  return json::parse(text.value_or("null"));
}

TEST(CloudLoggingDestination, EntriesAreWrittenSynchronously) {
  CloudLoggingDestination destination("velto");
  destination.setAsynchronously(true);
  EXPECT_FALSE(destination.asynchronously());
  const json location = {
      {"filePath", "/src/net/Socket.cpp"}, {"lineNumber", 42}, {"functionName", "connect()"}};
  const json full = sent(destination, Level::info, {});
  EXPECT_EQ(full, json({{"serviceContext", {{"service", "velto"}}},
                        {"message", "hello"},
                        {"severity", "INFO"},
                        {"context", {{"reportLocation", location}}}}));

  const std::pair<Level, const char*> severities[] = {
      {Level::verbose, "DEBUG"}, {Level::debug, "DEBUG"},       {Level::warning, "WARNING"},
      {Level::error, "ERROR"},   {Level::critical, "CRITICAL"}, {Level::fault, "FAULT"}};
  for (const auto& [level, name] : severities)
    EXPECT_EQ(sent(destination, level, {})["severity"], name);

  const json request = {{"method", "GET"}, {"status", 200}};
  EXPECT_EQ(sent(destination, Level::info,
                 context({{"user", "ann"}, {"httpRequest", request}, {"other", 1}}))["context"],
            json({{"reportLocation", location}, {"httpRequest", request}, {"user", "ann"}}));
  for (const json& ignored : {json({{"user", 7}, {"httpRequest", "text"}}), json("just text")})
    EXPECT_EQ(sent(destination, Level::info, context(ignored))["context"],
              json({{"reportLocation", location}}));
}

TEST(CloudLoggingDestination, FallbackEntryIsValidJson) {
  const std::string fallbackMessage =
      "Error encoding JSON log entry. You may be losing log messages!";
  EXPECT_EQ(
      CloudLoggingDestination::fallbackEntry("/a/F.cpp", "g()", 5),
      R"x({"context":{"reportLocation":{"filePath": "/a/F.cpp","functionName":"g()","lineNumber":5}},)x"
      R"x("severity":"CRITICAL","message":")x" +
          fallbackMessage + R"x("})x");

  CloudLoggingDestination destination("velto");
  ::testing::internal::CaptureStdout();
  const auto text = destination.send(Level::info, "bad \xC3 byte", "", "C:\\dir\\\"quoted\".cpp",
                                     "f\xFF()", 3, {});
  ::testing::internal::GetCapturedStdout();
  const json entry = json::parse(*text);
  EXPECT_EQ(entry["severity"], "CRITICAL");
  EXPECT_EQ(entry["message"], fallbackMessage);
  EXPECT_EQ(entry["context"]["reportLocation"], json({{"filePath", "C:\\dir\\\"quoted\".cpp"},
                                                      {"functionName", "f\uFFFD()"},
                                                      {"lineNumber", 3}}));
}

}  // namespace
}  // namespace tallylog
