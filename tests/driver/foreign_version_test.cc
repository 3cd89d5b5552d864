// A version resource compiled by the MinGW resource compiler and linked by
// the MinGW linker, so that the reader is checked against an image our own
// PE generator had no part in.
#include <gtest/gtest.h>

#include <cstring>

#include "driver/install_locator.h"
#include "outside_readers.h"
#include "platform/version.h"
#include "test_prefix.h"

namespace driver_test {
namespace {

using testing_support::RunCommand;
using testing_support::ShellQuote;

// Chinese (PRC) in Unicode, as a 936 installation stamps its programs; the
// string table also holds a second language the reader must not pick.
constexpr char kResourceScript[] = R"(1 VERSIONINFO
FILEVERSION 5,2,0,7
PRODUCTVERSION 5,2,0,8
FILEFLAGSMASK 0x3F
FILEOS 0x40004
FILETYPE 0x1
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904b0"
    BEGIN
      VALUE "ProductVersion", "9.9.9.9"
    END
    BLOCK "080404b0"
    BEGIN
      VALUE "CompanyName", "Vorlake Network"
      VALUE "FileDescription", "Old download manager"
      VALUE "ProductVersion", "5.2.0.8"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x804, 1200
  END
END
)";

// The first MinGW toolchain found, as "<prefix>-"; "" when none is installed.
std::string MingwPrefix() {
  for (const char* prefix : {"i686-w64-mingw32-", "x86_64-w64-mingw32-"}) {
    int status = -1;
    RunCommand(std::string("command -v ") + prefix + "windres >/dev/null && command -v " + prefix +
                   "ld >/dev/null",
               &status);
    if (status == 0) return prefix;
  }
  return "";
}

TEST(ForeignVersionResourceTest, ReadsWhatTheMingwToolsBuild) {
  const std::string tools = MingwPrefix();
  if (tools.empty()) GTEST_SKIP() << "no MinGW windres and ld (Debian: binutils-mingw-w64-i686)";
  TestPrefix prefix;
  prefix.WriteFile("C:\\Build\\v.rc", kResourceScript);
  const std::string rc = prefix.Host("C:\\Build\\v.rc");
  const std::string object = prefix.Host("C:\\Build\\v.o");
  const std::string image = prefix.Host("C:\\Build\\old.exe");
  int status = -1;
  const std::string log =
      RunCommand(tools + "windres -O coff -o " + ShellQuote(object) + " " + ShellQuote(rc) + " 2>&1 && " +
                     tools + "ld --entry=0 -o " + ShellQuote(image) + " " + ShellQuote(object) + " 2>&1",
                 &status);
  ASSERT_EQ(status, 0) << log;

  driver::FileVersionInfo info("C:\\Build\\old.exe");
  EXPECT_STREQ(info.Translation(), "080404b0");
  EXPECT_EQ(info.ProductVersion(), "5.2.0.8");

  win::DWORD handle = 0;
  const win::DWORD size = win::GetFileVersionInfoSizeA("C:\\Build\\old.exe", &handle);
  ASSERT_GT(size, 0u);
  std::string block(size, '\0');
  ASSERT_TRUE(win::GetFileVersionInfoA("C:\\Build\\old.exe", 0, size, block.data()));
  struct Case {
    const char* subBlock;
    std::string want;
  };
  for (const Case& c : {Case{"\\StringFileInfo\\080404b0\\CompanyName", "Vorlake Network"},
                        Case{"\\StringFileInfo\\080404b0\\FileDescription", "Old download manager"},
                        Case{"\\StringFileInfo\\040904b0\\ProductVersion", "9.9.9.9"}}) {
    void* value = nullptr;
    win::UINT length = 0;
    ASSERT_TRUE(win::VerQueryValueA(block.data(), c.subBlock, &value, &length)) << c.subBlock;
    EXPECT_EQ(std::string(static_cast<const char*>(value), strnlen(static_cast<const char*>(value), length)),
              c.want)
        << c.subBlock;
  }
  // The fixed part: signature, then the file and product versions as
  // most- and least-significant 32-bit halves.
  void* fixed = nullptr;
  win::UINT length = 0;
  ASSERT_TRUE(win::VerQueryValueA(block.data(), "\\", &fixed, &length));
  ASSERT_GE(length, 24u);
  uint32_t words[6];
  std::memcpy(words, fixed, sizeof words);
  EXPECT_EQ(words[0], 0xFEEF04BDu);
  EXPECT_EQ(words[2], (5u << 16) | 2u);
  EXPECT_EQ(words[3], 7u);
  EXPECT_EQ(words[4], (5u << 16) | 2u);
  EXPECT_EQ(words[5], 8u);
}

}  // namespace
}  // namespace driver_test
