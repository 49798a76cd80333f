#include <gtest/gtest.h>

#include <re2/re2.h>

#include <string>

#include "device/Model/UnicodePattern.h"

namespace {

using device::FinalLineBreak;

TEST(UnicodePattern, ReadsClassesTheUnicodeWayOutsideBrackets) {
  struct Case {
    const char* syntax;
    FinalLineBreak dollar;
    std::string text;
    bool matches;
  };
  const Case cases[] = {
      {R"(^\S+$)", FinalLineBreak::notAllowed, "\u00C9t\u00E9", true},
      {R"(^\S+$)", FinalLineBreak::notAllowed, "a\u00A0b", false},
      {R"(^\S+$)", FinalLineBreak::notAllowed, "a\u3000b", false},
      {R"(^\d+$)", FinalLineBreak::notAllowed, "\u0663\u0664", true},  // Arabic-Indic digits
      {R"(^a.b$)", FinalLineBreak::notAllowed, "a\u00E9b", true},
      {R"(^a.b$)", FinalLineBreak::notAllowed, "a\rb", false},
      {R"(^a.b$)", FinalLineBreak::notAllowed, "a\u2028b", false},
      {R"(^a[.]b$)", FinalLineBreak::notAllowed, "axb", false},  // a point in brackets is a point
      {R"(^a[.]b$)", FinalLineBreak::notAllowed, "a.b", true},
      {R"(^a[]S.]b$)", FinalLineBreak::notAllowed, "a]b", true},
      {R"(^a\.b$)", FinalLineBreak::notAllowed, "axb", false},
      {R"(^a\$$)", FinalLineBreak::allowed, "a$", true},
      {R"(^a$)", FinalLineBreak::notAllowed, "a\n", false},
      {R"(^a$)", FinalLineBreak::allowed, "a\n", true},
      {R"(^a$)", FinalLineBreak::allowed, "a\r\n", true},
      {R"(^a$)", FinalLineBreak::allowed, "a\n\n", false},
  };
  for (const Case& c : cases) {
    const auto expression = device::unicodeExpression(c.syntax, c.dollar);
    ASSERT_TRUE(expression->ok()) << c.syntax;
    EXPECT_EQ(RE2::PartialMatch(c.text, *expression), c.matches) << c.syntax << " on " << c.text;
  }
}

}  // namespace
