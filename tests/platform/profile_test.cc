// The profile functions against what Windows does with the same file.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/codepage.h"
#include "platform/implementation.h"
#include "../support/bytes.h"
#include "../support/injected_env.h"
#include "../support/test_support.h"

namespace {

using win::DWORD;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

class ProfileTest : public ::testing::Test {
 protected:
  std::string Path(const char* name) { return dir_.Join(name); }
  std::string Get(const std::string& path, const char* section, const char* key,
                  const char* def = "def", DWORD size = 64, DWORD* ret = nullptr) {
    char buf[128];
    DWORD n = win::GetPrivateProfileStringA(section, key, def, buf, size, path.c_str());
    if (ret) *ret = n;
    return std::string(buf, n);
  }
  TempDir dir_;
};

TEST_F(ProfileTest, BufferSizeAndDefault) {
  std::string ini = Path("a.ini");
  WriteFile(ini, "[s]\r\nk=value\r\n");
  DWORD n = 0;
  EXPECT_EQ(Get(ini, "s", "k", "def", 4, &n), "val");
  EXPECT_EQ(n, 3u);
  // Wine leaves the last error alone here.
  if (!platform::RunningUnderWine()) {
    EXPECT_EQ(win::GetLastError(), win::ERROR_MORE_DATA);
  }
  EXPECT_EQ(Get(ini, "s", "k", "def", 6, &n), "value");

  char buf[8] = "kumquat";
  EXPECT_EQ(win::GetPrivateProfileStringA("s", "k", "d", buf, 0, ini.c_str()), 0u);
  EXPECT_STREQ(buf, "kumquat");

  // Only trailing spaces leave the default; it is cut like a value.
  EXPECT_EQ(Get(ini, "s", "none", "  one two \t  "), "  one two \t");
  EXPECT_EQ(Get(ini, "none", "k", "default   ", 4), "def");
  EXPECT_EQ(Get(Path("missing.ini"), "s", "k", "dflt"), "dflt");
  EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);
}

// Windows keeps a value's length in 16 bits: a longer value reads as its
// length modulo 65536, not cut at the buffer's size and not as the default.
TEST_F(ProfileTest, OverlongValuesWrap) {
  if (platform::RunningUnderWine()) GTEST_SKIP() << "Wine cuts an overlong value at the buffer";
  std::string ini = Path("a.ini");
  for (const auto& [length, expected] : {std::pair<size_t, const char*>{65536, ""}, {65537, "x"}}) {
    WriteFile(ini, "[s]\r\nk=" + std::string(length, 'x') + "\r\n");
    EXPECT_EQ(Get(ini, "s", "k", "def"), expected) << length;
  }
}

TEST_F(ProfileTest, DoesNotSplitADoubleByteCharacter) {
  testing_support::InjectedEnv env;
  env.codePage = 936;
  std::string ini = Path("a.ini");
  WriteFile(ini, "[s]\r\nk=a\xD6\xD0\xCE\xC4\r\n");
  if (platform::RunningUnderWine()) GTEST_SKIP() << "Wine splits the character";
  EXPECT_EQ(Get(ini, "s", "k", "", 3), "a");
  EXPECT_EQ(Get(ini, "s", "k", "", 4), "a\xD6\xD0");
}

TEST_F(ProfileTest, ReadsIntegers) {
  std::string ini = Path("a.ini");
  WriteFile(ini, "[s]\r\nn= -1 \r\nhex=0x10\r\nempty=\r\nword=B42\r\n");
  EXPECT_EQ(win::GetPrivateProfileIntA("s", "n", 5, ini.c_str()), 0xFFFFFFFFu);
  EXPECT_EQ(win::GetPrivateProfileIntA("s", "word", 5, ini.c_str()), 0u);
  EXPECT_EQ(win::GetPrivateProfileIntA("s", "hex", 5, ini.c_str()), 16u);
  EXPECT_EQ(win::GetPrivateProfileIntA("s", "empty", 5, ini.c_str()), 5u);
  EXPECT_EQ(win::GetPrivateProfileIntA("s", "none", 7, ini.c_str()), 7u);
  EXPECT_EQ(win::GetPrivateProfileIntA("s", "n", 7, Path("none.ini").c_str()), 7u);
}

TEST_F(ProfileTest, WritesCreateAndReplace) {
  std::string ini = Path("new.ini");
  EXPECT_TRUE(win::WritePrivateProfileStringA("Sec", "key", "v1", ini.c_str()));
  EXPECT_EQ(ReadFile(ini), "[Sec]\r\nkey=v1\r\n");
  EXPECT_TRUE(win::WritePrivateProfileStringA("sec", "KEY", "v2", ini.c_str()));
  EXPECT_TRUE(win::WritePrivateProfileStringA("sec", "empty", "", ini.c_str()));
  EXPECT_EQ(ReadFile(ini), "[Sec]\r\nkey=v2\r\nempty=\r\n");
  EXPECT_EQ(Get(ini, "SEC", "key"), "v2");

  std::filesystem::permissions(ini, std::filesystem::perms::owner_read |
                                        std::filesystem::perms::group_read);
  // Wine maps the read-only attribute to the Unix permissions, which do not
  // stop root.
  if (!platform::RunningUnderWine()) {
    EXPECT_FALSE(win::WritePrivateProfileStringA("sec", "key", "v3", ini.c_str()));
    EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(Get(ini, "SEC", "key"), "v2");
  }

  std::string lost = Path("no/such/dir/x.ini");
  EXPECT_FALSE(win::WritePrivateProfileStringA("s", "k", "v", lost.c_str()));
  EXPECT_EQ(win::GetLastError(), win::ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(testing_support::PathExists(Path("no")));
}

// ASCII text as a UTF-16LE file, with its byte-order mark.
std::string Utf16(const std::string& ascii) {
  std::string out("\xFF\xFE", 2);
  for (char c : ascii) testing_support::AppendLe(out, static_cast<unsigned char>(c), 2);
  return out;
}

TEST_F(ProfileTest, Utf16FileStaysUtf16) {
  std::string ini = Path("w.ini");
  WriteFile(ini, Utf16("[s]\r\nk=\"v\"\r\n"));
  EXPECT_EQ(Get(ini, "S", "K"), "v");
  EXPECT_TRUE(win::WritePrivateProfileStringA("s", "j", "w", ini.c_str()));
  EXPECT_EQ(ReadFile(ini), Utf16("[s]\r\nk=\"v\"\r\nj=w\r\n"));

  // A file holding only the signature gets a line break before its first
  // section.
  std::string bare = Path("bare.ini");
  WriteFile(bare, "\xFF\xFE");
  EXPECT_TRUE(win::WritePrivateProfileStringA("s", "k", "v", bare.c_str()));
  // Wine writes the section right behind the signature.
  if (!platform::RunningUnderWine()) {
    EXPECT_EQ(ReadFile(bare), Utf16("\r\n[s]\r\nk=v\r\n"));
  }
}

}  // namespace
