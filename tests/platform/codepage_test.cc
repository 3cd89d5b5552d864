#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <string>

#include "../support/injected_env.h"
#include "../support/test_support.h"
#include "platform/implementation.h"

namespace {

using testing_support::ScopedEnv;

struct Converted {
  int result;
  std::u16string text;
  win::DWORD error;
};

// Converts bytes (length given) into a buffer of dstLen units.
Converted ToWide(win::UINT cp, const std::string& bytes, int srcLen, int dstLen = 64,
                 win::DWORD flags = 0) {
  std::u16string buf(64, u'\x7777');
  win::SetLastError(0);
  int n = win::MultiByteToWideChar(cp, flags, bytes.data(), srcLen, buf.data(), dstLen);
  size_t written = n > 0 ? static_cast<size_t>(n) : buf.find(u'\x7777');
  return {n, buf.substr(0, written), win::GetLastError()};
}

struct Narrowed {
  int result;
  std::string bytes;
  win::DWORD error;
  win::BOOL usedDefault;
};

Narrowed ToNarrow(win::UINT cp, const std::u16string& text, int srcLen, int dstLen = 64,
                  win::DWORD flags = 0, const char* defaultChar = nullptr) {
  std::string buf(64, '\x77');
  win::BOOL used = -1;
  win::SetLastError(0);
  int n = win::WideCharToMultiByte(cp, flags, text.data(), srcLen, buf.data(), dstLen,
                                   defaultChar, cp == win::CP_UTF8 ? nullptr : &used);
  size_t written = n > 0 ? static_cast<size_t>(n) : buf.find('\x77');
  return {n, buf.substr(0, written), win::GetLastError(), used};
}

TEST(CodePageTest, Gbk936RoundTrips) {
  const struct {
    std::u16string text;
    std::string bytes;
  } cases[] = {
      {u"a\u20ACb", "a\x80" "b"},  // byte 0x80 is the euro sign in Microsoft's table
      {u"C:\\下载\\x.txt", "C:\\\xCF\xC2\xD4\xD8\\x.txt"},
  };
  for (const auto& c : cases) {
    Converted w = ToWide(win::CP_GBK, c.bytes, static_cast<int>(c.bytes.size()));
    EXPECT_EQ(w.result, static_cast<int>(c.text.size()));
    EXPECT_EQ(w.text, c.text);
    Narrowed n = ToNarrow(win::CP_GBK, c.text, static_cast<int>(c.text.size()));
    EXPECT_EQ(n.bytes, c.bytes);
    EXPECT_EQ(n.usedDefault, 0);
  }
}

TEST(CodePageTest, MultiByteEdgeCases) {
  const struct {
    const char* name;
    win::UINT cp;
    std::string bytes;
    int srcLen;
    int dstLen;
    win::DWORD flags;
    int result;
    std::u16string text;  // what lands in the buffer
    win::DWORD error;
    const char* wineDiffers = nullptr;  // how Wine (8.0) differs from Windows here
  } cases[] = {
      {"negative length counts the NUL", win::CP_GBK, std::string("foobar", 7), -2002, 64, 0, 7,
       std::u16string(u"foobar\0", 7), 0},
      {"zero length", win::CP_GBK, "x", 0, 64, 0, 0, u"", win::ERROR_INVALID_PARAMETER},
      {"measuring", win::CP_GBK, "\xD2\xF4\xC0\xD6", 4, 0, 0, 2, u"", 0},
      {"lone lead byte at the end", win::CP_GBK, "\xBF\xB4\xC7", 3, 64, 0, 2, u"\u770B?", 0},
      {"lead byte before NUL", win::CP_GBK, std::string("\xBF\xB4\xC7\0x", 5), 5, 64, 0, 4,
       std::u16string(u"\u770B?\0x", 4), 0},
      {"lone lead byte, strict", win::CP_GBK, "\xBF\xB4\xC7", 3, 64, win::MB_ERR_INVALID_CHARS, 0,
       u"", win::ERROR_NO_UNICODE_TRANSLATION},
      {"unassigned byte", win::CP_GBK, "\xFF", 1, 64, 0, 1, u"\uF8F5", 0},
      {"unassigned byte, strict", win::CP_GBK, "\xFF", 1, 64, win::MB_ERR_INVALID_CHARS, 0, u"",
       win::ERROR_NO_UNICODE_TRANSLATION},
      {"invalid trail byte", win::CP_GBK, "\xA4\x20x", 3, 64, 0, 2, u"?x", 0},
      {"0x7F is no trail byte", win::CP_GBK, "\x81\x7Fx", 3, 64, 0, 2, u"?x", 0},
      {"invalid trail byte, strict", win::CP_GBK, "\xA4\x20", 2, 64, win::MB_ERR_INVALID_CHARS, 0,
       u"", win::ERROR_NO_UNICODE_TRANSLATION},
      {"euro is valid", win::CP_GBK, "\x80", 1, 64, win::MB_ERR_INVALID_CHARS, 1, u"\u20AC", 0},
      {"user-defined area", win::CP_GBK, "\xA2\xA0", 2, 64, 0, 1, u"\uE585", 0},
      {"short buffer keeps what fits", win::CP_GBK, "foobar", 6, 5, 0, 0, u"fooba",
       win::ERROR_INSUFFICIENT_BUFFER},
      {"utf-8 invalid bytes", win::CP_UTF8, "\xC0\x41\x42", 3, 64, 0, 3, u"\uFFFDAB", 0},
      {"utf-8 truncated sequence", win::CP_UTF8, "\xE9\x9FX", 3, 64, 0, 2, u"\uFFFDX", 0},
      {"utf-8 four bytes", win::CP_UTF8, "\xF0\x9F\x98\x80", 4, 64, 0, 2, u"\U0001F600", 0},
      {"utf-8 pair not split", win::CP_UTF8, "a\xF0\x9F\x98\x80", 5, 2, 0, 0, u"a",
       win::ERROR_INSUFFICIENT_BUFFER, "it writes the high surrogate alone and returns 2"},
      {"utf-8 strict", win::CP_UTF8, "a\xC0", 2, 64, win::MB_ERR_INVALID_CHARS, 0, u"",
       win::ERROR_NO_UNICODE_TRANSLATION},
      {"utf-8 unknown flag", win::CP_UTF8, "a", 1, 64, 1, 0, u"", win::ERROR_INVALID_FLAGS,
       "it ignores MB_PRECOMPOSED on UTF-8 instead of refusing it"},
      {"unknown code page", 12345, "a", 1, 64, 0, 0, u"", win::ERROR_INVALID_PARAMETER},
      {"japanese broken pair", 932, "\x81\x20", 2, 64, 0, 1, u"\u30FB", 0},
      {"unassigned greek byte", 1253, "\xD2", 1, 64, 0, 1, u"\uF8FA", 0},
      {"unassigned greek byte, strict", 1253, "\xD2", 1, 64, win::MB_ERR_INVALID_CHARS, 0, u"",
       win::ERROR_NO_UNICODE_TRANSLATION},
      {"western page", 1252, "\x80\xE4", 2, 64, 0, 2, u"\u20AC\u00E4", 0},
      {"cyrillic page", 1251, "\xCF\xF0", 2, 64, 0, 2, u"\u041F\u0440", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.wineDiffers != nullptr && platform::RunningUnderWine()) continue;
    Converted w = ToWide(c.cp, c.bytes, c.srcLen, c.dstLen, c.flags);
    EXPECT_EQ(w.result, c.result);
    EXPECT_EQ(w.error, c.error);
    if (c.dstLen > 0 && c.error != win::ERROR_NO_UNICODE_TRANSLATION) {
      EXPECT_EQ(w.text, c.text);
    }
  }
}

TEST(CodePageTest, WideCharEdgeCases) {
  const char gbkQuestion[] = "\xA3\xBF";
  const struct {
    const char* name;
    win::UINT cp;
    std::u16string text;
    int srcLen;
    int dstLen;
    win::DWORD flags;
    const char* defaultChar;
    int result;
    std::string bytes;
    win::DWORD error;
    win::BOOL usedDefault;
    const char* wineDiffers = nullptr;  // how Wine (8.0) differs from Windows here
  } cases[] = {
      {"negative length counts the NUL", win::CP_GBK, u"音", -1, 64, 0, nullptr, 3,
       std::string("\xD2\xF4\0", 3), 0, 0},
      {"unmappable gives ?", win::CP_GBK, u"a\uAC00b", 3, 64, 0, nullptr, 3, "a?b", 0, 1},
      {"lone surrogate gives ?", win::CP_GBK, u"\xD800", 1, 64, 0, nullptr, 1, "?", 0, 1},
      {"never splits a character", win::CP_GBK, u"音乐", 2, 3, 0, nullptr, 0, "\xD2\xF4",
       win::ERROR_INSUFFICIENT_BUFFER, 0},
      {"one byte is too small", win::CP_GBK, u"音", 1, 1, 0, nullptr, 0, "",
       win::ERROR_INSUFFICIENT_BUFFER, 0},
      {"measuring", win::CP_GBK, u"已下载", 3, 0, 0, nullptr, 6, "", 0, 0},
      {"measuring counts defaults", 1252, u"Th\u0440i", -1, 0, 0, nullptr, 5, "", 0, 1},
      // The walk stops at the end of the buffer: a default past it is not used.
      {"default past a short buffer", 1252, u"Th\u0440i", -1, 1, 0, nullptr, 0, "T",
       win::ERROR_INSUFFICIENT_BUFFER, 0},
      {"double-byte default past a short buffer", win::CP_GBK, u"\u7BB8=\uC813\uAC00", -1, 2, 0,
       gbkQuestion, 0, "\xF3\xE7", win::ERROR_INSUFFICIENT_BUFFER, 0},
      {"double-byte default", win::CP_GBK, u"\u7BB8=\uC813\uAC00\uB77D", -1, 64, 0, gbkQuestion,
       10, std::string("\xF3\xE7=\xA3\xBF\xA3\xBF\xA3\xBF\0", 10), 0, 1},
      {"utf-8 flag on ansi page", win::CP_GBK, u"a", 1, 64, win::WC_ERR_INVALID_CHARS, nullptr, 0,
       "", win::ERROR_INVALID_FLAGS, -1, "it accepts WC_ERR_INVALID_CHARS on any page"},
      {"utf-8 lone surrogates", win::CP_UTF8, u"\xDC00\xD800", 2, 64, 0, nullptr, 6,
       "\xEF\xBF\xBD\xEF\xBF\xBD", 0, -1},
      {"utf-8 pair", win::CP_UTF8, u"\U0001F600", 2, 64, 0, nullptr, 4, "\xF0\x9F\x98\x80", 0, -1},
      {"utf-8 strict", win::CP_UTF8, u"\xD800", 1, 64, win::WC_ERR_INVALID_CHARS, nullptr, 0, "",
       win::ERROR_NO_UNICODE_TRANSLATION, -1},
      {"utf-8 never splits", win::CP_UTF8, u"a音", 2, 3, 0, nullptr, 0, "a",
       win::ERROR_INSUFFICIENT_BUFFER, -1},
      {"cyrillic into western", 1252, u"Th\u0440i", 4, 64, 0, nullptr, 4, "Th?i", 0, 1},
      // Best fit: look-alikes in the single-byte pages only, and not as a default.
      {"best fit", 1251, u"\u00E4\uFF21", 2, 64, 0, nullptr, 2, "aA", 0, 0},
      {"best fit refused", 1251, u"\u00E4", 1, 64, win::WC_NO_BEST_FIT_CHARS, nullptr, 1, "?", 0, 1},
      {"no best fit for a-umlaut in 936", win::CP_GBK, u"\u00E4", 1, 64, 0, nullptr, 1, "?", 0, 1},
      {"best fit in 936", win::CP_GBK, u"\u00A2", 1, 64, 0, nullptr, 2, "\xA1\xE9", 0, 0},
      {"best fit refused in 936", win::CP_GBK, u"\u00A2", 1, 64, win::WC_NO_BEST_FIT_CHARS, nullptr,
       1, "?", 0, 1},
      {"surrogate pair in 936", win::CP_GBK, u"\U0001F600", 2, 64, 0, nullptr, 2, "??", 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.wineDiffers != nullptr && platform::RunningUnderWine()) continue;
    Narrowed n = ToNarrow(c.cp, c.text, c.srcLen, c.dstLen, c.flags, c.defaultChar);
    EXPECT_EQ(n.result, c.result);
    EXPECT_EQ(n.error, c.error);
    if (c.dstLen > 0 && c.error != win::ERROR_NO_UNICODE_TRANSLATION) {
      EXPECT_EQ(n.bytes, c.bytes);
    }
    if (c.usedDefault >= 0) {
      EXPECT_EQ(n.usedDefault, c.usedDefault);
    }
  }
}

TEST(CodePageTest, BadArguments) {
  char16_t wide[4];
  char narrow[4];
  auto invalid = [](auto call) {
    win::SetLastError(0);
    return call() == 0 && win::GetLastError() == win::ERROR_INVALID_PARAMETER;
  };
  EXPECT_TRUE(invalid([&] { return win::MultiByteToWideChar(win::CP_GBK, 0, "a", 1, nullptr, 4); }));
  EXPECT_TRUE(invalid([&] { return win::MultiByteToWideChar(win::CP_GBK, 0, "a", 1, wide, -1); }));
  EXPECT_TRUE(invalid(
      [&] { return win::WideCharToMultiByte(win::CP_GBK, 0, u"a", 0, narrow, 4, nullptr, nullptr); }));
  EXPECT_TRUE(invalid(
      [&] { return win::WideCharToMultiByte(win::CP_GBK, 0, nullptr, 1, narrow, 4, nullptr, nullptr); }));
}

// The ANSI page of the user's language, from the first of LC_ALL, LC_CTYPE
// and LANG that is set and not empty; 936 without any.
TEST(CodePageTest, AnsiCodePageFollowsLocale) {
  if (platform::ServicesAreNative()) GTEST_SKIP() << "Windows takes its ANSI page from the system";
  const std::pair<const char*, win::UINT> languages[] = {
      {"C", 936},           {"POSIX", 936},         {"zh_SG.GBK", 936}, {"zh_TW.UTF-8", 950},
      {"zh_HK", 950},       {"ja_JP.UTF-8", 932},   {"sr_RS@latin", 1250},
      {"sr_RS", 1251},      {"xx_YY", 1252},
  };
  ScopedEnv all("LC_ALL", "", true);
  ScopedEnv ctype("LC_CTYPE", "", true);
  for (const auto& [lang, acp] : languages) {
    ScopedEnv set("LANG", lang);
    EXPECT_EQ(win::GetACP(), acp) << lang;
  }
  ScopedEnv unset("LANG", "", true);
  EXPECT_EQ(win::GetACP(), 936u);
  const struct {
    const char* lcAll;
    const char* lcCtype;
    const char* lang;
    win::UINT acp;
  } precedence[] = {
      {"", "", "ja_JP.UTF-8", 932},             // empty variables are skipped
      {"ru_RU.UTF-8", "ja_JP", "de_DE", 1251},  // LC_ALL wins
      {nullptr, "C.UTF-8", "ja_JP", 936},       // the first one set decides
  };
  for (const auto& c : precedence) {
    ScopedEnv a("LC_ALL", c.lcAll ? c.lcAll : "", !c.lcAll);
    ScopedEnv t("LC_CTYPE", c.lcCtype, false);
    ScopedEnv l("LANG", c.lang);
    EXPECT_EQ(win::GetACP(), c.acp) << c.lang;
  }
}

TEST(CodePageTest, AcpConvertsInTheEnvsPage) {
  if (platform::ServicesAreNative()) GTEST_SKIP() << "Windows converts in the system's page";
  testing_support::InjectedEnv env;
  env.codePage = 1251;
  EXPECT_EQ(ToWide(win::CP_ACP, "\xCF", 1).text, u"\u041F");
  EXPECT_EQ(ToNarrow(win::CP_ACP, u"音", 1).bytes, "?");
}

}  // namespace
