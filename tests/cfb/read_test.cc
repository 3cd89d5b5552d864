// Reading compound files written by other implementations and files that
// bend the format's rules the way real files do. Corrupt files are the
// compound-file fuzzer's: it feeds the engine far more of them.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>

#include "bytes.h"
#include "cfb_test_util.h"
#include "../support/test_support.h"

using cfbtest::ImageBuilder;
using cfbtest::Tree;
using testing_support::TempDir;

namespace {

using cfbtest::Pattern;

using testing_support::GetLe32;
using testing_support::PutLe32;

// Folders of files that gsf turns into a compound file: mini streams,
// streams on both sides of the cutoff, empty streams, nested storages,
// names outside ASCII, and a stream of 8 MB whose FAT needs DIFAT sectors.
TEST(CfbRead, FilesWrittenByGsf) {
  TempDir dir;
  Tree files = {
      {"top/", ""},
      {"top/a.txt", "hello"},
      {"top/empty", ""},
      {"top/cut4095", Pattern(4095, 1)},
      {"top/cut4096", Pattern(4096, 2)},
      {"top/large", Pattern(8 * 1024 * 1024 + 77, 9)},
      {"top/sub/", ""},
      {"top/sub/\xC3\x9C" "ber \xE4\xB8\xAD", Pattern(100, 4)},
      {"top/sub/deeper/", ""},
      {"top/sub/deeper/x", "x"},
  };
  for (const auto& [path, content] : files) {
    if (path.back() == '/') {
      testing_support::MakeDirs(dir.Join("src/" + path));
    } else {
      testing_support::WriteFile(dir.Join("src/" + path), content);
    }
  }
  std::string ole = dir.Join("gsf.ole");
  int status = 0;
  cfbtest::Run("cd " + cfbtest::Quote(dir.Join("src")) + " && gsf createole " +
                   cfbtest::Quote(ole) + " top >/dev/null 2>&1",
               &status);
  ASSERT_EQ(status, 0);
  win::HRESULT hr;
  EXPECT_EQ(cfbtest::DiffTrees(cfbtest::ReadFileTree(ole, &hr), files), "");
  EXPECT_EQ(hr, win::S_OK);
}

// The content every built image below holds unless a case changes it.
struct Base {
  std::string small = Pattern(100, 5);
  std::string big = Pattern(5000, 6);
  std::string inner = "inner bytes";
  uint32_t smallId = 0, bigId = 0, subId = 0, innerId = 0;

