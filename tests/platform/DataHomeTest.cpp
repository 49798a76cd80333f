#include "platform/DataHome.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(DataHome, AbsoluteXdgDataHomeElseTheHomeFolder) {
  const char* cases[][3] = {
      // XDG_DATA_HOME (null: unset), HOME, expected
      {"/data/home/", "/home/u", "/data/home"},
      {"relative/data", "/home/u", "/home/u/.local/share"},
      {"", "/home/u/", "/home/u/.local/share"},
      {nullptr, "/", "/.local/share"},
  };
  for (const auto& [dataHome, home, expected] : cases) {
    dataHome ? ::setenv("XDG_DATA_HOME", dataHome, 1) : ::unsetenv("XDG_DATA_HOME");
    ::setenv("HOME", home, 1);
    EXPECT_EQ(platform::dataHomePath(), expected) << (dataHome ? dataHome : "(unset)");
  }
  // Without a usable $HOME the password database names the home folder.
  ::setenv("HOME", "relative", 1);
  const std::string fromDatabase = platform::dataHomePath();
  EXPECT_TRUE(fromDatabase.empty() || (fromDatabase.starts_with("/") && fromDatabase.ends_with("/.local/share")));
}

}  // namespace
