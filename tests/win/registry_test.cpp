#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <vector>

#include "Support.h"
#include "toolkit/Error.h"
#include "toolkit/FileVersion.h"
#include "toolkit/Registry.h"

namespace {

using support::ErrorOf;

const char kTestKey[] = "Software\\CantivoxToolsRegistryTest";

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegCloseKey(key_);
    RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
  }
  void Set(const char* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(RegSetValueExA(key_, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
  }

  HKEY key_ = nullptr;
};

TEST_F(RegistryTest, ReadsTextValuesAsStored) {
  Set("Plain", REG_SZ, "C:\\Games\\Cantivox\\", 19);
  Set("Expand", REG_EXPAND_SZ, "%SystemRoot%\\x", 15);
  Set("Empty", REG_SZ, "", 0);
  Set("Unterminated", REG_SZ, "abc", 3);
  const std::string longText(5000, 'x');
  Set("Long", REG_SZ, longText.c_str(), static_cast<DWORD>(longText.size() + 1));

  Registry registry(HKEY_CURRENT_USER);
  ASSERT_TRUE(registry.OpenKey(kTestKey));
  EXPECT_FALSE(registry.ReadOnly());
  EXPECT_EQ(registry.ReadString("Plain"), "C:\\Games\\Cantivox\\");
  EXPECT_EQ(registry.ReadString("Expand"), "%SystemRoot%\\x");  // not expanded
  EXPECT_TRUE(registry.ValueExists("Empty"));
  EXPECT_EQ(registry.ReadString("Empty"), "");
  EXPECT_EQ(registry.ReadString("Unterminated"), "abc");
  EXPECT_EQ(registry.ReadString("Long"), longText);
  EXPECT_FALSE(registry.ValueExists("Missing"));
}

TEST_F(RegistryTest, ValueOfAnotherTypeIsAnError) {
  const DWORD number = 7;
  Set("InstallDir", REG_DWORD, &number, sizeof number);
  Set("InstallVer", REG_BINARY, "\x01\x02", 2);
  Registry registry(HKEY_CURRENT_USER);
  ASSERT_TRUE(registry.OpenKey(kTestKey));
  EXPECT_EQ(ErrorOf([&] { registry.ReadString("InstallDir"); }), "Invalid data type for 'InstallDir'");
  EXPECT_EQ(ErrorOf([&] { registry.ReadString("InstallVer"); }), "Invalid data type for 'InstallVer'");
}

TEST_F(RegistryTest, MissingKeyIsNeverCreated) {
  Registry registry(HKEY_CURRENT_USER);
  EXPECT_FALSE(registry.OpenKey(std::string(kTestKey) + "\\Missing"));
  HKEY probe = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(kTestKey) + "\\Missing").c_str(), 0, KEY_READ, &probe),
            ERROR_SUCCESS);
  EXPECT_EQ(ErrorOf([&] { registry.WriteString("InstallDir", "C:\\x"); }), "Failed to set data for 'InstallDir'");
}

TEST_F(RegistryTest, WritesTextValue) {
  Registry registry(HKEY_CURRENT_USER);
  ASSERT_TRUE(registry.OpenKey(kTestKey));
  registry.WriteString("InstallDir", "D:\\New Place");
  char buffer[64] = {};
  DWORD size = sizeof buffer;
  DWORD type = 0;
  ASSERT_EQ(RegQueryValueExA(key_, "InstallDir", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_STREQ(buffer, "D:\\New Place");
}

// A standard user under account control is refused full access to
// HKEY_LOCAL_MACHINE: the record must still be read, and a write fails with
// the registry's own error.
TEST_F(RegistryTest, RefusedFullAccessFallsBackToReading) {
  Set("InstallDir", REG_SZ, "C:\\Games", 9);
  std::vector<REGSAM> asked;
  Registry registry(HKEY_CURRENT_USER, [&](HKEY root, const char* path, REGSAM access, HKEY* key) -> LONG {
    asked.push_back(access);
    if ((access & ~KEY_WOW64_32KEY) == KEY_ALL_ACCESS) return ERROR_ACCESS_DENIED;
    return RegOpenKeyExA(root, path, 0, access, key);
  });
  ASSERT_TRUE(registry.OpenKey(kTestKey));
  EXPECT_EQ(asked, (std::vector<REGSAM>{KEY_ALL_ACCESS | KEY_WOW64_32KEY, KEY_READ | KEY_WOW64_32KEY}));
  EXPECT_TRUE(registry.ReadOnly());
  EXPECT_EQ(registry.ReadString("InstallDir"), "C:\\Games");
  EXPECT_EQ(ErrorOf([&] { registry.WriteString("InstallDir", "D:\\x"); }), "Failed to set data for 'InstallDir'");
}

// The game's 32-bit installer writes its record in the 32-bit view of the
// machine registry. A 64-bit build must read and write that record, not an
// empty key of its own view; in a 32-bit build both views are one.
TEST(RegistryViewTest, MachineRecordIsTheOneIn32BitView) {
  const char key[] = "SOFTWARE\\CantivoxToolsViewTest";
  RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY, 0);
  RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key, KEY_WOW64_64KEY, 0);
  HKEY view32 = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr,
                            &view32, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(view32, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\Game32"), 11);
  {
    Registry registry(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(registry.OpenKey(key));
    EXPECT_EQ(registry.ReadString("InstallDir"), "C:\\Game32");
    registry.WriteString("InstallVer", "1.1");
  }
  char text[16] = {};
  DWORD size = sizeof text;
  EXPECT_EQ(RegQueryValueExA(view32, "InstallVer", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(text, "1.1");
  RegCloseKey(view32);
  RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY, 0);
}

TEST(FileVersionTest, FourNumbersWithoutPadding) {
  // This test program carries the version record 1.10.0.255.
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  EXPECT_EQ(GetFileVersionText(path), "1.10.0.255");
}

TEST(FileVersionTest, NoRecordGivesEmptyText) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  const std::string file = std::string(dir) + "cantivox-no-version.txt";
  HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(h, "text", 4, &written, nullptr);
  CloseHandle(h);
  EXPECT_EQ(GetFileVersionText(file), "");
  DeleteFileA(file.c_str());
  EXPECT_EQ(GetFileVersionText(file), "");  // missing file
}

}  // namespace