  Tree Expected() const {
    return {{"Alpha", small}, {"Big", big}, {"Sub/", ""}, {"Sub/Inner", inner}};
  }
  void Fill(ImageBuilder& b) {
    smallId = b.AddStream(u"Alpha", small);
    bigId = b.AddStream(u"Big", big);
    subId = b.AddEntry(u"Sub", 1);
    innerId = b.AddStream(u"Inner", inner);
    b.Children(0, {bigId, subId, smallId});
    b.Children(subId, {innerId});
  }
};

// An image built from Base, changed by tweak (which also adjusts the tree
// expected) and then patch, written to path and read back.
struct ImageCase {
  const char* name;
  std::function<void(ImageBuilder&, Base&, Tree&)> tweak = nullptr;
  std::function<void(std::string&)> patch = nullptr;
  uint16_t major = 3;
  uint16_t shift = 9;
};

Tree BuildAndRead(const ImageCase& c, const std::string& path, Tree* expected, win::HRESULT* hr) {
  ImageBuilder b(c.major, c.shift);
  Base base;
  base.Fill(b);
  *expected = base.Expected();
  if (c.tweak) c.tweak(b, base, *expected);
  std::string image = b.Build();
  if (c.patch) c.patch(image);
  testing_support::WriteFile(path, image);
  return cfbtest::ReadFileTree(path, hr);
}

TEST(CfbRead, FilesThatBendTheRules) {
  std::string huge = Pattern(7 * 1024 * 1024 + 10, 7);
  const ImageCase cases[] = {
      {"version 4", nullptr, nullptr, 4, 12},
      {"version 3 header with 4096-byte sectors", nullptr, nullptr, 3, 12},
      {"odd minor version and wrong counts",
       [](ImageBuilder& b, Base&, Tree&) {
         b.headerPatch[0x18] = 0x00030021;  // minor 0x21, major 3
         b.headerPatch[0x28] = 7;           // directory sectors
         b.headerPatch[0x2C] = 50;          // FAT sectors
         b.headerPatch[0x40] = 99;          // mini FAT sectors
         b.headerPatch[0x48] = 3;           // DIFAT sectors
       },
       nullptr},
      {"unused DIFAT slots zero instead of FREESECT",
       [](ImageBuilder& b, Base&, Tree&) {
         for (size_t i = 1; i < 109; ++i) b.headerPatch[0x4C + 4 * i] = 0;
       },
       nullptr},
      {"FAT sectors not marked", [](ImageBuilder& b, Base&, Tree&) { b.markFatSectors = false; },
       nullptr},
      {"data after the last sector", nullptr, [](std::string& f) { f += "trailing junk"; }},
      {"length not a whole number of sectors", nullptr,
       [](std::string& f) { f.resize(f.size() - 200); }},
      // A history cut short loses the end of the mini stream: the small
      // streams before the break still read.
      {"mini stream chain that runs past the file",
       [](ImageBuilder& b, Base& base, Tree& t) {
         b.entry(base.innerId).left = b.AddStream(u"Tail", Pattern(4000, 8));
         t["Sub/Tail"] = "<error>";
       },
       [](std::string& f) {
         uint32_t rootStart = GetLe32(f, 512 + GetLe32(f, 0x30) * 512 + 0x74);
         PutLe32(f, 512 + GetLe32(f, 0x4C) * 512 + 4 * rootStart, 900000);
       }},
      {"root mini stream longer than used",
       [](ImageBuilder& b, Base& base, Tree&) { b.rootSizeOverride = 64 * 40; }, nullptr},
      {"colours and balance violated",
       [](ImageBuilder& b, Base& base, Tree& t) {
         // A storage whose 60 children hang off right links, all red.
         uint32_t chain = b.AddEntry(u"Chain", 1);
         b.entry(base.smallId).left = chain;
         uint32_t prev = 0xFFFFFFFF;
         for (int i = 59; i >= 0; --i) {
           std::string name = "n" + std::to_string(100 + i);
           uint32_t id = b.AddStream(cfbtest::Utf16(name), name);
           b.entry(id).color = 0;
           b.entry(id).right = prev;
           prev = id;
           t["Chain/" + name] = name;
         }
         b.entry(chain).child = prev;
         b.entry(chain).color = 0;
         t["Chain/"] = "";
       },
       nullptr},
      {"unused entries with zero links, entry reachable twice",
       [](ImageBuilder& b, Base& base, Tree&) {
         uint32_t unused = b.AddEntry(u"", 0);
         b.entry(unused).left = b.entry(unused).right = b.entry(unused).child = 0;
         b.entry(base.innerId).left = base.smallId;  // Alpha is also the root's child
         b.entry(base.innerId).right = unused;
       },
       nullptr},
      {"storage with garbage start and size",
       [](ImageBuilder& b, Base& base, Tree&) {
         b.entry(base.subId).start = 0x12345;
         b.entry(base.subId).size = 0xFFFFFFFFFFFFull;
       },
       nullptr},
      {"odd, oversized, missing and unterminated name lengths",
       [](ImageBuilder& b, Base& base, Tree& t) {
         b.entry(base.smallId).nameLengthField = 200;
         b.entry(base.bigId).nameLengthField = 7;  // odd: "Big" and its terminator are 8
         b.entry(base.subId).nameLengthField = 0;
         std::u16string full32 = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdef";
         uint32_t id = b.AddStream(full32, "thirty-two");
         b.entry(base.innerId).left = id;
         // Listed, but no valid name has 32 units, so it cannot be opened.
         t["Sub/ABCDEFGHIJKLMNOPQRSTUVWXYZabcdef"] = "<error>";
       },
       nullptr},
      {"empty name and zero-length streams at ENDOFCHAIN or 0",
       [](ImageBuilder& b, Base& base, Tree& t) {
         uint32_t e1 = b.AddEntry(u"", 2, 0xFFFFFFFE, 0);
         uint32_t e2 = b.AddEntry(u"Zero", 2, 0, 0);
         b.entry(base.innerId).left = e1;
         b.entry(base.innerId).right = e2;
         t["Sub/"] = "";
         t["Sub/Zero"] = "";
       },
       nullptr},
      // 512-byte sectors make a version-3 file whatever its version field says.
      {"version 3 sizes with garbage high half, odd version field",
       [](ImageBuilder& b, Base& base, Tree&) {
         b.entry(base.bigId).size |= 0x0000000200000000ull;
         b.entry(base.innerId).size |= 0x8000000000000000ull;
       },
       nullptr, 4, 9},
      {"DIFAT chain ending in FREESECT",
       [&huge](ImageBuilder& b, Base& base, Tree& t) {
         uint32_t id = b.AddStream(u"Huge", huge);
         b.entry(base.smallId).right = id;
         b.difatEndsFree = true;
         t["Huge"] = huge;
       },
       nullptr},
  };
  TempDir dir;
  for (const ImageCase& c : cases) {
    SCOPED_TRACE(c.name);
    Tree expected;
    win::HRESULT hr;
    Tree got = BuildAndRead(c, dir.Join("quirk.cfb"), &expected, &hr);
    EXPECT_EQ(hr, win::S_OK);
    EXPECT_EQ(cfbtest::DiffTrees(got, expected), "");
  }
}

// Lookups ignore case; the enumerator yields shorter names first and names
// of one length in upper-cased order.
TEST(CfbRead, NameOrderAndCaseInsensitiveLookup) {
  ImageBuilder b;
  std::vector<std::u16string> sorted = {u"A", u"b", u"Z", u"aa", u"B0", u"\u00e9t\u00e9", u"\u00c9T\u00c9s"};
  std::vector<uint32_t> ids;
  for (const auto& n : sorted) ids.push_back(b.AddStream(n, cfbtest::Utf8(n)));
  b.Children(0, ids);
  TempDir dir;
  testing_support::WriteFile(dir.Join("order.cfb"), b.Build());
  cfbtest::Ref<win::IStorage> root;
  ASSERT_EQ(cfb::OpenCompoundFile(dir.Join("order.cfb").c_str(), 0x10, root.out()), win::S_OK);
  cfbtest::Ref<win::IEnumSTATSTG> e;
  ASSERT_EQ(root->EnumElements(0, nullptr, 0, e.out()), win::S_OK);
  std::vector<std::u16string> seen;
  win::STATSTG st;
  win::ULONG got = 0;
  while (e->Next(1, &st, &got) == win::S_OK) {
    EXPECT_EQ(got, 1u);
    seen.push_back(st.pwcsName);
    cfb::FreeName(st.pwcsName);
  }
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(seen, sorted);
  cfbtest::Ref<win::IStream> s;
  EXPECT_EQ(root->OpenStream(u"\u00c9T\u00c9", nullptr, 0x10, 0, s.out()), win::S_OK);
  char buf[16];
  win::ULONG n = 0;
  EXPECT_EQ(s->Read(buf, sizeof buf, &n), win::S_OK);  // short read at the end is S_OK
  EXPECT_EQ(std::string(buf, n), "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(root->OpenStream(u"AA", nullptr, 0x10, 0, s.out()), win::S_OK);
}

// Every path that cfbtool ls prints is one that cfbtool cat reads, also for
// names a plain path cannot show: an empty storage name (one real writer
// leaves it), an empty stream name, control characters, "%" and "/".
TEST(CfbTool, LsPathsAreCatPaths) {
  ImageBuilder b;
  uint32_t unnamed = b.AddEntry(u"", 1);
  uint32_t blank = b.AddStream(u"", "blank");
  uint32_t compObj = b.AddStream(u"\x01" u"CompObj", "comp obj");
  uint32_t percent = b.AddStream(u"50%", "percent");
  uint32_t slash = b.AddStream(u"a/b", "slash");
  b.Children(0, {unnamed, percent, slash});
  b.Children(unnamed, {blank, compObj});
  TempDir dir;
  const std::string file = dir.Join("names.cfb");
  testing_support::WriteFile(file, b.Build());
  const std::string tool = cfbtest::Quote(testing_support::BuildDir() + "/cfbtool");

  int status = -1;
  std::istringstream listing(cfbtest::Run(tool + " ls " + cfbtest::Quote(file), &status));
  ASSERT_EQ(status, 0);
  std::map<std::string, std::string> got;
  std::string size, path;
  while (listing >> size >> path) {
    if (size == "-") continue;
    got[path] = cfbtest::Run(tool + " cat " + cfbtest::Quote(file) + " " + cfbtest::Quote(path) +
                                 " 2>/dev/null",
                             &status);
    if (status != 0) got[path] = "<cat failed>";
  }
  const std::map<std::string, std::string> want = {
      {"%/%", "blank"}, {"%/%01CompObj", "comp obj"}, {"50%25", "percent"}, {"a%2Fb", "slash"}};
  EXPECT_EQ(got, want);
}

}  // namespace
