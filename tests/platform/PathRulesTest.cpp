#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/DataHome.h"
#include "platform/PathRules.h"

namespace {

TEST(PathRules, SplitsTheLastComponentAtItsLastDot) {
  struct Case { const char *path, *last, *extension, *withoutExtension, *stem; };
  const Case cases[] = {
      {"/home/u/Show (USER SHOW).vup", "Show (USER SHOW).vup", "vup", "/home/u/Show (USER SHOW)",
       "Show (USER SHOW)"},
      {".VELTOshow", ".VELTOshow", "VELTOshow", "", ""},
      {"a.b/Show", "Show", "", "a.b/Show", "Show"},
      {"Show.x.vup", "Show.x.vup", "vup", "Show.x", "Show.x"},
      {"Show.", "Show.", "", "Show", "Show"},
      {"dir/Show.vup/", "Show.vup", "vup", "dir/Show", "Show"},
      {"/", "/", "", "/", "/"},
      {"", "", "", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::lastPathComponent(c.path), c.last) << c.path;
    EXPECT_EQ(platform::pathExtension(c.path), c.extension) << c.path;
    EXPECT_EQ(platform::deletingPathExtension(c.path), c.withoutExtension) << c.path;
    EXPECT_EQ(platform::fileNameWithoutExtension(c.path), c.stem) << c.path;
  }
}

TEST(PathRules, PlainFileNames) {
  for (const char* name : {"Show.vup", "..vup", "a..b", " "})
    EXPECT_TRUE(platform::isPlainFileName(name)) << name;
  using namespace std::literals;
  for (std::string_view name : {""sv, "."sv, ".."sv, "../x.vup"sv, "a/b"sv, "/"sv, "a\0b"sv}) {
    EXPECT_FALSE(platform::isPlainFileName(name)) << name;
  }
}

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
