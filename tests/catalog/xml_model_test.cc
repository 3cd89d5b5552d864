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

TEST(XmlModelTest, SortedInsertionKeepsEqualPathsInArrivalOrder) {
  catalog::XmlElement e("e");
  e.InsertChildSorted("x", "Path", "D:\\b\\");
  e.InsertChildSorted("x", "Path", "d:\\A\\");
  e.InsertChildSorted("y", "Path", "D:\\B\\");  // equal to the first: after it
  e.InsertChildSorted("x", "Path", "D:\\");
  auto adopted = std::make_unique<catalog::XmlElement>("z");  // no Path: reads as empty, goes first
  e.AdoptChildSorted(std::move(adopted));
  EXPECT_EQ(Text(e), "<e><z Path=\"\"/><x Path=\"D:\\\"/><x Path=\"d:\\A\\\"/>"
                     "<x Path=\"D:\\b\\\"/><y Path=\"D:\\B\\\"/></e>");
}

// Children out of path order (AddChild appends anywhere) are read one by
// one up to the insertion point: only those read get an empty "Path".
TEST(XmlModelTest, UnorderedChildrenAreScannedInDocumentOrder) {
  catalog::XmlElement e("e");
  e.InsertChildSorted("x", "Path", "m");
  e.AddChild("n");
  e.InsertChildSorted("x", "Path", "a");
  EXPECT_EQ(Text(e), "<e><x Path=\"a\"/><x Path=\"m\"/><n/></e>");
  e.InsertChildSorted("x", "Path", "z");
  e.InsertChildSorted("x", "Path", "b");
  EXPECT_EQ(Text(e), "<e><x Path=\"a\"/><x Path=\"b\"/><x Path=\"m\"/><n Path=\"\"/><x Path=\"z\"/></e>");
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
