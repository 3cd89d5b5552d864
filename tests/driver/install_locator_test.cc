#include "driver/install_locator.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "pegen/pe_builder.h"
#include "test_prefix.h"

namespace driver_test {
namespace {

constexpr win::DWORD kBufferSize = 1024;

struct Found {
  bool ok;
  std::string dir;
};

Found Locate() {
  char buffer[kBufferSize] = {};
  bool ok = driver::FindOldInstallation(buffer, kBufferSize);
  return {ok, ok ? std::string(buffer) : std::string()};
}

TEST(FindOldInstallationTest, AcceptsOnlyProductVersionsStartingWith5) {
  struct Case {
    std::string version;
    bool found;
  };
  const Case cases[] = {{"5.9.1.100", true}, {"50.1", true}, {"5", true},
                        {"6.0.0.1", false},  {"4.9", false}, {"", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE("version \"" + c.version + "\"");
    TestPrefix prefix;
    prefix.InstallOldProgram("C:\\A\\B\\prog.exe", c.version);
    Found found = Locate();
    EXPECT_EQ(found.ok, c.found);
    if (c.found) {
      EXPECT_EQ(found.dir, "C:\\A\\B\\");
    }
  }
}

TEST(FindOldInstallationTest, RefusesWhatIsNotARegisteredVersion5File) {
  struct Case {
    const char* name;
    bool hasKey;
    std::string keyLines;
    std::string fileData;  // written at C:\A\prog.exe unless empty
  };
  pegen::PeSpec noTranslation;
  noTranslation.withTranslation = false;
  pegen::PeSpec otherTable;
  otherTable.stringTableKey = "040904B0";
  const std::string path = "\"Path\"=\"C:\\\\A\\\\prog.exe\"\n";
  const Case cases[] = {
      {"missing key", false, "", pegen::BuildPe({})},
      {"missing value", true, "\"Other\"=\"C:\\\\A\\\\prog.exe\"\n", pegen::BuildPe({})},
      {"empty value", true, "\"Path\"=\"\"\n", pegen::BuildPe({})},
      {"missing file", true, path, ""},
      {"not a PE file", true, path, "MZ but nothing more than a text file\r\n"},
      {"no translation table", true, path, pegen::BuildPe(noTranslation)},
      {"string table of another translation", true, path, pegen::BuildPe(otherTable)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestPrefix prefix;
    if (!c.fileData.empty()) prefix.WriteFile("C:\\A\\prog.exe", c.fileData);
    prefix.WriteRegistry(c.hasKey, c.keyLines);
    EXPECT_FALSE(Locate().ok);
  }
}

TEST(FindOldInstallationTest, ValueWithoutBackslashIsKept) {
  TestPrefix prefix;
  prefix.WriteFile("C:\\prog.exe", pegen::BuildPe({}));
  prefix.WriteRegistry(true, "\"Path\"=\"prog.exe\"\n");
  // A bare file name is found in the current folder.
  char saved[4096];
  ASSERT_TRUE(getcwd(saved, sizeof(saved)));
  ASSERT_EQ(chdir(prefix.Host("C:\\").c_str()), 0);
  Found found = Locate();
  ASSERT_EQ(chdir(saved), 0);
  EXPECT_TRUE(found.ok);
  EXPECT_EQ(found.dir, "prog.exe");
}

// In code page 936 the second byte of a character may be a backslash: the
// folder ends at the last real separator, not inside the character.
TEST(FindOldInstallationTest, DoubleByteNamesKeepTheirCharacters) {
  TestPrefix prefix;
  // "乗" is 0x81 0x5C in code page 936.
  prefix.WriteFile("C:\\下载\\程序乗", pegen::BuildPe({}));
  prefix.WriteRegistry(true, "\"Path\"=\"C:\\\\下载\\\\程序乗\"\n");
  Found found = Locate();
  EXPECT_TRUE(found.ok);
  EXPECT_EQ(found.dir, Gbk("C:\\下载\\"));
}

TEST(FindOldInstallationTest, ValueLongerThanTheBufferIsRefused) {
  TestPrefix prefix;
  std::string folder = "C:\\" + std::string(200, 'd');
  prefix.WriteFile(folder + "\\prog.exe", pegen::BuildPe({}));
  prefix.WriteRegistry(true, "\"Path\"=" + RegString(folder + "\\prog.exe") + "\n");
  char buffer[64];
  std::memset(buffer, 'x', sizeof(buffer));
  EXPECT_FALSE(driver::FindOldInstallation(buffer, 32));
  EXPECT_EQ(buffer[32], 'x');  // nothing written past the size given
  char full[kBufferSize] = {};
  EXPECT_TRUE(driver::FindOldInstallation(full, kBufferSize));
}

}  // namespace
}  // namespace driver_test
