#include "core/IniText.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

namespace {

using namespace std::string_literals;

TEST(IniFindValue, ReadsAsThePlatformReads) {
  struct Case {
    std::string text;
    std::string_view section;
    std::string_view key;
    std::optional<std::string> expected;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"[Graphics]\nResolution=800x600\n", "Graphics", "Resolution", "800x600"},
           {"[graphics]\r\nRESOLUTION=1\r\n", "Graphics", "Resolution", "1"},
           {"[Graphics]\nResolution=\n", "Graphics", "Resolution", ""},
           {"[Graphics]\nResolution=   \n", "Graphics", "Resolution", ""},
           {"[Graphics]\nScreens=1\n", "Graphics", "Resolution", std::nullopt},
           {"[Net]\nResolution=1\n", "Graphics", "Resolution", std::nullopt},
           {"", "Graphics", "Resolution", std::nullopt},
           // Blanks around names and values; tabs and Ctrl+Z count as blanks.
           {"  [ Graphics ]  \n \t Resolution \t=\t 800 x 600 \x1a\n", "Graphics", "Resolution", "800 x 600"},
           // The name runs to the last ']'; text after it is ignored.
           {"[Net] ; channel\nUpdateChannel=2\n", "Net", "UpdateChannel", "2"},
           {"[a]]\nk=1\n", "a]", "k", "1"},
           {"[Graphics\nk=1\n", "Graphics", "k", std::nullopt},
           // The first of duplicate keys, and only the first section of a name.
           {"[a]\nk=1\nK=2\n", "a", "k", "1"},
           {"[a]\nx=1\n[b]\n[a]\ny=2\n", "a", "y", std::nullopt},
           {"[b]\nk=1\n[a]\nk=2\n[b]\nk=3\n", "a", "k", "2"},
           // A matching pair of quotes goes, the blanks inside stay.
           {"[a]\nk=\" x \"\n", "a", "k", " x "},
           {"[a]\nk='x'\n", "a", "k", "x"},
           {"[a]\nk='x\"\n", "a", "k", "'x\""},
           {"[a]\nk=\"\n", "a", "k", "\""},
           {"[a]\nk=\"a\"b\"\n", "a", "k", "a\"b"},
           // The value runs to the end of the line: no inline comments.
           {"[a]\nk=1 ; one\n", "a", "k", "1 ; one"},
           // Line ends: LF, CRLF and lone CR; no line end at all.
           {"[a]\rk=1\rj=2", "a", "j", "2"},
           {"[a]\r\n\r\nk=1", "a", "k", "1"},
           // Comments are not keys; a line without '=' is a key without a
           // value, and it hides later lines of its name.
           {"[a]\n;k=1\n#k=1\nk=2\n", "a", "k", "2"},
           {"[a]\nk\n", "a", "k", std::nullopt},
           {"[a]\n k \nk=2\n", "a", "k", std::nullopt},
           // Lines before the first header form the section "".
           {"k=0\n[a]\nk=1\n", "", "k", "0"},
           {"\xEF\xBB\xBF[a]\nk=1\n", "a", "k", "1"},
           // Bytes are bytes: a NUL does not end the file.
           {"[a]\nk=x\0y\nj=2\n"s, "a", "j", "2"},
       }) {
    SCOPED_TRACE(testing::Message() << "text: " << testing::PrintToString(c.text) << " " << c.section << "."
                                    << c.key);
    EXPECT_EQ(IniFindValue(c.text, c.section, c.key), c.expected);
  }
}

struct EditCase {
  std::string text;
  std::string_view section;
  std::string_view key;
  std::string expected;
};

void CheckSet(const EditCase& c, std::string_view value) {
  SCOPED_TRACE(testing::Message() << "text: " << testing::PrintToString(c.text));
  const std::string edited = IniSetValue(c.text, c.section, c.key, value);
  EXPECT_EQ(edited, c.expected);
  EXPECT_EQ(IniFindValue(edited, c.section, c.key), std::string(value));
}

