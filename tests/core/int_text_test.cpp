#include "core/IntText.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

namespace {

struct Case {
  std::string_view text;
  std::optional<int32_t> expected;
};

void Check(const Case& c) {
  SCOPED_TRACE(testing::Message() << "text: \"" << c.text << "\"");
  EXPECT_EQ(ParseInt(c.text), c.expected);
}

TEST(ParseInt, DecimalWithBlanksAndSign) {
  for (const Case& c : std::initializer_list<Case>{
           {"0", 0}, {"42", 42}, {"007", 7}, {"   42", 42}, {"+42", 42}, {"-42", -42}, {"  -0", 0},
           {"1024", 1024}, {"00000000000000000001", 1},
           // Only leading blanks; the sign comes after them, digits straight after the sign.
           {"42 ", std::nullopt}, {"- 42", std::nullopt}, {"\t42", std::nullopt}, {"4 2", std::nullopt},
           {"+-1", std::nullopt}, {"--1", std::nullopt}})
    Check(c);
}

TEST(ParseInt, HexadecimalPrefixesInEitherCase) {
  for (const Case& c : std::initializer_list<Case>{
           {"$10", 16}, {"x10", 16}, {"X10", 16}, {"0x10", 16}, {"0X10", 16}, {"$ff", 255}, {"$FF", 255},
           {"$aBc", 0xABC}, {" -$10", -16}, {"+0x1F", 31}, {"$0", 0},
           {"$", std::nullopt}, {"0x", std::nullopt}, {"x", std::nullopt}, {"-$", std::nullopt},
           {"$g", std::nullopt}, {"0x0x1", std::nullopt}, {"$-1", std::nullopt}, {"10h", std::nullopt},
           {"00x10", std::nullopt}, {"# 10", std::nullopt}})
    Check(c);
}

TEST(ParseInt, ThirtyTwoBitRange) {
  for (const Case& c : std::initializer_list<Case>{
           {"2147483647", 2147483647}, {"-2147483648", INT32_MIN},
           {"2147483648", std::nullopt}, {"-2147483649", std::nullopt},
           {"99999999999999999999", std::nullopt},
           // Hexadecimal spells the 32-bit pattern.
           {"$7FFFFFFF", 2147483647}, {"$80000000", INT32_MIN}, {"$FFFFFFFF", -1}, {"-$1", -1},
           {"$00000000FFFFFFFF", -1}, {"$100000000", std::nullopt}, {"0x1FFFFFFFF", std::nullopt}})
    Check(c);
}

TEST(ParseInt, EmptyOrTrailingJunkFails) {
  for (const Case& c : std::initializer_list<Case>{
           {"", std::nullopt}, {"   ", std::nullopt}, {"+", std::nullopt}, {"-", std::nullopt},
           {"12abc", std::nullopt}, {"abc", std::nullopt}, {"1.5", std::nullopt}, {"1e3", std::nullopt},
           {"800x600", std::nullopt}, {std::string_view("12\0", 3), std::nullopt}})
    Check(c);
}

}  // namespace
