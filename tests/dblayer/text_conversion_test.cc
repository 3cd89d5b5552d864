#include "dblayer/text_conversion.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "injected_env.h"

namespace {

using testing_support::InjectedEnv;

constexpr unsigned kGbk = 936;

const std::string kZhongWenGbk = "\xD6\xD0\xCE\xC4";              // two characters in 936
const std::string kZhongWenUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";      // the same in UTF-8
const char16_t kZhongWen[] = u"\u4E2D\u6587";

TEST(WideToGbkTest, BufferLimits) {
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(dblayer::WideToGbk(kZhongWen, buffer, 4),
            dblayer::kTextBufferTooSmall);  // needs 5 with the NUL
  EXPECT_EQ(buffer[0], 'x');
  ASSERT_EQ(dblayer::WideToGbk(kZhongWen, buffer, 5), dblayer::kTextConverted);
  EXPECT_EQ(std::string(buffer), kZhongWenGbk);
}

TEST(AnsiToUtf8Test, ChineseSystemCodePage) {
  InjectedEnv env;
  env.codePage = kGbk;
  // Round trip: UTF-16 to 936, then the 936 text to UTF-8; the limits of
  // the work buffer are the next test's.
  char gbk[32];
  ASSERT_EQ(dblayer::WideToGbk(u"\u4E2D\u6587 a'b", gbk, sizeof gbk), dblayer::kTextConverted);
  std::string text = gbk;
  EXPECT_EQ(dblayer::AnsiToUtf8(text), kZhongWenUtf8 + " a'b");
}

TEST(AnsiToUtf8Test, ResultMustFitTheWorkBuffer) {
  InjectedEnv env;
  env.codePage = kGbk;
  struct Case {
    std::string input;
    size_t expected_size;  // 0: the text becomes empty
  } cases[] = {
      {std::string(4095, 'a'), 4095},
      {std::string(4096, 'a'), 0},
      // 1365 characters of 3 UTF-8 bytes: 4095 bytes fit, one more does not.
      {[] { std::string s; for (int i = 0; i < 1365; ++i) s += "\xD6\xD0"; return s; }(), 4095},
      {[] { std::string s; for (int i = 0; i < 1366; ++i) s += "\xD6\xD0"; return s; }(), 0},
      {"", 0},
  };
  for (Case& c : cases) {
    std::string s = c.input;
    dblayer::AnsiToUtf8(s);
    EXPECT_EQ(s.size(), c.expected_size) << c.input.size();
  }
}

TEST(ReplaceNoCaseTest, ReplacesWithinCapacity) {
  struct Case {
    std::u16string src, pattern, replacement, expected;
  } cases[] = {
      {u"it's", u"'", u"''", u"it''s"},
      {u"'a''", u"'", u"''", u"''a''''"},
      {u"", u"'", u"''", u""},
  };
  for (const Case& c : cases) {
    std::vector<char16_t> dst(1024, u'#');
    dblayer::ReplaceNoCase(c.src.c_str(), c.pattern.c_str(), c.replacement.c_str(), dst.data(),
                           1024);
    EXPECT_EQ(std::u16string(dst.data()), c.expected);
  }
}

TEST(ReplaceNoCaseTest, RefusesWhenTheEstimateReachesCapacity) {
  std::vector<char16_t> dst(1024, u'#');
  std::u16string quotes(600, u'\'');
  EXPECT_EQ(dblayer::ReplaceNoCase(quotes.c_str(), u"'", u"''", dst.data(), 1024), 1201);
  EXPECT_EQ(dst[0], u'#');

  std::u16string longest(511, u'\'');  // estimate 1023: written
  dblayer::ReplaceNoCase(longest.c_str(), u"'", u"''", dst.data(), 1024);
  EXPECT_EQ(std::u16string(dst.data()), std::u16string(1022, u'\''));

  dst.assign(1024, u'#');
  std::u16string too_long(512, u'a');  // estimate 1025, whatever the content
  EXPECT_EQ(dblayer::ReplaceNoCase(too_long.c_str(), u"'", u"''", dst.data(), 1024), 1025);
  EXPECT_EQ(dst[0], u'#');

  // Without growth the estimate is the source length; an empty pattern too.
  EXPECT_EQ(dblayer::ReplaceNoCase(u"abcd", u"b", u"x", dst.data(), 4), 4);
  EXPECT_EQ(dblayer::ReplaceNoCase(u"abcd", u"", u"x", dst.data(), 4), 4);
  EXPECT_EQ(dst[0], u'#');
  dblayer::ReplaceNoCase(u"abcd", u"B", u"x", dst.data(), 5);
  EXPECT_EQ(std::u16string(dst.data()), u"axcd");
}

}  // namespace
