#include "core/ConfigValues.h"

#include <gtest/gtest.h>

namespace {

TEST(SplitResolution, UpperCasesAndSplitsAtTheFirstX) {
  struct Case {
    std::string_view value;
    bool found;
    std::string_view width;
    std::string_view height;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"1280x1024", true, "1280", "1024"},
           {"800X600", true, "800", "600"},
           {"1024x768x32", true, "1024", "768X32"},
           {"x600", true, "", "600"},
           {"800x", true, "800", ""},
           {"x", true, "", ""},
           {" 800 x 600 ", true, " 800 ", " 600 "},
           {"abcxdef", true, "ABC", "DEF"},
           // Only ASCII letters change case.
           {"\xe9x\xe0", true, "\xe9", "\xe0"},
           {"800", false, "", ""},
           {"", false, "", ""},
           {"800*600", false, "", ""}}) {
    SCOPED_TRACE(c.value);
    const auto parts = SplitResolution(c.value);
    ASSERT_EQ(parts.has_value(), c.found);
    if (!parts) continue;
    EXPECT_EQ(parts->width, c.width);
    EXPECT_EQ(parts->height, c.height);
  }
}

TEST(ParseFullScreen, OnOffInAnyCase) {
  for (auto [value, expected] : std::initializer_list<std::pair<std::string_view, std::optional<bool>>>{
           {"on", true}, {"On", true}, {"ON", true}, {"oN", true}, {"off", false}, {"OFF", false},
           {"Off", false}, {"1", std::nullopt}, {"", std::nullopt}, {" on", std::nullopt}, {"onn", std::nullopt},
           {"yes", std::nullopt}}) {
    SCOPED_TRACE(value);
    EXPECT_EQ(ParseFullScreen(value), expected);
  }
}

TEST(ResolutionProblem, WholeNumbersAboveZeroPass) {
  for (auto [text, expected] : std::initializer_list<std::pair<std::string_view, std::string_view>>{
           {"1024", ""}, {"  768", ""}, {"$400", ""}, {"1", ""},
           {"abc", "'abc' is not a valid integer value"},
           {"", "'' is not a valid integer value"},
           {"800 ", "'800 ' is not a valid integer value"},
           {"0", "Resolution must be bigger than 0"},
           {"-640", "Resolution must be bigger than 0"},
           {"$FFFFFFFF", "Resolution must be bigger than 0"},
           {"4294967296", "'4294967296' is not a valid integer value"}}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ResolutionProblem(text), expected);
  }
}

}  // namespace
