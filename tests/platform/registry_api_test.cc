// The registry as the converter reads it, against what Windows returns for
// the same stored values.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "../support/bytes.h"
#include "../support/test_registry.h"
#include "registry_query.h"

namespace {

using platform_test::QueryHklm;

// The results as the functions' own type, which is signed on Windows.
constexpr win::LSTATUS kOk = win::ERROR_SUCCESS;
constexpr win::LSTATUS kNotFound = win::ERROR_FILE_NOT_FOUND;
constexpr win::LSTATUS kMoreData = win::ERROR_MORE_DATA;

// Text as the registry stores it: UTF-16LE, with its NUL unless told.
std::string Stored(const std::u16string& text, bool nul = true) {
  std::string out;
  for (char16_t c : text) testing_support::AppendLe(out, c, 2);
  return nul ? out + std::string(2, '\0') : out;
}

class RegistryApiTest : public ::testing::Test {
 protected:
  std::string Key(const std::string& sub) const { return registry_.Root() + "\\" + sub; }

  testing_support::TestRegistry registry_;
};

TEST_F(RegistryApiTest, ValuesComeBackAsStoredWithTextInTheAnsiPage) {
  struct Case {
    const char* name;
    win::DWORD type;
    std::string stored;
    std::string read;
  };
  const Case cases[] = {
      {"Text", win::REG_SZ, Stored(u"a\"b\\c"), std::string("a\"b\\c\0", 6)},
      {"Chinese", win::REG_SZ, Stored(u"\u4e2d"), std::string("\xd6\xd0\0", 3)},
      {"", win::REG_SZ, Stored(u"default"), std::string("default\0", 8)},
      {"Multi", win::REG_MULTI_SZ, Stored(std::u16string(u"a\0b\0", 4)), std::string("a\0b\0\0", 5)},
      {"Expand", win::REG_EXPAND_SZ, Stored(u"%WINDIR%\\x"), std::string("%WINDIR%\\x\0", 11)},
      {"Number", win::REG_DWORD, std::string("\x0a\0\0\0", 4), std::string("\x0a\0\0\0", 4)},
      {"Binary", win::REG_BINARY, "\x01\x02\xff", "\x01\x02\xff"},
      {"NoNul", win::REG_SZ, Stored(u"AB", false), std::string("AB\0", 3)},
      {"Empty", win::REG_SZ, Stored(u""), std::string("\0", 1)},
  };
  for (const Case& c : cases) ASSERT_TRUE(registry_.Put("Values", c.name, c.type, c.stored));
  for (const Case& c : cases) {
    // Key and value names in another case find the same.
    std::string name = c.name;
    for (char& ch : name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    std::string data;
    win::DWORD type = 99;
    ASSERT_EQ(QueryHklm(Key("VALUES"), name.c_str(), &data, &type), kOk) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
    EXPECT_EQ(data, c.read) << c.name;
  }
  std::string data;
  EXPECT_EQ(QueryHklm(Key("Values"), "Missing", &data), kNotFound);
}

TEST_F(RegistryApiTest, BufferSizes) {
  ASSERT_TRUE(registry_.Put("K", "S", win::REG_SZ, Stored(u"hello")));
  win::HKEY k = nullptr;
  ASSERT_EQ(win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, Key("K").c_str(), 0, win::KEY_READ, &k),
            kOk);
  char buf[8] = "xxxxxxx";
  auto* bytes = reinterpret_cast<win::BYTE*>(buf);
  win::DWORD size = 5;  // no room for the NUL
  win::DWORD type = 0;
  EXPECT_EQ(win::RegQueryValueExA(k, "S", nullptr, &type, bytes, &size), kMoreData);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(type, win::REG_SZ);
  size = 6;
  EXPECT_EQ(win::RegQueryValueExA(k, "S", nullptr, nullptr, bytes, &size), kOk);
  EXPECT_STREQ(buf, "hello");
  win::RegCloseKey(k);
}

// A 32-bit program sees Software in the 32-bit view alone; a key that is
// missing opens nothing.
TEST_F(RegistryApiTest, ThirtyTwoBitView) {
  ASSERT_TRUE(registry_.Put("A\\B", "V", win::REG_SZ, Stored(u"wow")));
  ASSERT_TRUE(registry_.Put("A\\B", "V", win::REG_SZ, Stored(u"native"), true));
  ASSERT_TRUE(registry_.Put("OnlyNative", "V", win::REG_SZ, Stored(u"n"), true));
  std::string data;
  EXPECT_EQ(QueryHklm(Key("OnlyNative"), "V", &data), kNotFound);
  ASSERT_EQ(QueryHklm(Key("a\\b"), "V", &data), kOk);
  EXPECT_EQ(data, std::string("wow\0", 4));

  win::HKEY k = nullptr;
  EXPECT_EQ(win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, Key("Other").c_str(), 0, win::KEY_READ, &k),
            kNotFound);
  EXPECT_EQ(k, nullptr);
}

}  // namespace
