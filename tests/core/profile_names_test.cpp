#include <gtest/gtest.h>

#include "core/ProfileNames.h"

namespace {

struct Case {
  const char* name;
  NameFault fault;
};

void ExpectFaults(std::initializer_list<Case> cases, LeadBytePredicate isLeadByte = nullptr) {
  for (const auto& c : cases) EXPECT_EQ(CheckFileName(c.name, isLeadByte), c.fault) << '"' << c.name << '"';
}

TEST(ProfileNamesTest, OrdinaryNamesPass) {
  ExpectFaults({
      {"Anna", NameFault::None},
      {"Anna Maria", NameFault::None},
      {" leading blank", NameFault::None},
      {".hidden", NameFault::None},
      {"a..b", NameFault::None},
      {"...x", NameFault::None},
      {"\xC1nna", NameFault::None},  // accented letter of code page 1252
      {"x=1;[y]", NameFault::None},
      {"avatar.jpg", NameFault::None},
  });
}

TEST(ProfileNamesTest, CharactersAFileNameCannotHold) {
  ExpectFaults({
      {"a\\b", NameFault::Separator},
      {"..\\..\\Windows", NameFault::Separator},
      {"a/b", NameFault::Separator},
      {"C:", NameFault::Separator},
      {"C:x", NameFault::Separator},
      {"a*", NameFault::ReservedCharacter},
      {"who?", NameFault::ReservedCharacter},
      {"\"q\"", NameFault::ReservedCharacter},
      {"<a>", NameFault::ReservedCharacter},
      {"a|b", NameFault::ReservedCharacter},
      {"tab\there", NameFault::ControlCharacter},
      {"line\r\nbreak", NameFault::ControlCharacter},
      {"\x1F", NameFault::ControlCharacter},
  });
}

TEST(ProfileNamesTest, NamesWindowsReadsDifferently) {
  ExpectFaults({
      {"", NameFault::Empty},
      {".", NameFault::DotName},
      {"..", NameFault::DotName},
      {"Anna.", NameFault::TrailingDotOrBlank},
      {"Anna ", NameFault::TrailingDotOrBlank},
      {"...", NameFault::TrailingDotOrBlank},
      {" ", NameFault::TrailingDotOrBlank},
  });
  EXPECT_EQ(CheckFileName(std::string(255, 'a')), NameFault::None);
  EXPECT_EQ(CheckFileName(std::string(256, 'a')), NameFault::TooLong);
}

TEST(ProfileNamesTest, DeviceNamesWithAnyCaseAndExtension) {
  ExpectFaults({
      {"CON", NameFault::DeviceName},
      {"con", NameFault::DeviceName},
      {"Prn", NameFault::DeviceName},
      {"AUX", NameFault::DeviceName},
      {"nul.txt", NameFault::DeviceName},
      {"NUL.tar.gz", NameFault::DeviceName},
      {"COM1", NameFault::DeviceName},
      {"com9.jpg", NameFault::DeviceName},
      {"COM0", NameFault::DeviceName},
      {"LPT1", NameFault::DeviceName},
      {"lpt9", NameFault::DeviceName},
      {"COM\xB9", NameFault::DeviceName},
      {"CON .jpg", NameFault::DeviceName},
      {"CONIN$", NameFault::DeviceName},
      {"conout$", NameFault::DeviceName},
      // Near misses are ordinary names.
      {"CONSOLE", NameFault::None},
      {"ACON", NameFault::None},
      {"COM10", NameFault::None},
      {"COM", NameFault::None},
      {"LPTX", NameFault::None},
      {"NULL", NameFault::None},
      {"xCON.txt", NameFault::None},
  });
}

TEST(ProfileNamesTest, TrailByteOfDoubleByteCharacterIsNoSeparator) {
  // Shift-JIS: 0x95 0x5C and 0x83 0x7C are single characters whose second
  // bytes equal '\' and '|'.
  const LeadBytePredicate shiftJis = [](unsigned char c) { return (c >= 0x81 && c <= 0x9F) || c >= 0xE0; };
  ExpectFaults(
      {
          {"\x95\x5C", NameFault::None},
          {"\x83\x7C\x83\x7C", NameFault::None},
          {"\x95\x5C\\x", NameFault::Separator},
          {"a\\", NameFault::Separator},
          // A lead byte at the very end stands alone.
          {"a\x95", NameFault::None},
      },
      shiftJis);
  // Without a double-byte code page the same bytes are separators.
  ExpectFaults({{"\x95\x5C", NameFault::Separator}, {"\x83\x7C", NameFault::ReservedCharacter}});
}

TEST(ProfileNamesTest, NewProfileNameMayBeEmpty) {
  EXPECT_EQ(CheckNewProfileName(""), NameFault::None);
  EXPECT_EQ(CheckNewProfileName("Anna"), NameFault::None);
  EXPECT_EQ(CheckNewProfileName(".."), NameFault::DotName);
  EXPECT_EQ(CheckNewProfileName("a\\b"), NameFault::Separator);
}

TEST(ProfileNamesTest, StoredAvatarNameStaysInsideTheFolder) {
  EXPECT_TRUE(IsSafeAvatarName("avatar.jpg"));
  EXPECT_TRUE(IsSafeAvatarName("Me at the beach.jpeg"));
  for (const char* outside : {"", "..", ".", "..\\avatar.jpg", "..\\..\\config.ini", "C:\\Windows\\win.ini",
                              "C:win.ini", "sub\\avatar.jpg", "sub/avatar.jpg", "\\\\server\\share\\a.jpg",
                              "nul", "avatar.jpg:stream"})
    EXPECT_FALSE(IsSafeAvatarName(outside)) << outside;
}

TEST(ProfileNamesTest, FaultTextNamesTheNameAndTheRule) {
  EXPECT_EQ(ProfileNameFaultText(NameFault::None, "Anna"), "");
  EXPECT_EQ(ProfileNameFaultText(NameFault::DeviceName, "CON"),
            "Cannot create a profile folder named \"CON\": Windows keeps this name for a device.");
  EXPECT_EQ(ProfileNameFaultText(NameFault::Separator, "a/b"),
            "Cannot create a profile folder named \"a/b\": a folder name cannot hold any of the characters "
            "\\ / : * ? \" < > |.");
  // Every fault has its own explanation.
  for (NameFault fault : {NameFault::Empty, NameFault::TooLong, NameFault::ControlCharacter, NameFault::DotName,
                          NameFault::TrailingDotOrBlank, NameFault::ReservedCharacter})
    EXPECT_FALSE(ProfileNameFaultText(fault, "x").empty());
}

TEST(ProfileNamesTest, LineBreaks) {
  for (const char* text : {"a\rb", "a\nb", "\r\n", "end\n"}) EXPECT_TRUE(HoldsLineBreak(text)) << text;
  for (const char* text : {"", "plain", "tab\t"}) EXPECT_FALSE(HoldsLineBreak(text)) << text;
}

}  // namespace
