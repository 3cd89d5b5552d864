#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "catalog/compare_no_case.h"
#include "catalog/xml_document.h"
#include "catalog/xml_element.h"

namespace {

const std::string kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

std::string Text(const XmlDocument& doc) {
  std::ostringstream out;
  doc.Write(out);
  return out.str();
}

TEST(XmlModelTest, ShortAndLongForms) {
  XmlDocument doc;
  EXPECT_EQ(Text(doc), kHeader);  // no root: the declaration alone

  XmlElement* root = doc.CreateRoot("r");
  EXPECT_EQ(Text(doc), kHeader + "<r/>");

  XmlElement* a = root->AddChild("a");
  a->InsertChildSorted("b", "Path", "x");
  root->AddChild("c");
  EXPECT_EQ(Text(doc), kHeader + "<r><a><b Path=\"x\"/></a><c/></r>");
}

TEST(XmlModelTest, AttributesInByteOrderAndNeverEscaped) {
  XmlElement e("e");
  EXPECT_EQ(e.GetAttribute("b"), "");  // reading adds it
  EXPECT_EQ(e.GetAttribute("B"), "");
  EXPECT_EQ(e.GetAttribute("a"), "");
  XmlElement* child = e.InsertChildSorted("c", "Path", "a&<\"\xE4\xB8\xAD");
  EXPECT_EQ(child->GetAttribute("Path"), "a&<\"\xE4\xB8\xAD");
  std::ostringstream out;
  e.Write(out);
  EXPECT_EQ(out.str(), "<e B=\"\" a=\"\" b=\"\"><c Path=\"a&<\"\xE4\xB8\xAD\"/></e>");
}

TEST(XmlModelTest, SortedInsertionKeepsEqualPathsInArrivalOrder) {
  XmlElement e("e");
  e.InsertChildSorted("x", "Path", "D:\\b\\");
  e.InsertChildSorted("x", "Path", "d:\\A\\");
  e.InsertChildSorted("y", "Path", "D:\\B\\");  // equal to the first: after it
  e.InsertChildSorted("x", "Path", "D:\\");
  auto adopted = std::make_unique<XmlElement>("z");
  adopted->InsertChildSorted("inner", "Path", "q");
  e.AdoptChildSorted(std::move(adopted));  // no Path: reads as empty, goes first
  std::ostringstream out;
  e.Write(out);
  EXPECT_EQ(out.str(),
            "<e><z Path=\"\"><inner Path=\"q\"/></z><x Path=\"D:\\\"/><x Path=\"d:\\A\\\"/>"
            "<x Path=\"D:\\b\\\"/><y Path=\"D:\\B\\\"/></e>");
}

// Children that do not stand in path order (AddChild appends anywhere) are
// read one by one: the scan stops at the insertion point and gives only the
// children it read an empty "Path".
TEST(XmlModelTest, UnorderedChildrenAreScannedInDocumentOrder) {
  XmlElement e("e");
  e.InsertChildSorted("x", "Path", "m");
  e.AddChild("n");  // reads as "" after "m"
  e.AddChild("o");
  e.InsertChildSorted("x", "Path", "a");  // before "m": nothing after it is read
  std::ostringstream out;
  e.Write(out);
  EXPECT_EQ(out.str(), "<e><x Path=\"a\"/><x Path=\"m\"/><n/><o/></e>");
  e.InsertChildSorted("x", "Path", "z");  // reads every child
  std::ostringstream again;
  e.Write(again);
  EXPECT_EQ(again.str(), "<e><x Path=\"a\"/><x Path=\"m\"/><n Path=\"\"/><o Path=\"\"/>"
                         "<x Path=\"z\"/></e>");
}

TEST(XmlModelTest, SecondRootReplacesTheFirst) {
  XmlDocument doc;
  doc.CreateRoot("a")->AddChild("gone");
  doc.CreateRoot("b");
  EXPECT_EQ(Text(doc), kHeader + "<b/>");
}

TEST(CompareNoCaseTest, FoldsAsciiLettersOnly) {
  struct Case {
    std::string a, b;
    int expected;
  } cases[] = {
      {"", "", 0},
      {"abc", "ABC", 0},
      {"D:\\Down\\", "D:\\Downloads\\", -1},  // backslash before 'l'
      {"d:\\y\\", "E:\\X\\", -1},
      {"Z", "a", 1},
      {"ab", "abc", -1},
      {"[", "{", -1},        // '[' is not folded to '{'
      {"_", "A", -1},        // 'A' folds to 'a' (0x61), above '_' (0x5F)
      {"\xC3\x84", "\xC3\xA4", -1},  // no folding above 0x7F; bytes are unsigned
      {"z", "\x80", -1},
      {std::string("a\0b", 3), std::string("a\0c", 3), 0},  // ends at NUL
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CompareNoCase(c.a, c.b), c.expected) << c.a << " vs " << c.b;
    EXPECT_EQ(CompareNoCase(c.b, c.a), -c.expected) << c.b << " vs " << c.a;
  }
}

}  // namespace
