#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalog/split_string.h"

namespace {

using Items = std::vector<std::string>;

TEST(SplitStringTest, Cases) {
  struct Case {
    std::string text, separators;
    Items expected;
  } cases[] = {
      {"|", "|", {}},
      {"", "|", {}},
      {"|||", "|", {}},
      {"D:\\A|D:\\B", "|", {"D:\\A", "D:\\B"}},
      {"||D:\\A|||D:\\B|", "|", {"D:\\A", "D:\\B"}},
      {"D:\\A", "|", {"D:\\A"}},
      {" D:\\A |  D:\\B", "|", {" D:\\A ", "  D:\\B"}},
      {"D:\\A|D:\\A", "|", {"D:\\A", "D:\\A"}},
      {"a;b,c;;d", ";,", {"a", "b", "c", "d"}},
      {"abc", "", {"abc"}},
      // Code page 936: lead byte 0x81 with trail byte 0x7C ("|") splits the
      // character, as the list is split before it is converted.
      {"D:\\\x81|x|E:\\", "|", {"D:\\\x81", "x", "E:\\"}},
      {"\xD6\xD0|\xCE\xC4", "|", {"\xD6\xD0", "\xCE\xC4"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitString(c.text, c.separators), c.expected) << c.text;
}

}  // namespace
