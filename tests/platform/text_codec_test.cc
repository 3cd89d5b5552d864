#include "platform/text_codec.h"

#include <gtest/gtest.h>

#include <string>

#include "../support/injected_env.h"

namespace {

using platform::CodecStatus;
using platform::LeadingBom;

constexpr win::UINT kNoSuchPage = 12345;

TEST(TextCodecTest, Decode) {
  const struct {
    const char* name;
    win::UINT cp;
    std::string bytes;
    win::DWORD flags;
    CodecStatus status;
    std::u16string text;
  } cases[] = {
      {"936", win::CP_GBK, "\xD2\xF4\xC0\xD6", 0, CodecStatus::kConverted, u"音乐"},
      {"empty asks nothing", kNoSuchPage, "", 0, CodecStatus::kConverted, u""},
      {"NULs are characters, none added", win::CP_GBK, std::string("a\0b\0", 4), 0,
       CodecStatus::kConverted, std::u16string(u"a\0b\0", 4)},
      {"BOM kept", win::CP_UTF8, "\xEF\xBB\xBFx", 0, CodecStatus::kConverted, u"\uFEFFx"},
      {"broken UTF-8 replaced", win::CP_UTF8, "\xC0x", 0, CodecStatus::kConverted, u"\uFFFDx"},
      {"broken UTF-8 refused", win::CP_UTF8, "\xC0x", win::MB_ERR_INVALID_CHARS,
       CodecStatus::kMeasureFailed, u""},
  };
  for (const auto& c : cases) {
    std::u16string out = u"stale";
    EXPECT_EQ(platform::DecodeText(c.cp, c.bytes, &out, c.flags), c.status) << c.name;
    EXPECT_EQ(out, c.text) << c.name;
  }
}

TEST(TextCodecTest, Encode) {
  const struct {
    const char* name;
    win::UINT cp;
    std::u16string text;
    size_t bound;
    CodecStatus status;
    std::string bytes;
  } cases[] = {
      {"936", win::CP_GBK, u"音乐", platform::kNoBound, CodecStatus::kConverted,
       "\xD2\xF4\xC0\xD6"},
      {"unmappable is the default char", win::CP_GBK, u"a\uAC00", platform::kNoBound,
       CodecStatus::kConverted, "a?"},
      {"terminator counts when passed", win::CP_GBK, std::u16string(u"音\0", 2), 3,
       CodecStatus::kConverted, std::string("\xD2\xF4\0", 3)},
      {"double-byte char over the bound", win::CP_GBK, std::u16string(u"音\0", 2), 2,
       CodecStatus::kTooLong, ""},
  };
  for (const auto& c : cases) {
    std::string out = "stale";
    EXPECT_EQ(platform::EncodeText(c.cp, c.text, &out, c.bound), c.status) << c.name;
    EXPECT_EQ(out, c.bytes) << c.name;
  }
}

TEST(TextCodecTest, ConvenienceFormsAndTheAnsiPage) {
  testing_support::InjectedEnv env;
  env.codePage = 936;
  // The system ANSI page is the default.
  EXPECT_EQ(platform::ToUtf16("\xD2\xF4"), u"音");
  EXPECT_EQ(platform::FromUtf16(u"音"), "\xD2\xF4");
  // Only a leading byte-order mark is dropped, and only when asked.
  EXPECT_EQ(platform::ToUtf16("\xEF\xBB\xBFx\xEF\xBB\xBF", win::CP_UTF8, LeadingBom::kDrop),
            u"x\uFEFF");

  EXPECT_EQ(platform::Recode("\xD2\xF4", win::CP_ACP, win::CP_UTF8), "\xE9\x9F\xB3");
  // What does not convert comes back as it was, not empty.
  EXPECT_EQ(platform::Recode("\xFF\xFE", win::CP_UTF8, win::CP_ACP, win::MB_ERR_INVALID_CHARS),
            "\xFF\xFE");
}

}  // namespace
