#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalog/split_string.h"

namespace {

TEST(SplitStringTest, Cases) {
  struct Case {
    std::string text, separators;
    std::vector<std::string> expected;
  } cases[] = {
      {"|", "|", {}},
      {"", "|", {}},
      {"||D:\\A|||D:\\B|", "|", {"D:\\A", "D:\\B"}},
      {"D:\\A", "|", {"D:\\A"}},
      {" D:\\A |  D:\\A", "|", {" D:\\A ", "  D:\\A"}},
      {"a;b,c;;d", ";,", {"a", "b", "c", "d"}},
      // Code page 936: lead byte 0x81 with trail byte "|" splits the character.
      {"D:\\\x81|x|E:\\", "|", {"D:\\\x81", "x", "E:\\"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(catalog::SplitString(c.text, c.separators), c.expected) << c.text;
}

}  // namespace