TEST(IniSetValue, ReplacesOnlyTheValueBytes) {
  for (const EditCase& c : std::initializer_list<EditCase>{
           {"[Graphics]\nResolution=1x1\n", "Graphics", "Resolution", "[Graphics]\nResolution=800x600\n"},
           // The file's spelling, spacing and line ends stay.
           {"; mine\r\n\r\n  [graphics]  \r\n  RESOLUTION  =  1x1  \r\nScreens = 2\r\n", "Graphics", "Resolution",
            "; mine\r\n\r\n  [graphics]  \r\n  RESOLUTION  =  800x600  \r\nScreens = 2\r\n"},
           {"[Graphics]\rResolution=1x1\rA=1", "Graphics", "Resolution", "[Graphics]\rResolution=800x600\rA=1"},
           {"[Graphics]\nResolution=1x1", "Graphics", "Resolution", "[Graphics]\nResolution=800x600"},
           {"[Graphics]\nResolution=\n", "Graphics", "Resolution", "[Graphics]\nResolution=800x600\n"},
           {"[Graphics]\nResolution=   \n", "Graphics", "Resolution", "[Graphics]\nResolution=800x600   \n"},
           {"[Graphics]\nResolution=\"1x1\"\n", "Graphics", "Resolution", "[Graphics]\nResolution=800x600\n"},
           {"[Graphics]\n  Resolution  \nResolution=1x1\n", "Graphics", "Resolution",
            "[Graphics]\n  Resolution=800x600  \nResolution=1x1\n"},
           // Only the first of duplicate keys is the key; the second stays as it was.
           {"[Graphics]\nresolution=1x1\nResolution=2x2\n", "Graphics", "Resolution",
            "[Graphics]\nresolution=800x600\nResolution=2x2\n"},
           {"[Graphics]\nA=1\n[Graphics]\nResolution=2x2\n", "Graphics", "Resolution",
            "[Graphics]\nA=1\nResolution=800x600\n[Graphics]\nResolution=2x2\n"},
       })
    CheckSet(c, "800x600");
}

TEST(IniSetValue, AddsAMissingKeyAfterTheLastKeyOfItsSection) {
  for (const EditCase& c : std::initializer_list<EditCase>{
           {"[Graphics]\nA=1\n\n; next\n[Net]\nB=2\n", "Graphics", "Screens",
            "[Graphics]\nA=1\nScreens=2\n\n; next\n[Net]\nB=2\n"},
           {"[Graphics]\r\n[Net]\r\n", "Graphics", "Screens", "[Graphics]\r\nScreens=2\r\n[Net]\r\n"},
           {"[Net]\nB=2\n[Graphics]", "Graphics", "Screens", "[Net]\nB=2\n[Graphics]\nScreens=2\n"},
           {"[Graphics]\nA=1", "Graphics", "Screens", "[Graphics]\nA=1\nScreens=2\n"},
           {"[Graphics]\nA=1\nlooks like junk\n\n", "Graphics", "Screens",
            "[Graphics]\nA=1\nlooks like junk\nScreens=2\n\n"},
           {"; top\n[a]\n", "", "k", "k=2\n; top\n[a]\n"},
       })
    CheckSet(c, "2");
}

TEST(IniSetValue, AddsAMissingSectionAtTheEnd) {
  for (const EditCase& c : std::initializer_list<EditCase>{
           {"", "Net", "UpdateChannel", "[Net]\r\nUpdateChannel=1\r\n"},
           {"[Graphics]\nA=1\n", "Net", "UpdateChannel", "[Graphics]\nA=1\n[Net]\nUpdateChannel=1\n"},
           {"[Graphics]\r\nA=1", "Net", "UpdateChannel", "[Graphics]\r\nA=1\r\n[Net]\r\nUpdateChannel=1\r\n"},
           {"[Graphics]\rA=1\r", "Net", "UpdateChannel", "[Graphics]\rA=1\r[Net]\rUpdateChannel=1\r"},
           {"\xEF\xBB\xBF", "Net", "UpdateChannel", "\xEF\xBB\xBF[Net]\r\nUpdateChannel=1\r\n"},
           {"\xEF\xBB\xBF; c", "Net", "UpdateChannel", "\xEF\xBB\xBF; c\r\n[Net]\r\nUpdateChannel=1\r\n"},
           // A name inside a comment is no section.
           {"; [Net]\n", "Net", "UpdateChannel", "; [Net]\n[Net]\nUpdateChannel=1\n"},
       })
    CheckSet(c, "1");
}

