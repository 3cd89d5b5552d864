#include "platform/variant.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

using win::SYSTEMTIME;
using win::WORD;

SYSTEMTIME Time(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0,
                WORD ms = 0) {
  // The day of the week is ignored; a wrong one shows if it is not.
  return {year, month, 5, day, hour, minute, second, ms};
}

double Convert(const SYSTEMTIME& st) {
  double v = 12345.0;
  EXPECT_EQ(win::SystemTimeToVariantTime(&st, &v), 1)
      << st.wYear << "-" << st.wMonth << "-" << st.wDay;
  return v;
}

TEST(SystemTimeToVariantTimeTest, KnownValues) {
  struct Case {
    SYSTEMTIME time;
    double expected;
  };
  const Case cases[] = {
      {Time(1980, 1, 1), 29221.0},
      {Time(1980, 1, 2), 29222.0},
      {Time(1980, 1, 1, 18, 1, 16), 29221.0 + 64876.0 / 86400.0},
      {Time(9999, 1, 1), 2958101.0},
      {Time(9999, 12, 31), 2958465.0},
      {Time(100, 1, 1), -657434.0},
      {Time(0, 1, 1), 36526.0},     // two-digit years: 2000
      {Time(49, 1, 1), 54424.0},    // 2049
      {Time(50, 1, 1), 18264.0},    // 1950
      {Time(99, 12, 31), 36525.0},  // 1999
      {Time(1980, 1, 0), 29220.0},  // day 0: 31 Dec 1979
      {Time(1980, 0, 1), 29190.0},  // month 0: 1 Dec 1979
      {Time(0, 0, 0), 36494.0},     // 30 Nov 1999
      {Time(1899, 12, 30, 0, 0, 0, 999), 0.0},
      {Time(1899, 12, 30, 6, 0, 0), 0.25},
      {Time(1899, 12, 26), -4.0},
      {Time(1899, 12, 25, 6, 0, 0), -5.25},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(Convert(c.time), c.expected) << c.time.wYear;
}

TEST(SystemTimeToVariantTimeTest, OverflowingFieldsRollForward) {
  struct Case {
    SYSTEMTIME time;
    SYSTEMTIME same;
  };
  const Case cases[] = {
      {Time(2001, 4, 31), Time(2001, 5, 1)},
      {Time(2001, 2, 29), Time(2001, 3, 1)},
      {Time(2000, 2, 30), Time(2000, 3, 1)},
      {Time(1999, 12, 31, 24, 0, 0), Time(2000, 1, 1)},
      {Time(1980, 1, 1, 10, 60, 0), Time(1980, 1, 1, 11, 0, 0)},
      {Time(1980, 1, 1, 10, 0, 90), Time(1980, 1, 1, 10, 1, 30)},
      {Time(1899, 12, 25, 30, 0, 0), Time(1899, 12, 26, 6, 0, 0)},
      {Time(1980, 1, 1, 25, 61, 61), Time(1980, 1, 2, 2, 2, 1)},
      {Time(1980, 2, 31), Time(1980, 3, 2)},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(Convert(c.time), Convert(c.same));
}

TEST(SystemTimeToVariantTimeTest, RejectsOutOfRangeFields) {
  const SYSTEMTIME cases[] = {
      Time(1980, 13, 1), Time(1980, 1, 32), Time(10000, 1, 1), Time(0xFFFF, 1, 1),
      Time(1980, 0xFFFF, 1),
  };
  for (const SYSTEMTIME& st : cases) {
    double v = 7.0;
    EXPECT_EQ(win::SystemTimeToVariantTime(&st, &v), 0) << st.wYear << "-" << st.wMonth;
  }
}

TEST(BstrTest, LengthsAndTerminator) {
  struct Case {
    const char* bytes;
    win::UINT length;
    win::UINT units;
  };
  const Case cases[] = {{"", 0, 0}, {"a", 1, 0}, {"ab", 2, 1}, {"abcde", 5, 2}};
  for (const Case& c : cases) {
    win::BSTR s = win::SysAllocStringByteLen(c.bytes, c.length);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(win::SysStringByteLen(s), c.length);
    EXPECT_EQ(win::SysStringLen(s), c.units);
    const char* raw = reinterpret_cast<const char*>(s);
    EXPECT_EQ(std::memcmp(raw, c.bytes, c.length), 0);
    EXPECT_EQ(raw[c.length], '\0');
    EXPECT_EQ(raw[c.length + 1], '\0');
    win::SysFreeString(s);
  }
  win::SysFreeString(nullptr);
}

TEST(BstrTest, FromUnits) {
  win::BSTR s = win::SysAllocString(u"h\u4e2di");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(std::u16string(s), u"h\u4e2di");
  EXPECT_EQ(win::SysStringByteLen(s), 6u);
  win::SysFreeString(s);
}

TEST(VariantTest, CopyDuplicatesTheStringAndClearFreesIt) {
  win::VARIANT src;
  win::VariantInit(&src);
  EXPECT_EQ(src.vt, win::VT_EMPTY);
  src.vt = win::VT_BSTR;
  src.bstrVal = win::SysAllocStringByteLen("odd", 3);

  win::VARIANT dst;
  win::VariantInit(&dst);
  dst.vt = win::VT_BSTR;
  dst.bstrVal = win::SysAllocString(u"old");  // replaced, not leaked
  ASSERT_EQ(win::VariantCopy(&dst, &src), win::S_OK);
  EXPECT_EQ(dst.vt, win::VT_BSTR);
  EXPECT_NE(dst.bstrVal, src.bstrVal);
  EXPECT_EQ(win::SysStringByteLen(dst.bstrVal), 3u);
  EXPECT_EQ(std::memcmp(dst.bstrVal, "odd", 3), 0);

  EXPECT_EQ(win::VariantClear(&src), win::S_OK);
  EXPECT_EQ(src.vt, win::VT_EMPTY);
  EXPECT_EQ(std::memcmp(dst.bstrVal, "odd", 3), 0);
  win::VariantClear(&dst);
}

}  // namespace
