// The registry file of a prefix (system.reg): its text format, its escapes,
// the views of a 32- and a 64-bit prefix, and files that are no registry.
#include "platform/registry.h"

#include <sys/stat.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "../support/injected_env.h"
#include "../support/test_support.h"
#include "registry_query.h"

namespace {

using platform_test::QueryHklm;

using testing_support::TempDir;

constexpr const char* kBackwnd = "SOFTWARE\\Vorlake Network\\VorlakeOem\\vorlake_backwnd";

constexpr const char* kEscapes = R"(WINE REGISTRY Version 2
;; All keys relative to \\Machine

#arch=win32

[Software\\Escapes] 1700000000
#time=1d9a0b0c0d0e0f0
"Quote"="a\"b\\c"
"Controls"="\n\r\t\a\b\f\v\e"
"Octal"="\101\0102"
"Hex"="\x41\x4e2dZ\x4e2d5\x7"
"Raw"="中"
@="default"
"Multi"=str(7):"a\0b\0"
"Expand"=str(2):"%WINDIR%\\x"
"Number"=dword:0000000a
"Binary"=hex:01,02,\
  ff
"Typed"=hex(3):de,ad
"NoNul"=hex(1):41,00,42,00
"Empty"=""
;"Commented"="x"
  "Indented"="yes"
broken line here
"AfterBroken"="still read"
)";

class RegistryTest : public ::testing::Test {
 protected:
  void WriteRegistry(const std::string& text) {
    testing_support::WriteFile(prefix_.Join("system.reg"), text);
  }

  TempDir prefix_;
  testing_support::InjectedEnv env_{prefix_.path()};
};

