// Loading the dialog and shell libraries on first use.
#include <gtest/gtest.h>
#include <shellapi.h>

#include "toolkit/Error.h"
#include "toolkit/SystemLibrary.h"

namespace {

TEST(SystemLibraryTest, FindsTheFunctionTheLibraryExports) {
  const auto shellExecute = SystemProc<decltype(ShellExecuteA)>("shell32.dll", "ShellExecuteA");
  ASSERT_NE(shellExecute, nullptr);
  HMODULE shell = GetModuleHandleA("shell32.dll");
  ASSERT_NE(shell, nullptr) << "the library stays loaded";
  EXPECT_EQ(reinterpret_cast<void*>(shellExecute),
            reinterpret_cast<void*>(GetProcAddress(shell, "ShellExecuteA")));
}

TEST(SystemLibraryTest, MissingLibraryOrFunctionIsAnErrorNamingIt) {
  try {
    SystemProcAddress("cantivox-no-such-library.dll", "Anything");
    FAIL() << "no error for a missing library";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find("Unable to load cantivox-no-such-library.dll"), std::string::npos)
        << error.what();
  }
  try {
    SystemProcAddress("comdlg32.dll", "NoSuchFunctionA");
    FAIL() << "no error for a missing function";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "comdlg32.dll has no function NoSuchFunctionA");
  }
}

}  // namespace
