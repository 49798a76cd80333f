#include "platform/DataHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

void setOrUnset(const char* variable, const std::optional<std::string>& value) {
  if (value) {
    ::setenv(variable, value->c_str(), 1);
  } else {
    ::unsetenv(variable);
  }
}

TEST(DataHome, AbsoluteXdgDataHomeElseTheHomeFolder) {
  struct Case {
    std::optional<std::string> dataHome, home;
    std::string expected;
  };
  const Case cases[] = {
      {"/data/home/", "/home/u", "/data/home"},
      {"relative/data", "/home/u", "/home/u/.local/share"},
      {"", "/home/u/", "/home/u/.local/share"},
      {std::nullopt, "/", "/.local/share"},
  };
  for (const Case& c : cases) {
    setOrUnset("XDG_DATA_HOME", c.dataHome);
    setOrUnset("HOME", c.home);
    EXPECT_EQ(platform::dataHomePath(), c.expected) << c.dataHome.value_or("(unset)");
  }
  // Without a usable $HOME the password database names the home folder.
  ::unsetenv("XDG_DATA_HOME");
  ::setenv("HOME", "relative", 1);
  const std::string fromDatabase = platform::dataHomePath();
  EXPECT_TRUE(fromDatabase.empty() || (fromDatabase.starts_with("/") && fromDatabase.ends_with("/.local/share")))
      << fromDatabase;
}

}  // namespace
