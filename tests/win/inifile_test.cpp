// IniFile against real files under the platform: what it reads must be what
// GetPrivateProfileStringA reads, and what it writes must leave every byte it
// does not own as it was.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "Support.h"
#include "toolkit/Error.h"
#include "toolkit/IniFile.h"

namespace {

using namespace support;

using namespace std::string_literals;

class IniFileTest : public ::testing::Test {
 protected:
  void Put(const std::string& bytes) {
    SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteBytes(path_, bytes);
  }
  std::string Get() { return Exists(path_) ? ReadBytes(path_) : "(no file)"; }
  // What the platform's own reader makes of the current file.
  std::string PlatformRead(const std::string& section, const std::string& key, const std::string& def) {
    std::vector<char> buffer(2048);
    const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer.data(),
                                                  static_cast<DWORD>(buffer.size()), path_.c_str());
    // Nothing of the file may stay cached between cases.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path_.c_str());
    return std::string(buffer.data(), length);
  }
  TempFolder scratch_{"inifile"};
  const std::string dir_ = scratch_.Path();
  const std::string path_ = dir_ + "\\config.ini";
};

TEST_F(IniFileTest, ReadsWhatThePlatformReads) {
  const std::string longValue(3000, 'v');
  const struct {
    std::string file;
    const char* section;
    const char* key;
  } cases[] = {
      {"[Graphics]\r\nResolution=800X600\r\n", "Graphics", "Resolution"},
      {"[GRAPHICS]\nresolution = 800x600 \n", "Graphics", "Resolution"},
      {"[Graphics]\nResolution=\n", "Graphics", "Resolution"},
      {"[Graphics]\nScreens=1\n", "Graphics", "Resolution"},
      {"", "Graphics", "Resolution"},
      {"  [ Net ] ; channel\n\t UpdateChannel\t=\t2 \n", "Net", "UpdateChannel"},
      {"[a]\nk=1\nK=2\n", "a", "k"},
      {"[a]\nx=1\n[b]\n[a]\nk=2\n", "a", "k"},
      {"[a]\nk=\" x \"\n", "a", "k"},
      {"[a]\nk='x\"\n", "a", "k"},
      {"[a]\nk=1 ; one\n", "a", "k"},
      {"[a]\rk=1\rj=2", "a", "j"},
      {"[a]\n;k=1\nk\nk=2\n", "a", "k"},
      {"[a]]\nk=1\n", "a]", "k"},
      {"[Graphics\nk=1\n", "Graphics", "k"},
      {"k=0\n[a]\nk=1\n", "", "k"},
      {"\xEF\xBB\xBF[a]\nk=1\n", "a", "k"},
      {"[a]\nk=ab\0cd\nj=2\n"s, "a", "k"},
      {"[a]\nk=ab\0cd\nj=2\n"s, "a", "j"},
      {"[a]\nk=v\x1a\n", "a", "k"},
      {"[a]\nk=" + longValue + "\nj=2\n", "a", "k"},
      {"[a]\nk=" + longValue + "\nj=2\n", "a", "j"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << testing::PrintToString(c.file.substr(0, 60)) << " " << c.section << "."
                                    << c.key);
    Put(c.file);
    const IniFile ini(path_);
    EXPECT_EQ(ini.ReadString(c.section, c.key, "<default>"), PlatformRead(c.section, c.key, "<default>"));
  }
}

TEST_F(IniFileTest, PresentEmptyIsNotMissing) {
  Put("[Path]\r\nSongs=\r\n");
  IniFile ini(path_);
  EXPECT_TRUE(ini.ValueExists("Path", "Songs"));
  EXPECT_TRUE(ini.ValueExists("PATH", "songs"));
  EXPECT_EQ(ini.ReadString("Path", "Songs", "Default"), "");
  EXPECT_FALSE(ini.ValueExists("Path", "Other"));
  EXPECT_EQ(ini.ReadString("Path", "Other", "Default"), "Default");
  EXPECT_EQ(ini.ReadInteger("Path", "Songs", -1), -1);
  EXPECT_FALSE(ini.ValueExists("Net", "Songs"));
}

TEST_F(IniFileTest, TextComesBackCappedAt2047Characters) {
  std::string value;
  for (int i = 0; i < 100000; ++i) value += static_cast<char>('a' + i % 26);
  Put("[Path]\r\nSongs=" + value + "\r\nOther=after\r\n");
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadString("Path", "Songs", ""), value.substr(0, 2047));
  EXPECT_EQ(ini.ReadString("Path", "Other", ""), "after");
  // Also the default, as it passes through the same buffer.
  EXPECT_EQ(ini.ReadString("Path", "Missing", value).size(), 2047u);
}