TEST(IniDeleteKey, RemovesEveryLineOfTheKeyInItsSection) {
  for (const EditCase& c : std::initializer_list<EditCase>{
           {"[Path]\nSongs=C:\\x\nOther=1\n", "Path", "Songs", "[Path]\nOther=1\n"},
           {"[path]\r\n  SONGS = a \r\nsongs=b\r\n", "Path", "Songs", "[path]\r\n"},
           {"[Path]\nOther=1\nSongs=C:\\x", "Path", "Songs", "[Path]\nOther=1\n"},
           // Only in the first section of the name, which is the one read.
           {"[Path]\nSongs=a\n[Net]\nSongs=b\n[Path]\nSongs=c\n", "Path", "Songs",
            "[Path]\n[Net]\nSongs=b\n[Path]\nSongs=c\n"},
           {"[Path]\nOther=1\n", "Path", "Songs", "[Path]\nOther=1\n"},
           {"[Net]\nSongs=a\n", "Path", "Songs", "[Net]\nSongs=a\n"},
           {"", "Path", "Songs", ""},
       }) {
    SCOPED_TRACE(testing::Message() << "text: " << testing::PrintToString(c.text));
    const std::string edited = IniDeleteKey(c.text, c.section, c.key);
    EXPECT_EQ(edited, c.expected);
    EXPECT_EQ(IniFindValue(edited, c.section, c.key), std::nullopt);
  }
}

// Every edit must leave the values of all other keys as they read before,
// whatever the file looks like.
TEST(IniEdits, LeaveEveryOtherKeyReadingTheSame) {
  const std::string files[] = {
      "",
      "[Graphics]\nResolution=1x1\nFullScreen=on\nScreens=2\n[Path]\nSongs=C:\\S\n[Net]\nUpdateChannel=1\n",
      "; c\r\n\r\n[NET]\r\nupdatechannel = 2\r\n\r\n[graphics]\r\n  fullscreen=Off\r\n[Graphics]\r\nScreens=1",
      "Screens=9\r[Graphics]\rResolution=\"2x2\"\rResolution=3x3\r[Path]\r",
      "\xEF\xBB\xBF[Path]\nSongs=\n[Other]\nResolution=4x4\n[Graphics\nScreens=7\n",
      "[a]\0\n[Graphics]\nFullScreen=\0on\n"s,
  };
  const std::pair<std::string_view, std::string_view> keys[] = {
      {"Graphics", "Resolution"}, {"Graphics", "FullScreen"}, {"Graphics", "Screens"},
      {"Path", "Songs"},          {"Net", "UpdateChannel"},   {"Other", "Resolution"},
      {"", "Screens"},
  };
  for (const std::string& file : files) {
    for (const auto& [section, key] : keys) {
      SCOPED_TRACE(testing::Message() << testing::PrintToString(file) << " " << section << "." << key);
      for (const bool remove : {false, true}) {
        const std::string edited =
            remove ? IniDeleteKey(file, section, key) : IniSetValue(file, section, key, "new value");
        EXPECT_EQ(IniFindValue(edited, section, key),
                  remove ? std::nullopt : std::optional<std::string>("new value"));
        for (const auto& [otherSection, otherKey] : keys) {
          if (otherSection == section && otherKey == key) continue;
          EXPECT_EQ(IniFindValue(edited, otherSection, otherKey), IniFindValue(file, otherSection, otherKey))
              << otherSection << "." << otherKey << (remove ? " after deleting" : " after setting");
        }
      }
    }
  }
}

}  // namespace
