// Reading compound files written by other implementations and files that
// bend the format's rules the way real files do.
#include <gtest/gtest.h>

#include <functional>

#include "cfb_test_util.h"
#include "../support/test_support.h"

using cfbtest::ImageBuilder;
using cfbtest::Tree;
using testing_support::TempDir;

namespace {

std::string Bytes(size_t n, unsigned seed) {
  std::string s(n, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (auto& c : s) {
    x = x * 1664525u + 1013904223u;
    c = static_cast<char>(x >> 24);
  }
  return s;
}

Tree ReadPath(const std::string& path, win::HRESULT* hr = nullptr) {
  win::HRESULT local;
  return cfbtest::ReadFileTree(path, hr ? hr : &local);
}

// Folders of files that gsf turns into a compound file: mini streams,
// streams on both sides of the cutoff, empty streams, nested storages,
// names outside ASCII, and a stream of 8 MB whose FAT needs DIFAT sectors.
TEST(CfbRead, FilesWrittenByGsfAndOlefile) {
  TempDir dir;
  Tree files = {
      {"top/", ""},
      {"top/a.txt", "hello"},
      {"top/empty", ""},
      {"top/cut4095", Bytes(4095, 1)},
      {"top/cut4096", Bytes(4096, 2)},
      {"top/big", Bytes(300000, 3)},
      {"top/large", Bytes(8 * 1024 * 1024 + 77, 9)},
      {"top/sub/", ""},
      {"top/sub/\xC3\x9C" "ber \xE4\xB8\xAD", Bytes(100, 4)},
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
  EXPECT_EQ(cfbtest::DiffTrees(ReadPath(ole, &hr), files), "");
  EXPECT_EQ(hr, win::S_OK);

  // olefile rewrites stream contents in place; the engine sees the change.
  std::string script =
      "import olefile,sys\n"
      "ole=olefile.OleFileIO(sys.argv[1], write_mode=True)\n"
      "ole.write_stream('top/a.txt', b'HELLO')\n"
      "ole.write_stream('top/big', bytes(range(256))*1171+bytes(224))\n"
      "ole.close()\n";
  cfbtest::Run("/usr/bin/python3 -c " + cfbtest::Quote(script) + " " + cfbtest::Quote(ole),
               &status);
  ASSERT_EQ(status, 0);
  files["top/a.txt"] = "HELLO";
  files["top/big"].clear();
  for (int i = 0; i < 1171 * 256; ++i) files["top/big"] += static_cast<char>(i);
  files["top/big"] += std::string(224, '\0');
  EXPECT_EQ(cfbtest::DiffTrees(ReadPath(ole, &hr), files), "");
}

// The content every built image below holds unless a case changes it.
struct Base {
  std::string small = Bytes(100, 5);
  std::string big = Bytes(5000, 6);
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

struct QuirkCase {
  const char* name;
  uint16_t major;
  uint16_t shift;
  std::function<void(ImageBuilder&, Base&, Tree&)> tweak;
  std::function<void(std::string&)> patch;
};

TEST(CfbRead, FilesThatBendTheRules) {
  std::string huge = Bytes(7 * 1024 * 1024 + 10, 7);
  const QuirkCase cases[] = {
      {"version 4", 4, 12, nullptr, nullptr},
      {"version 3 header with 4096-byte sectors", 3, 12, nullptr, nullptr},
      {"odd minor version and wrong counts", 3, 9,
       [](ImageBuilder& b, Base&, Tree&) {
         b.headerPatch[0x18] = 0x00030021;  // minor 0x21, major 3
         b.headerPatch[0x28] = 7;           // directory sectors
         b.headerPatch[0x2C] = 50;          // FAT sectors
         b.headerPatch[0x40] = 99;          // mini FAT sectors
         b.headerPatch[0x48] = 3;           // DIFAT sectors
       },
       nullptr},
      {"unused DIFAT slots zero instead of FREESECT", 3, 9,
       [](ImageBuilder& b, Base&, Tree&) {
         for (size_t i = 1; i < 109; ++i) b.headerPatch[0x4C + 4 * i] = 0;
       },
       nullptr},
      {"FAT sectors not marked", 3, 9, [](ImageBuilder& b, Base&, Tree&) { b.markFatSectors = false; },
       nullptr},
      {"data after the last sector", 3, 9, nullptr, [](std::string& f) { f += "trailing junk"; }},
      {"length not a whole number of sectors", 3, 9, nullptr,
       [](std::string& f) { f.resize(f.size() - 200); }},
      {"root mini stream longer than used", 3, 9,
       [](ImageBuilder& b, Base& base, Tree&) { b.rootSizeOverride = 64 * 40; }, nullptr},
      {"colours and balance violated", 3, 9,
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
      {"unused entries with zero links, entry reachable twice", 3, 9,
       [](ImageBuilder& b, Base& base, Tree&) {
         uint32_t unused = b.AddEntry(u"", 0);
         b.entry(unused).left = b.entry(unused).right = b.entry(unused).child = 0;
         b.entry(base.innerId).left = base.smallId;  // Alpha is also the root's child
         b.entry(base.innerId).right = unused;
       },
       nullptr},
      {"storage with garbage start and size", 3, 9,
       [](ImageBuilder& b, Base& base, Tree&) {
         b.entry(base.subId).start = 0x12345;
         b.entry(base.subId).size = 0xFFFFFFFFFFFFull;
       },
       nullptr},
      {"odd, oversized, missing and unterminated name lengths", 3, 9,
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
      {"empty name and zero-length streams at ENDOFCHAIN or 0", 3, 9,
       [](ImageBuilder& b, Base& base, Tree& t) {
         uint32_t e1 = b.AddEntry(u"", 2, 0xFFFFFFFE, 0);
         uint32_t e2 = b.AddEntry(u"Zero", 2, 0, 0);
         b.entry(base.innerId).left = e1;
         b.entry(base.innerId).right = e2;
         t["Sub/"] = "";
         t["Sub/Zero"] = "";
       },
       [](std::string&) {}},
      {"version 3 sizes with garbage high half", 3, 9,
       [](ImageBuilder& b, Base& base, Tree&) {
         b.entry(base.smallId).size |= 0xDEADBEEF00000000ull;
         b.entry(base.bigId).size |= 0x0000000100000000ull;
       },
       nullptr},
      {"DIFAT", 3, 9,
       [&huge](ImageBuilder& b, Base& base, Tree& t) {
         uint32_t id = b.AddStream(u"Huge", huge);
         b.entry(base.smallId).right = id;
         t["Huge"] = huge;
       },
       nullptr},
      {"DIFAT chain ending in FREESECT", 3, 9,
       [&huge](ImageBuilder& b, Base& base, Tree& t) {
         uint32_t id = b.AddStream(u"Huge", huge);
         b.entry(base.smallId).right = id;
         b.difatEndsFree = true;
         t["Huge"] = huge;
       },
       nullptr},
  };
  TempDir dir;
  for (const QuirkCase& c : cases) {
    SCOPED_TRACE(c.name);
    ImageBuilder b(c.major, c.shift);
    Base base;
    base.Fill(b);
    Tree expected = base.Expected();
    if (c.tweak) c.tweak(b, base, expected);
    std::string image = b.Build();
    if (c.patch) c.patch(image);
    std::string path = dir.Join("quirk.cfb");
    testing_support::WriteFile(path, image);
    win::HRESULT hr;
    Tree got = ReadPath(path, &hr);
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
  EXPECT_EQ(root->OpenStream(u"missing", nullptr, 0x10, 0, s.out()), win::STG_E_FILENOTFOUND);
  cfbtest::Ref<win::IStorage> sub;
  EXPECT_EQ(root->OpenStorage(u"A", nullptr, 0x10, nullptr, 0, sub.out()), win::STG_E_FILENOTFOUND);
}

}  // namespace