// The text conversion has its own tests; here only what the file adds: the
// value is read trimmed and unquoted, and empty or missing gives the default.
TEST_F(IniFileTest, IntegersAreReadAsTheirText) {
  Put("[Graphics]\r\nScreens = \"$10\" \r\nA=\r\nB=1.5\r\n");
  const IniFile ini(path_);
  EXPECT_EQ(ini.ReadInteger("graphics", "screens", -7), 16);
  EXPECT_EQ(ini.ReadInteger("Graphics", "A", -7), -7);
  EXPECT_EQ(ini.ReadInteger("Graphics", "B", -7), -7);
  EXPECT_EQ(ini.ReadInteger("Graphics", "Missing", -7), -7);
}

// One write: a value (as text or as an integer), or the key's deletion
// where there is no value.
struct Op {
  const char* section;
  const char* key;
  std::optional<std::string> value;
  bool integer = false;
};

// The writing steps of the configuration window, in their order; the word
// Default deletes the songs key.
std::vector<Op> SaveAll(const std::string& songs) {
  return {{"Graphics", "Resolution", "800x600"},
          {"Path", "Songs", songs == "Default" ? std::nullopt : std::optional<std::string>(songs)},
          {"Graphics", "FullScreen", "Off"},
          {"Graphics", "Screens", "2", true},
          {"Net", "UpdateChannel", "1", true}};
}

// Files written by hand, by other programs or by damage: whatever the tool
// does not write stays as it was, byte for byte, and what it wrote reads back.
TEST_F(IniFileTest, ForeignFilesKeepEveryByteTheToolDoesNotWrite) {
  std::string junk;  // every byte that neither ends a line nor starts a section or a value
  for (int i = 0; i < 256; ++i)
    if (i != '\r' && i != '\n' && i != '[' && i != '=') junk += static_cast<char>(i);
  const std::string megabyte(1 << 20, 'X');
  const std::vector<Op> channel = {{"Net", "UpdateChannel", "1"}};
  const struct {
    const char* name;
    std::string before;
    std::vector<Op> writes;
    std::string after;
    const char* resolution = nullptr;  // what the file reads as before the writes, where it matters
  } cases[] = {
      {"odd spacing, other letter case, comments, LF line ends",
       "; written by hand\n\n[GRAPHICS]\n  resolution  =  1024x768  \nFULLSCREEN=on\n\n# keep me\n[Sound]\nVolume = 7\n"
       "\n[path]\nSONGS = C:\\Old\n[NET]\nupdatechannel= 0\n",
       SaveAll("D:\\Songs"),
       "; written by hand\n\n[GRAPHICS]\n  resolution  =  800x600  \nFULLSCREEN=Off\nScreens=2\n\n# keep me\n[Sound]\n"
       "Volume = 7\n\n[path]\nSONGS = D:\\Songs\n[NET]\nupdatechannel= 1\n"},
      {"duplicate keys, last line without line end, CRLF",
       "[Graphics]\r\nResolution=1x1\r\nResolution=2x2\r\nScreens=1\r\n[Path]\r\nSongs=a\r\nsongs=b\r\n[Net]\r\n"
       "UpdateChannel=2\r\nUnknown=1",
       SaveAll("Default"),
       "[Graphics]\r\nResolution=800x600\r\nResolution=2x2\r\nScreens=2\r\nFullScreen=Off\r\n[Path]\r\n[Net]\r\n"
       "UpdateChannel=1\r\nUnknown=1"},
      {"missing sections, last line without line end", "[Other]\r\nA=1", SaveAll("Default"),
       "[Other]\r\nA=1\r\n[Graphics]\r\nResolution=800x600\r\nFullScreen=Off\r\nScreens=2\r\n[Net]\r\n"
       "UpdateChannel=1\r\n"},
      {"empty file", "", SaveAll(""),
       "[Graphics]\r\nResolution=800x600\r\nFullScreen=Off\r\nScreens=2\r\n[Path]\r\nSongs=\r\n[Net]\r\nUpdateChannel=1\r\n"},
      {"lone CR line ends, tabs", "[Net]\r\tUpdateChannel\t=\t2\t\r[Graphics]\rFullScreen\t=on\r", SaveAll("x"),
       "[Net]\r\tUpdateChannel\t=\t1\t\r[Graphics]\rFullScreen\t=Off\rResolution=800x600\rScreens=2\r[Path]\rSongs=x\r"},
      {"binary lines around the keys, the first starting as a UTF-16 mark",
       "\xFF\xFE" + junk + "\r\n[Graphics]\r\nResolution=1x1\r\n" + junk + "\r\n",
       {{"Graphics", "Resolution", "800x600"}},
       "\xFF\xFE" + junk + "\r\n[Graphics]\r\nResolution=800x600\r\n" + junk + "\r\n", "1x1"},
      {"a megabyte of brackets without a line end", std::string(1 << 20, '['), channel,
       std::string(1 << 20, '[') + "\r\n[Net]\r\nUpdateChannel=1\r\n"},
      {"200000 empty LF lines", std::string(200000, '\n'), channel,
       std::string(200000, '\n') + "[Net]\nUpdateChannel=1\n"},
      {"a line of 100000 equals signs", "[Graphics]\r\n" + std::string(100000, '=') + "\r\n", channel,
       "[Graphics]\r\n" + std::string(100000, '=') + "\r\n[Net]\r\nUpdateChannel=1\r\n"},
      {"a value of a megabyte", "[Graphics]\r\nResolution=" + megabyte + "\r\n", channel,
       "[Graphics]\r\nResolution=" + megabyte + "\r\n[Net]\r\nUpdateChannel=1\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Put(c.before);
    IniFile ini(path_);
    const std::string resolution = ini.ReadString("Graphics", "Resolution", "");
    EXPECT_LE(resolution.size(), 2047u);
    if (c.resolution) {
      EXPECT_EQ(resolution, c.resolution);
    }
    (void)ini.ReadInteger("Graphics", "Screens", -1);
    for (const Op& op : c.writes) {
      if (!op.value)
        ini.DeleteKey(op.section, op.key);
      else if (op.integer)
        ini.WriteInteger(op.section, op.key, std::stoi(*op.value));
      else
        ini.WriteString(op.section, op.key, *op.value);
    }
    if (c.after.size() < 1000)
      EXPECT_EQ(Get(), c.after);
    else
      EXPECT_EQ(FingerprintOf(Get()), FingerprintOf(c.after));
    for (const Op& op : c.writes)
      EXPECT_EQ(ini.ReadString(op.section, op.key, "(none)"), op.value.value_or("(none)")) << op.key;
  }
}

TEST_F(IniFileTest, MissingFileIsCreatedByAWriteButNotByADeletion) {
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadString("Path", "Songs", "Default"), "Default");
  ini.DeleteKey("Path", "Songs");
  EXPECT_EQ(GetFileAttributesA(path_.c_str()), INVALID_FILE_ATTRIBUTES);
  ini.WriteString("Path", "Songs", "C:\\Songs");
  EXPECT_EQ(Get(), "[Path]\r\nSongs=C:\\Songs\r\n");
}

