// A version resource compiled by the MinGW resource compiler and linked by
// the MinGW linker, so that the reader is checked against an image our own
// PE generator had no part in.
#include <gtest/gtest.h>

#include "driver/install_locator.h"
#include "outside_readers.h"
#include "test_prefix.h"

namespace driver_test {
namespace {

using testing_support::RunCommand;
using testing_support::ShellQuote;

// Chinese (PRC) in Unicode, as a 936 installation stamps its programs; a
// table of another language comes first, and the reader must not pick it.
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
}

}  // namespace
}  // namespace driver_test
