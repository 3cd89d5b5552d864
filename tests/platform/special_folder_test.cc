#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "../support/injected_env.h"
#include "../support/test_support.h"
#include "platform/codepage.h"
#include "platform/implementation.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace {

constexpr const char* kHeader = "WINE REGISTRY Version 2\n";
constexpr const char* kCurrentVersion =
    "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion] 1700000000\n";

std::string GetA() {
  char path[win::MAX_PATH] = "unchanged";
  if (!win::SHGetSpecialFolderPathA(nullptr, path, win::CSIDL_PROGRAM_FILES, 0)) return "FALSE";
  return path;
}

// The POSIX side reads the folders from the prefix's registry.
class SpecialFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (platform::ServicesAreNative()) GTEST_SKIP() << "reads a prefix's system.reg";
  }

  testing_support::TempDir prefix_;
  testing_support::InjectedEnv env_{prefix_.path()};
};

TEST_F(SpecialFolderTest, ProgramFilesAsA32BitProgramSeesIt) {
  struct Case {
    const char* registry;  // nullptr: no system.reg at all
    const char* expected;
  };
  const std::string win64 = std::string(kHeader) + "#arch=win64\n" + kCurrentVersion +
                            "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\n"
                            "\"ProgramFilesDir (x86)\"=\"C:\\\\Program Files (x86)\"\n"
                            "[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion]\n"
                            "\"ProgramFilesDir\"=\"C:\\\\Wrong\"\n";
  const std::string win32 = std::string(kHeader) + "#arch=win32\n" + kCurrentVersion +
                            "\"programfilesdir\"=\"D:\\\\Apps\\\\\"\n";
  const std::string noValue = std::string(kHeader) + kCurrentVersion + "\"Other\"=\"x\"\n";
  // A 64-bit prefix without the x86 value still shows a 32-bit program the
  // x86 folder, never the native one.
  const std::string win64NoX86 = std::string(kHeader) + "#arch=win64\n" + kCurrentVersion +
                                 "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\n";
  const std::string win64Bare = std::string(kHeader) + "#arch=win64\n";
  const std::string win64View = win64NoX86 +
                                "[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion]\n"
                                "\"ProgramFilesDir\"=\"D:\\\\Apps32\"\n";
  const Case cases[] = {
      {win64.c_str(), "C:\\Program Files (x86)"},
      {win32.c_str(), "D:\\Apps"},
      {noValue.c_str(), "C:\\Program Files"},
      {win64NoX86.c_str(), "C:\\Program Files (x86)"},
      {win64Bare.c_str(), "C:\\Program Files (x86)"},
      {win64View.c_str(), "D:\\Apps32"},
      {nullptr, "C:\\Program Files"},
  };
  for (const Case& c : cases) {
    std::string file = prefix_.Join("system.reg");
    if (c.registry != nullptr)
      testing_support::WriteFile(file, c.registry);
    else
      std::remove(file.c_str());
    EXPECT_EQ(GetA(), c.expected) << (c.registry ? c.registry : "(none)");
  }
}

TEST_F(SpecialFolderTest, TextInTheAnsiPageAndInUtf16) {
  testing_support::WriteFile(prefix_.Join("system.reg"),
                             std::string(kHeader) + kCurrentVersion +
                                 "\"ProgramFilesDir\"=\"C:\\\\\\x7a0b\\x5e8f\"\n");
  char16_t wide[win::MAX_PATH] = {};
  ASSERT_TRUE(win::SHGetSpecialFolderPathW(nullptr, wide, win::CSIDL_PROGRAM_FILES, 1));
  EXPECT_EQ(std::u16string(wide), u"C:\\\u7a0b\u5e8f");
  EXPECT_EQ(GetA(), "C:\\\xb3\xcc\xd0\xf2");
}

// What the cases above read from the prefix is, on Windows, the system's own
// answer: a 32-bit program gets ProgramFilesDir of the registry's 32-bit
// view (the x86 folder on 64-bit Windows), in A and W alike.
TEST(SpecialFolderNativeTest, ProgramFilesIsTheThirtyTwoBitRegistryValue) {
  if (!platform::ServicesAreNative()) GTEST_SKIP() << "the cases above give the prefix's registry";
  win::HKEY k = nullptr;
  ASSERT_EQ(win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                               0, win::KEY_READ, &k),
            0);
  char value[win::MAX_PATH] = {};
  win::DWORD size = sizeof value;
  EXPECT_EQ(win::RegQueryValueExA(k, "ProgramFilesDir", nullptr, nullptr,
                                  reinterpret_cast<win::BYTE*>(value), &size),
            0);
  win::RegCloseKey(k);
  EXPECT_EQ(GetA(), value);
  char16_t wide[win::MAX_PATH] = {};
  ASSERT_TRUE(win::SHGetSpecialFolderPathW(nullptr, wide, win::CSIDL_PROGRAM_FILES, 0));
  char ansi[win::MAX_PATH] = {};
  win::WideCharToMultiByte(win::CP_ACP, 0, wide, -1, ansi, sizeof ansi, nullptr, nullptr);
  EXPECT_STREQ(ansi, value);
}

}  // namespace