TEST_F(RegistryTest, ValueFormatsAndEscapes) {
  WriteRegistry(kEscapes);
  struct Case {
    const char* name;
    win::DWORD type;
    std::string data;
  };
  const Case cases[] = {
      {"Quote", win::REG_SZ, std::string("a\"b\\c\0", 6)},
      {"controls", win::REG_SZ, std::string("\n\r\t\a\b\f\v\x1b\0", 9)},
      {"Octal", win::REG_SZ, std::string("A\b2\0", 4)},
      {"HEX", win::REG_SZ, std::string("A\xd6\xd0Z\xd6\xd0" "5\x07\0", 9)},
      {"Raw", win::REG_SZ, std::string("\xd6\xd0\0", 3)},
      {"", win::REG_SZ, std::string("default\0", 8)},
      {"Multi", win::REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
      {"Expand", win::REG_EXPAND_SZ, std::string("%WINDIR%\\x\0", 11)},
      {"Number", win::REG_DWORD, std::string("\x0a\0\0\0", 4)},
      {"Binary", win::REG_BINARY, std::string("\x01\x02\xff", 3)},
      {"Typed", win::REG_BINARY, std::string("\xde\xad", 2)},
      {"NoNul", win::REG_SZ, std::string("AB\0", 3)},
      {"Empty", win::REG_SZ, std::string("\0", 1)},
      {"Indented", win::REG_SZ, std::string("yes\0", 4)},
      {"AfterBroken", win::REG_SZ, std::string("still read\0", 11)},
  };
  for (const Case& c : cases) {
    std::string data;
    win::DWORD type = 99;
    ASSERT_EQ(QueryHklm("Software\\ESCAPES", c.name, &data, &type), win::ERROR_SUCCESS) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
    EXPECT_EQ(data, c.data) << c.name;
  }
  std::string data;
  EXPECT_EQ(QueryHklm("Software\\Escapes", ";\"Commented\"", &data), win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(QueryHklm("Software\\Escapes", "Commented", &data), win::ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, ThirtyTwoBitView) {
  const std::string keys = R"(
[Software\\Vorlake Network\\VorlakeOem\\vorlake_backwnd] 1700000000
"Path"="C:\\native\\prog.exe"

[Software\\OnlyNative] 1700000000
"V"="n"

[Software\\Wow6432Node\\Vorlake Network\\VorlakeOem\\vorlake_backwnd] 1700000000
"Path"="C:\\wow\\prog.exe"

[System\\Setup] 1700000000
"V"="s"
)";
  struct Case {
    const char* arch;
    const char* key;
    const char* expected;
  };
  const Case cases[] = {
      {"#arch=win64\n", "System\\Setup", "s"},  // only Software is redirected
      {"#arch=win32\n", kBackwnd, "C:\\native\\prog.exe"},
      {"#arch=win32\n", "Software\\OnlyNative", "n"},
      {"", kBackwnd, "C:\\wow\\prog.exe"},  // Wow6432Node: 64-bit
  };
  for (const Case& c : cases) {
    WriteRegistry(std::string("WINE REGISTRY Version 2\n") + c.arch + keys);
    std::string data;
    const char* name = std::string(c.key).find("backwnd") != std::string::npos ? "PATH" : "v";
    ASSERT_EQ(QueryHklm(c.key, name, &data), win::ERROR_SUCCESS) << c.arch << c.key;
    EXPECT_STREQ(data.c_str(), c.expected) << c.arch << c.key;
  }
  // Without an "#arch" line or a Wow6432Node key the prefix is 32-bit.
  WriteRegistry("WINE REGISTRY Version 2\n[Software\\\\OnlyNative] 1700000000\n\"V\"=\"n\"\n");
  std::string data;
  EXPECT_EQ(QueryHklm("Software\\OnlyNative", "v", &data), win::ERROR_SUCCESS);
}

TEST_F(RegistryTest, MissingOrRejectedFileHasNoKeys) {
  std::string data;
  EXPECT_EQ(QueryHklm("Software\\K", "S", &data), win::ERROR_FILE_NOT_FOUND);  // no file
  // A FIFO in the file's place is no registry, and is not waited on.
  ASSERT_EQ(mkfifo(prefix_.Join("system.reg").c_str(), 0600), 0);
  EXPECT_EQ(QueryHklm("Software\\K", "S", &data), win::ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(std::remove(prefix_.Join("system.reg").c_str()), 0);
  const char* bad[] = {
      "WINE REGISTRY Version 1\n[Software\\\\K]\n\"S\"=\"x\"\n",
      "\xef\xbb\xbfWINE REGISTRY Version 2\n[Software\\\\K]\n\"S\"=\"x\"\n",
      "REGEDIT4\n[Software\\\\K]\n\"S\"=\"x\"\n",
      "",
  };
  for (const char* text : bad) {
    WriteRegistry(text);
    EXPECT_EQ(QueryHklm("Software\\K", "S", &data), win::ERROR_FILE_NOT_FOUND) << text;
  }
  // The file is read afresh by every open. Keys of one path in any case are
  // one key, the later of two values differing in case wins, and a broken
  // key line takes its values with it.
  WriteRegistry(
      "WINE REGISTRY Version 2\r\n\"Orphan\"=\"x\"\r\n[Software\\\\K\\\\C] 1\r\n\"S\"=\"x\"\r\n"
      "[software\\\\k]\r\n\"S\"=\"y\"\r\n\"s\"=\"z\"\r\n[Bad\\\\Key\r\n\"Lost\"=\"x\"\r\n");
  EXPECT_EQ(QueryHklm("Software\\K\\c", "S", &data), win::ERROR_SUCCESS);
  EXPECT_EQ(data, std::string("x\0", 2));
  EXPECT_EQ(QueryHklm("Software\\K", "S", &data), win::ERROR_SUCCESS);
  EXPECT_EQ(data, std::string("z\0", 2));
  EXPECT_EQ(QueryHklm("Software\\K", "Lost", &data), win::ERROR_FILE_NOT_FOUND);
  win::HKEY k = nullptr;
  EXPECT_EQ(win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, "Software\\Other", 0, win::KEY_READ, &k),
            win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(k, nullptr);
}

}  // namespace
