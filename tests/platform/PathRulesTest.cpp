#include <gtest/gtest.h>

#include "platform/FileType.h"
#include "platform/PathRules.h"

namespace {

TEST(PathRules, SplitsTheLastComponentAtItsLastDot) {
  struct Case {
    const char* path;
    const char* last;
    const char* extension;
    const char* withoutExtension;
    const char* stem;
  };
  const Case cases[] = {
      {"Show.VELTOshow", "Show.VELTOshow", "VELTOshow", "Show", "Show"},
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
    SCOPED_TRACE(c.path);
    EXPECT_EQ(platform::lastPathComponent(c.path), c.last);
    EXPECT_EQ(platform::pathExtension(c.path), c.extension);
    EXPECT_EQ(platform::deletingPathExtension(c.path), c.withoutExtension);
    EXPECT_EQ(platform::fileNameWithoutExtension(c.path), c.stem);
  }
}

TEST(FileType, MatchesItsExtensionExactly) {
  const auto type = platform::FileType::exported("vup");
  EXPECT_EQ(type.filenameExtension, "vup");
  EXPECT_TRUE(type.conformsToData);
  EXPECT_TRUE(type.matches("/x/Show.vup"));
  EXPECT_FALSE(type.matches("Show.VUP"));
  EXPECT_FALSE(type.matches("vup"));
  EXPECT_NE(type.identifier, platform::FileType::exported("VELTOshow").identifier);
}

}  // namespace
