#include "core/Utf16Text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using namespace std::string_literals;

TEST(Utf16Text, MarkTellsTheByteOrder) {
  EXPECT_EQ(Utf16Mark("\xFF\xFE[\0"s), ByteOrder::LittleEndian);
  EXPECT_EQ(Utf16Mark("\xFE\xFF\0["s), ByteOrder::BigEndian);
  EXPECT_EQ(Utf16Mark("\xEF\xBB\xBF["), std::nullopt);
  EXPECT_EQ(Utf16Mark("\xFF"), std::nullopt);
  EXPECT_EQ(Utf16Mark("[a]"), std::nullopt);
}

// Each text as UTF-8, then as little-endian UTF-16.
TEST(Utf16Text, WellFormedTextGoesBothWays) {
  struct Case {
    std::string utf8;
    std::string utf16;
  };
  for (const Case& c : {
           Case{"", ""},
           Case{"k=1\r\n", "k\0=\0001\0\r\0\n\0"s},
           Case{"Zo\xC3\xAB", "Z\0o\0\xEB\0"s},                    // U+00EB
           Case{"\xCE\xA9", "\xA9\x03"s},                          // U+03A9
           Case{"\xEF\xBF\xBF", "\xFF\xFF"s},                      // U+FFFF
           Case{"\xF0\x9F\x8E\xA4", "\x3C\xD8\xA4\xDF"s},          // U+1F3A4, a surrogate pair
           Case{"\0"s, "\0\0"s},
       }) {
    SCOPED_TRACE(testing::PrintToString(c.utf8));
    EXPECT_EQ(Utf16ToUtf8(c.utf16, ByteOrder::LittleEndian), c.utf8);
    EXPECT_EQ(Utf8ToUtf16(c.utf8, ByteOrder::LittleEndian), c.utf16);
    std::string big = c.utf16;
    for (size_t i = 0; i + 1 < big.size(); i += 2) std::swap(big[i], big[i + 1]);
    EXPECT_EQ(Utf16ToUtf8(big, ByteOrder::BigEndian), c.utf8);
    EXPECT_EQ(Utf8ToUtf16(c.utf8, ByteOrder::BigEndian), big);
  }
}

// Such files cannot be written back byte for byte, so they are not decoded.
TEST(Utf16Text, MalformedUtf16IsRefused) {
  for (const std::string& bytes : {"a\0b"s, "\x00\xD8"s, "\x00\xD8z\0"s, "\x00\xDC\x00\xD8"s, "a\0\x00\xDC"s})
    EXPECT_EQ(Utf16ToUtf8(bytes, ByteOrder::LittleEndian), std::nullopt) << testing::PrintToString(bytes);
}

TEST(Utf16Text, BytesThatAreNoUtf8BecomeReplacementCharacters) {
  for (const std::string& text : {"\x80"s, "\xC3"s, "\xC0\x80"s, "\xED\xA0\x80"s, "\xF4\x90\x80\x80"s, "\xFF"s})
    EXPECT_EQ(Utf8ToUtf16(text + "x", ByteOrder::LittleEndian).substr(0, 2), "\xFD\xFF")
        << testing::PrintToString(text);
  EXPECT_EQ(Utf8ToUtf16("\xC3x", ByteOrder::LittleEndian), "\xFD\xFFx\0"s);
}

}  // namespace