TEST_F(IniFileTest, ReadOnlyFileRefusesWritesAndStaysAsItWas) {
  const std::string before = "[Graphics]\nResolution=1x1\n[Path]\nSongs=a\n";
  Put(before);
  ASSERT_TRUE(SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_READONLY));
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadString("Graphics", "Resolution", ""), "1x1");
  EXPECT_EQ(ErrorOf([&] { ini.WriteString("Graphics", "Resolution", "800x600"); }), "Unable to write to " + path_);
  EXPECT_EQ(ErrorOf([&] { ini.WriteInteger("Graphics", "Screens", 1); }), "Unable to write to " + path_);
  EXPECT_EQ(ErrorOf([&] { ini.DeleteKey("Path", "Songs"); }), "(no error)");
  EXPECT_EQ(Get(), before);
}

TEST_F(IniFileTest, UnwritablePlacesRaiseTheWriteError) {
  // A directory of the file's name, and a file in a folder that does not exist.
  ASSERT_TRUE(CreateDirectoryA(path_.c_str(), nullptr));
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadString("Graphics", "Resolution", "none"), "none");
  EXPECT_FALSE(ini.ValueExists("Graphics", "Resolution"));
  EXPECT_EQ(ErrorOf([&] { ini.WriteString("Graphics", "Resolution", "800x600"); }), "Unable to write to " + path_);
  EXPECT_EQ(ErrorOf([&] { ini.DeleteKey("Graphics", "Resolution"); }), "(no error)");

  const std::string nowhere = dir_ + "\\missing\\config.ini";
  IniFile elsewhere(nowhere);
  EXPECT_EQ(ErrorOf([&] { elsewhere.WriteString("Graphics", "Resolution", "800x600"); }),
            "Unable to write to " + nowhere);
}

TEST_F(IniFileTest, ALineBreakIsNeverWritten) {
  const std::string before = "[Path]\r\nSongs=a\r\n";
  for (const std::string& value : {"b\r\n[Net]\r\nUpdateChannel=2"s, "b\nx=1"s, "b\rx=1"s, "\n"s}) {
    SCOPED_TRACE(testing::PrintToString(value));
    Put(before);
    IniFile ini(path_);
    EXPECT_NE(ErrorOf([&] { ini.WriteString("Path", "Songs", value); }), "(no error)");
    EXPECT_NE(ErrorOf([&] { ini.WriteString("Path", "New", value); }), "(no error)");
    EXPECT_EQ(Get(), before);
  }
}

}  // namespace
