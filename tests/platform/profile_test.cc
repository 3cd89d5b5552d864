// The profile functions against what Windows does with the same file.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/codepage.h"
#include "platform/ini_document.h"
#include "../support/test_support.h"

namespace {

using platform::IniDocument;
using win::DWORD;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

struct ReadCase {
  const char* what;
  std::string file;
  const char* section;
  const char* key;
  std::optional<std::string> expected;  // nullopt: not found
};

TEST(IniDocumentTest, ReadsAsWindowsDoes) {
  const ReadCase cases[] = {
      {"names ignore case", "[SeC]\r\nKeY=Value\r\n", "sec", "key", "Value"},
      {"blanks around names and value", " \t[ \tsec \v]\r\n \tkey \v= \tv v \v\t\r\n", "sec", "key",
       "v v"},
      {"spaces around the arguments", "[sec]\r\nkey=v\r\n", "  sec  ", "  key ", "v"},
      {"a tab in an argument is part of it", "[sec]\r\nkey=v\r\n", "\tsec", "key", std::nullopt},
      {"text after ] ignored", "[sec] junk\r\nkey=v\r\n", "sec", "key", "v"},
      {"[a][b] is only a", "[a][b]\r\nkey=v\r\n", "b", "key", std::nullopt},
      {"header without ]", "[sec\r\nkey=v\r\n", "sec", "key", "v"},
      {"empty section name", "[]\r\nkey=v\r\n", "", "key", "v"},
      {"double quotes off, inner blanks kept", "[s]\r\nk=  \"  v  \"  \r\n", "s", "k", "  v  "},
      {"single quotes off", "[s]\r\nk='v'\r\n", "s", "k", "v"},
      {"only the outer pair", "[s]\r\nk='\"v\"'\r\n", "s", "k", "\"v\""},
      {"mismatched quotes kept", "[s]\r\nk=\"v'\r\n", "s", "k", "\"v'"},
      {"lone quote kept", "[s]\r\nk=\"\r\n", "s", "k", "\""},
      {"empty quotes read empty", "[s]\r\nk=\"\"\r\n", "s", "k", ""},
      {"quotes stay on names", "[s]\r\n\"k\"=v\r\n", "s", "\"k\"", "v"},
      {"; key is a comment", "[s]\r\n;k=v\r\n", "s", ";k", std::nullopt},
      {"; comment is no key either", "[s]\r\n;k=v\r\n", "s", "k", std::nullopt},
      {"# is no comment", "[s]\r\n#k=v\r\n", "s", "#k", "v"},
      {"no inline comment", "[s]\r\nk=v ;c\r\n", "s", "k", "v ;c"},
      {"line without =", "[s]\r\nname3\r\n", "s", "name3", std::nullopt},
      {"empty value is a key", "[s]\r\nk=\r\n", "s", "k", ""},
      {"= in the value", "[s]\r\nk=a=b\r\n", "s", "k", "a=b"},
      {"first key wins", "[s]\r\nk=1\r\nK=2\r\n", "s", "k", "1"},
      {"second section ignored", "[s]\r\nk=1\r\n[S]\r\nj=2\r\n", "s", "j", std::nullopt},
      {"CR only", "[s]\rk=v\r[t]\rj=w\r", "t", "j", "w"},
      {"LF only", "[s]\nk=v\n", "s", "k", "v"},
      {"last line without break", "[s]\r\nk=v", "s", "k", "v"},
      {"keys before any section belong to none", "k=v\r\n[s]\r\n", "s", "k", std::nullopt},
      {"UTF-8 signature breaks line 1", "\xEF\xBB\xBF[s]\r\nk=v\r\n", "s", "k", std::nullopt},
      {"UTF-8 signature, line 2 fine", "\xEF\xBB\xBF\r\n[s]\r\nk=v\r\n", "s", "k", "v"},
      // 0x81 0x5D is one character whose second byte looks like ']'.
      {"double-byte name with ] trail", "[\x81\x5D]\r\nk=v\r\n", "\x81\x5D", "k", "v"},
      {"trail bytes do not fold", "[s]\r\n\x81\x61=v\r\n", "s", "\x81\x41", std::nullopt},
      // Names compare as characters: full-width A3C1/A3E1 and Cyrillic A7A1/A7D1 fold.
      {"double-byte letters fold", "[\xA7\xA1]\r\n\xA3\xC1=v\r\n", "\xA7\xD1", "\xA3\xE1", "v"},
  };
  platform::LeadBytes lead = platform::LeadBytesForCodePage(936);
  for (const ReadCase& c : cases) {
    IniDocument<char> doc(c.file, &lead);
    EXPECT_EQ(doc.GetValue(c.section, c.key), c.expected) << c.what;
  }
}

TEST(IniDocumentTest, ParsesIntegersAsWindows) {
  struct {
    const char* text;
    unsigned expected;
  } cases[] = {{"1", 1},          {"+1", 1},           {"-1", 0xFFFFFFFFu},
               {"42A", 42},       {"B42", 0},          {"4294967296", 0},
               {"4294967297", 1}, {"-4294967297", 0xFFFFFFFFu}, {"0x10", 16},
               {"-0x10", 0xFFFFFFF0u}, {"0X10", 0}, {"0o17", 15}, {"0b101", 5},
               {"0x", 0},         {"0xFFFFFFFF1", 0xFFFFFFF1u}, {"019", 19}};
  for (const auto& c : cases) EXPECT_EQ(platform::ParseProfileInt(c.text), c.expected) << c.text;
}

struct WriteCase {
  const char* what;
  std::string before;
  const char* section;
  const char* key;
  const char* value;  // null deletes
  std::string after;
};

TEST(IniDocumentTest, EditsOnlyWhatItMust) {
  const WriteCase cases[] = {
      {"empty file", "", "s", "k", "v", "[s]\r\nk=v\r\n"},
      {"new section at the end", "[a]\r\nx=1\r\n", "b", "k", "v", "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
      {"line break added first", "[a]\r\nx=1", "b", "k", "v", "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
      {"UTF-8 signature is text", "\xEF\xBB\xBF", "s", "k", "v", "\xEF\xBB\xBF\r\n[s]\r\nk=v\r\n"},
      {"new key after the last key", "[a]\r\nx=1\r\n\r\n;c\r\n[b]\r\n", "a", "y", "2",
       "[a]\r\nx=1\r\ny=2\r\n\r\n;c\r\n[b]\r\n"},
      {"new key in an empty section", "[a]\n[b]\n", "a", "y", "2", "[a]\ny=2\r\n[b]\n"},
      {"header on the last line", "[a]", "a", "y", "2", "[a]\r\ny=2\r\n"},
      {"first match changed, name kept", "[A]\r\n Key = old\r\nkey=2\r\n", "a", "KEY", "new",
       "[A]\r\n Key =new\r\nkey=2\r\n"},
      {"arguments trimmed, value as given", "", "  s ", " k  ", " v ", "[s]\r\nk= v \r\n"},
      {"comments and odd lines kept", "; top\r\n[s]\r\n  k  =  1 \r\n#x\r\n", "s", "k", "2",
       "; top\r\n[s]\r\n  k  =2\r\n#x\r\n"},
      {"delete key", "[s]\r\na=1\r\nb=2\r\n", "s", "a", nullptr, "[s]\r\nb=2\r\n"},
      {"delete section keeps comments", "[s]\r\n;c\r\na=1\r\n[t]\r\nb=2\r\n", "s", nullptr,
       nullptr, ";c\r\n[t]\r\nb=2\r\n"},
      {"NULs before the first section kept", std::string("Data \0 before \0 first \0 section", 31),
       "section1", "key1", "string1",
       std::string("Data \0 before \0 first \0 section\r\n[section1]\r\nkey1=string1\r\n", 59)},
  };
  for (const WriteCase& c : cases) {
    IniDocument<char> doc(c.before);
    if (!c.key)
      doc.DeleteSection(c.section);
    else if (!c.value)
      doc.DeleteKey(c.section, c.key);
    else
      doc.SetValue(c.section, c.key, c.value);
    EXPECT_EQ(doc.text(), c.after) << c.what;
  }
}

TEST(IniDocumentTest, NewKeysKeepCallOrder) {
  IniDocument<char> doc("[s]\r\nb=\r\na=\r\n");
  for (const char* k : {"z", "b", "y", "a"}) doc.SetValue("s", k, "");
  EXPECT_EQ(doc.text(), "[s]\r\nb=\r\na=\r\nz=\r\ny=\r\n");
}

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
  EXPECT_EQ(win::GetLastError(), win::ERROR_MORE_DATA);
  EXPECT_EQ(Get(ini, "s", "k", "def", 6, &n), "value");

  char buf[8] = "kumquat";
  EXPECT_EQ(win::GetPrivateProfileStringA("s", "k", "d", buf, 0, ini.c_str()), 0u);
  EXPECT_STREQ(buf, "kumquat");

  // Only trailing spaces leave the default; it is cut like a value.
  EXPECT_EQ(Get(ini, "s", "none", "  one two \t  "), "  one two \t");
  EXPECT_EQ(Get(ini, "none", "k", "default   ", 4), "def");
  EXPECT_EQ(Get(ini, "s", "none", nullptr), "");
  EXPECT_EQ(Get(Path("missing.ini"), "s", "k", "dflt"), "dflt");
  EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);
}

// Windows keeps a value's length in 16 bits: a longer value reads as its
// length modulo 65536, not cut at the buffer's size and not as the default.
TEST_F(ProfileTest, OverlongValuesWrap) {
  std::string ini = Path("a.ini");
  for (const auto& [length, expected] : {std::pair<size_t, const char*>{65536, ""}, {65537, "x"}}) {
    WriteFile(ini, "[s]\r\nk=" + std::string(length, 'x') + "\r\n");
    EXPECT_EQ(Get(ini, "s", "k", "def"), expected) << length;
  }
}

// Without a file the functions read win.ini in the Windows folder; the
// number functions read what the string function gives, lists included.
TEST_F(ProfileTest, NullArgumentsReadAsWindows) {
  testing_support::ScopedEnv env("WINEPREFIX", dir_.path());
  testing_support::MakeDirs(dir_.Join("drive_c/windows"));
  testing_support::MakeDirs(dir_.Join("dosdevices"));
  ASSERT_EQ(symlink("../drive_c", dir_.Join("dosdevices/c:").c_str()), 0);
  char buf[16];
  EXPECT_EQ(win::GetPrivateProfileStringA("section1", "name1", "default", buf, 16, nullptr), 7u);
  EXPECT_STREQ(buf, "default");
  EXPECT_EQ(win::GetPrivateProfileIntA(nullptr, nullptr, 70, nullptr), 70u);  // no win.ini
  WriteFile(dir_.Join("drive_c/windows/win.ini"), "[windows]\r\nload=\r\n[12]\r\n");
  EXPECT_EQ(win::GetPrivateProfileIntA(nullptr, nullptr, 70, nullptr), 0u);
  std::string ini = Path("a.ini");
  WriteFile(ini, "[7s]\r\n4k=1\r\n");
  EXPECT_EQ(win::GetPrivateProfileIntA(nullptr, "x", 70, ini.c_str()), 7u);
  EXPECT_EQ(win::GetPrivateProfileIntA("7s", nullptr, 70, ini.c_str()), 4u);
  EXPECT_EQ(win::GetPrivateProfileIntA("none", nullptr, 70, ini.c_str()), 70u);
}

TEST_F(ProfileTest, DoesNotSplitADoubleByteCharacter) {
  testing_support::ScopedEnv all("LC_ALL", "", true), ctype("LC_CTYPE", "", true),
      lang("LANG", "zh_CN.UTF-8");
  std::string ini = Path("a.ini");
  WriteFile(ini, "[s]\r\nk=a\xD6\xD0\xCE\xC4\r\n");
  DWORD n = 0;
  EXPECT_EQ(Get(ini, "s", "k", "", 3, &n), "a");
  EXPECT_EQ(Get(ini, "s", "k", "", 4, &n), "a\xD6\xD0");
}

TEST_F(ProfileTest, ListsSectionsAndKeys) {
  std::string ini = Path("a.ini");
  WriteFile(ini, "[a]\r\nx=1\r\n;c=2\r\nname\r\ny=\r\n[b]\r\n[a]\r\nz=3\r\n");
  DWORD n = 0;
  EXPECT_EQ(Get(ini, nullptr, nullptr, "", 64, &n), std::string("a\0b\0a\0", 6));
  EXPECT_EQ(Get(ini, "A", nullptr, "", 64, &n), std::string("x\0y\0", 4));
  char buf[8];
  EXPECT_EQ(win::GetPrivateProfileStringA(nullptr, nullptr, "", buf, 4, ini.c_str()), 2u);
  EXPECT_EQ(std::string(buf, 4), std::string("a\0\0\0", 4));
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
  EXPECT_FALSE(win::WritePrivateProfileStringA("sec", "key", "v3", ini.c_str()));
  EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_EQ(Get(ini, "SEC", "key"), "v2");

  std::string lost = Path("no/such/dir/x.ini");
  EXPECT_FALSE(win::WritePrivateProfileStringA("s", "k", "v", lost.c_str()));
  EXPECT_EQ(win::GetLastError(), win::ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(testing_support::PathExists(Path("no")));

  // No section: nothing is written, not even a new file.
  std::string none = Path("none.ini");
  EXPECT_FALSE(win::WritePrivateProfileStringA(nullptr, "key", "string", none.c_str()));
  EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(testing_support::PathExists(none));
}

// Deleting from a missing file creates it, empty.
TEST_F(ProfileTest, DeletingFromAMissingFileCreatesIt) {
  for (const char* key : {"key", static_cast<const char*>(nullptr)}) {
    std::string ini = Path(key ? "k.ini" : "s.ini");
    EXPECT_TRUE(win::WritePrivateProfileStringA("App", key, nullptr, ini.c_str()));
    ASSERT_TRUE(testing_support::PathExists(ini));
    EXPECT_EQ(ReadFile(ini), "");
  }
}

std::string Utf16(const std::string& ascii) {
  std::string out("\xFF\xFE", 2);
  for (char c : ascii) {
    out.push_back(c);
    out.push_back('\0');
  }
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
  EXPECT_EQ(ReadFile(bare), Utf16("\r\n[s]\r\nk=v\r\n"));
}

}  // namespace

namespace {

TEST(ProfilePathTest, WindowsPathsResolveInThePrefix) {
  TempDir prefix;
  testing_support::ScopedEnv env("WINEPREFIX", prefix.path());
  testing_support::MakeDirs(prefix.Join("drive_c/Prog"));
  testing_support::MakeDirs(prefix.Join("dosdevices"));
  ASSERT_EQ(symlink("../drive_c", prefix.Join("dosdevices/c:").c_str()), 0);
  EXPECT_TRUE(win::WritePrivateProfileStringA("s", "k", "v", "C:\\Prog\\a.ini"));
  EXPECT_EQ(ReadFile(prefix.Join("drive_c/Prog/a.ini")), "[s]\r\nk=v\r\n");
  EXPECT_EQ(win::GetPrivateProfileIntA("S", "K", 3, "c:\\PROG\\A.INI"), 0u);  // "v": no digits
  char buf[8];
  EXPECT_EQ(win::GetPrivateProfileStringA("S", "K", "", buf, 8, "c:\\PROG\\A.INI"), 1u);
}

}  // namespace
