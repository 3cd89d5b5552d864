// The Windows program's version resource, read back through the system's
// version API as the installer and Explorer read it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "driver/install_locator.h"
#include "platform/version.h"

namespace driver_test {
namespace {

// The tests run in the build folder, beside the program.
constexpr char kProgram[] = "vorlake-upgrade.exe";

TEST(ProgramResourcesTest, VersionResourceCarriesTheProjectVersion) {
  driver::FileVersionInfo info(kProgram);
  EXPECT_STREQ(info.Translation(), "040904b0");
  // Not "5...": the locator must never take the converter for version 5.
  EXPECT_EQ(info.ProductVersion(), VORLAKE_VERSION_TEXT);

  win::DWORD handle = 0;
  const win::DWORD size = win::GetFileVersionInfoSizeA(kProgram, &handle);
  ASSERT_GT(size, 0u);
  std::string block(size, '\0');
  ASSERT_TRUE(win::GetFileVersionInfoA(kProgram, 0, size, block.data()));
  for (const char* name : {"FileVersion", "CompanyName", "ProductName", "FileDescription"}) {
    void* value = nullptr;
    win::UINT length = 0;
    const std::string subBlock = std::string("\\StringFileInfo\\040904b0\\") + name;
    ASSERT_TRUE(win::VerQueryValueA(block.data(), subBlock.c_str(), &value, &length)) << name;
    const std::string text(static_cast<const char*>(value),
                           strnlen(static_cast<const char*>(value), length));
    if (std::strcmp(name, "FileVersion") == 0) EXPECT_EQ(text, VORLAKE_VERSION_TEXT);
    else EXPECT_FALSE(text.empty()) << name;
  }
  // The fixed part's file version, as most- and least-significant halves,
  // matches the text.
  void* fixed = nullptr;
  win::UINT length = 0;
  ASSERT_TRUE(win::VerQueryValueA(block.data(), "\\", &fixed, &length));
  ASSERT_GE(length, 16u);
  uint32_t words[4];
  std::memcpy(words, fixed, sizeof words);
  EXPECT_EQ(words[0], 0xFEEF04BDu);
  const std::string numbers = std::to_string(words[2] >> 16) + "." +
                              std::to_string(words[2] & 0xFFFF) + "." +
                              std::to_string(words[3] >> 16) + "." + std::to_string(words[3] & 0xFFFF);
  EXPECT_EQ(numbers, VORLAKE_VERSION_TEXT);
}

}  // namespace
}  // namespace driver_test
