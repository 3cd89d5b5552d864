#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "catalog/compare_no_case.h"
#include "catalog/xml_document.h"

namespace {

template <typename T>
std::string Text(const T& node) {
  std::ostringstream out;
  node.Write(out);
  return out.str();
}

TEST(XmlModelTest, ShortAndLongFormsAttributesUnescaped) {
  catalog::XmlDocument doc;
  EXPECT_EQ(Text(doc), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");  // no root
  catalog::XmlElement* root = doc.CreateRoot("r");
  catalog::XmlElement* a = root->AddChild("a");
  EXPECT_EQ(a->GetAttribute("b"), "");  // reading adds it
  a->GetAttribute("B");
  a->InsertChildSorted("c", "Path", "x&<\"\xE4\xB8\xAD");
  root->AddChild("d");
  EXPECT_EQ(Text(doc), "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r><a B=\"\" b=\"\">"
                       "<c Path=\"x&<\"\xE4\xB8\xAD\"/></a><d/></r>");
}

TEST(CompareNoCaseTest, FoldsAsciiLettersOnly) {
  struct Case {
    std::string a, b;
    int expected;
  } cases[] = {
      {"", "", 0},          {"abc", "ABC", 0},        {"D:\\Down\\", "D:\\Downloads\\", -1},
      {"d:\\y\\", "E:\\X\\", -1}, {"ab", "abc", -1},  {"[", "{", -1},  {"_", "A", -1},
      {"\xC3\x84", "\xC3\xA4", -1},  // bytes above 0x7F are not folded, and are unsigned
      {"z", "\x80", -1},
      {std::string("a\0b", 3), std::string("a\0c", 3), 0},  // ends at NUL
  };
  for (const auto& c : cases) {
    EXPECT_EQ(catalog::CompareNoCase(c.a, c.b), c.expected) << c.a << " vs " << c.b;
    EXPECT_EQ(catalog::CompareNoCase(c.b, c.a), -c.expected) << c.b << " vs " << c.a;
  }
}

}  // namespace
