#include <gtest/gtest.h>

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

}  // namespace
