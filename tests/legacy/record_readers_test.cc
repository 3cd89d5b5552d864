// The old stream formats: hand-made streams as an independent witness for
// the readers (the generator's streams must then load as it meant them, or
// every test built on them fails), every version of every class, cut
// streams and the property map's corner cases.
#include <gtest/gtest.h>

#include "legacy/category_record.h"
#include "legacy/conversions.h"
#include "legacy/stream_reader.h"
#include "legacy/task_factory.h"
#include "bytes.h"
#include "legacy_test_util.h"
#include "memory_stream.h"

namespace {

using historygen::MemoryStream;
using legacy_test::DistinctBt;
using legacy_test::DistinctEmule;
using legacy_test::DistinctGeneric;
using legacy_test::LoadStream;

std::string Le(uint64_t v, int n) {
  std::string s;
  return testing_support::AppendLe(s, v, n);
}
std::string Text(const std::string& s) { return Le(s.size(), 4) + s; }
std::string Time(int y, int mo, int d, int h, int mi, int sec) {
  return Le(y, 2) + Le(mo, 2) + Le(0, 2) + Le(d, 2) + Le(h, 2) + Le(mi, 2) + Le(sec, 2) + Le(0, 2);
}
std::string Hash(char first) {
  std::string s;
  for (int i = 0; i < 20; ++i) s.push_back(static_cast<char>(first + i));
  return s;
}

const std::string kGenericClsid("\xB6\x7D\xBF\x9D\xE1\xF4\x4B\x4F\x9A\xA0\xA0\x84\x99\xD7\x29\x08", 16);
const std::string kBtClsid("\xAE\x27\x2A\x82\x3E\xFA\xEF\x46\xBF\xFC\xAC\x6B\xC4\x39\x2D\x77", 16);
const std::string kEmuleClsid("\xCF\x9A\xA0\xEF\xFD\x12\xE2\x41\x84\x72\xC4\x94\x26\xBA\x45\xE1", 16);

template <typename T>
const T& As(const std::unique_ptr<legacy::LegacyTask>& task) {
  return dynamic_cast<const T&>(*task);
}

TEST(HandWrittenStream, GenericVersion0) {
  std::string s = kGenericClsid + Le(0, 4) + Le(7, 4) + Le(0x0000000200000001ull, 8) + Le(0, 8) +
                  Le(26, 4) + Time(2006, 3, 14, 10, 20, 30) + Time(2007, 4, 15, 11, 21, 31) +
                  Le(static_cast<uint32_t>(-13), 4) + Le(1234, 8) + Le(567, 8) + Le(103, 4);
  ASSERT_EQ(s.size(), 100u);  // the first text begins at 100
  s += Text("url") + Text("") + Text("C:\\d\\") + Text("ref") + Text("a.b.txt");
  s += Le(22, 4) + Le(24, 4) + Le(406, 4) + Le(404, 4) + Le(1, 4) + Hash(1) + Le(0, 4);
  s += Text("") + Text("x417") + Le(410, 4) + Le(411, 4) + Le(23, 4) + Le(0x100000412ull, 8) + Le(0, 4);

  auto task = LoadStream(s);
  ASSERT_TRUE(task);
  const auto& g = As<legacy::LegacyGenericTask>(task);
  EXPECT_EQ(g.LegacyId, 0x0000000200000001ull);
  EXPECT_EQ(g.F13, -13);
  EXPECT_EQ(g.FileName, "a.b.txt");
  EXPECT_EQ(g.F417, "x417");
  EXPECT_EQ(g.F412, 0x100000412ull);
  EXPECT_EQ(legacy::BytesToHex(g.F15), "0102030405060708090A0B0C0D0E0F1011121314");
  EXPECT_EQ(legacy::BytesToHex(g.F102), std::string(40, '0'));
  EXPECT_TRUE(g.Properties.empty());
}

TEST(HandWrittenStream, BtVersion1) {
  std::string s = kBtClsid + Le(1, 4) + Le(11, 4) + Le(0x55, 8) + Le(0, 8) + Le(26, 4) +
                  Time(2008, 1, 2, 3, 4, 5) + Time(2008, 1, 3, 3, 4, 5) + Le(13, 4) + Le(30, 8) +
                  Le(10, 8) + Le(0, 8) + Le(0, 8) + Le(0, 4);
  ASSERT_EQ(s.size(), 116u);  // the seed-file name begins at 116
  s += Text("abc.torrent") + Text("D:\\") + Text("cmt") + Text("name");
  s += Le(22, 4) + Le(0, 4) + Le(1, 4) + Hash(0x40) + Le(23, 4) + Le(0, 4);
  s += Text("");  // field 25; version 1 has no field 24
  s += Le(1, 4) + Text("n1");
  s += Le(2, 4) + Text("f1") + Le(1, 4) + Le(10, 8) + Le(10, 8) + Le(2, 4);
  s += Text("f2") + Le(0, 4) + Le(20, 8) + Le(19, 8) + Le(0, 4);

  auto task = LoadStream(s);
  ASSERT_TRUE(task);
  const auto& b = As<legacy::LegacyBtTask>(task);
  EXPECT_EQ(b.SeedFile, "abc.torrent");
  EXPECT_EQ(b.F23, 23u);
  ASSERT_EQ(b.FileNames, std::vector<std::string>{"n1"});
  ASSERT_EQ(b.Files.size(), 2u);
  EXPECT_TRUE(b.Files[0].Finished);  // size B >= size A
  EXPECT_EQ(b.Files[0].State, 2u);
  EXPECT_FALSE(b.Files[1].Selected);
  EXPECT_FALSE(b.Files[1].Finished);
}

TEST(HandWrittenStream, EmuleVersion0) {
  std::string s = kEmuleClsid + Le(0, 4);
  ASSERT_EQ(s.size(), 20u);  // the property map begins at 20
  s += Le(1, 4) + Text("NeedDrawUnopen") + Le(3, 2) + Le(42, 4);
  s += Le(12, 4) + Le(0x99, 8) + Le(0, 8) + Le(26, 4) + Le(7, 4);  // no field 8 at version 0
  s += Text("ed2k") + Text("c") + Text("m.avi") + Text("") + Text("v511") + Text("v510");
  s += Le(24, 4) + Le(22, 4) + Le(1, 1) + Le(0, 1) + Hash(1) + Le(0, 1) + Hash(0x30);
  s += Le(0, 1) + Text("dropped") + Le(0, 1) + Hash(0x50);
  s += Time(2010, 2, 3, 4, 5, 6) + Time(2010, 2, 4, 4, 5, 6) + Le(29, 4) + Le(30, 8) + Le(31, 8) +
       Le(0, 8);

  auto task = LoadStream(s);
  ASSERT_TRUE(task);
  const auto& e = As<legacy::LegacyEmuleTask>(task);
  EXPECT_EQ(e.LegacyId, 0x99u);
  EXPECT_EQ(e.FileName, "m.avi");
  EXPECT_EQ(e.F510, "v510");
  EXPECT_TRUE(e.F103);
  EXPECT_EQ(e.F506, "");  // its flag is false
  EXPECT_EQ(e.F4, 30);
  EXPECT_EQ(legacy::NeedDrawUnopen(e.Properties), 42);
}

void ExpectGeneric(const historygen::GenericTask& want, const legacy::LegacyGenericTask& got) {
  const uint32_t v = want.Version;
  EXPECT_EQ(got.LegacyId, want.LegacyId);
  EXPECT_EQ(got.F1, want.F1);
  EXPECT_EQ(got.F417, want.F417);
  EXPECT_EQ(got.F412, want.F412);
  EXPECT_EQ(got.Field30, want.Field30);
  EXPECT_EQ(got.F102, v >= 3 ? want.F102 : historygen::Hash20{});
  EXPECT_EQ(got.F413, v >= 4 ? want.F413 : "");
  EXPECT_EQ(got.F414, v >= 4 ? want.F414 : "");
  EXPECT_EQ(got.F419, v >= 5 ? want.F419 : "");
  EXPECT_EQ(got.F420, v >= 6 ? want.F420 : 0u);
  EXPECT_EQ(got.F421, v >= 6 ? want.F421 : 0u);
  EXPECT_EQ(got.Field39, v >= 8 ? want.Field39 : 0u);
  EXPECT_EQ(got.F409, v >= 9 ? want.F409 : "");
  EXPECT_EQ(got.Field41, v >= 10 ? want.Field41 : "");
  EXPECT_EQ(got.Properties.size(), v >= 7 ? 2u : 0u);
}

TEST(VersionedLoad, GenericEveryVersion) {
  for (uint32_t v = 0; v <= 10; ++v) {
    SCOPED_TRACE(v);
    const auto desc = DistinctGeneric(v);
    auto task = LoadStream(historygen::EncodeTask(desc));
    ASSERT_TRUE(task);
    ExpectGeneric(desc, As<legacy::LegacyGenericTask>(task));
  }
  EXPECT_FALSE(LoadStream(historygen::EncodeTask(DistinctGeneric(11))));
}

TEST(VersionedLoad, BtEveryVersion) {
  for (uint32_t v = 0; v <= 8; ++v) {
    SCOPED_TRACE(v);
    const auto desc = DistinctBt(v);
    auto task = LoadStream(historygen::EncodeTask(desc));
    ASSERT_TRUE(task);
    const auto& b = As<legacy::LegacyBtTask>(task);
    EXPECT_EQ(b.SeedFile, desc.SeedFile);
    EXPECT_EQ(b.F606, desc.F606);
    EXPECT_EQ(b.FileNames, desc.FileNames);
    EXPECT_EQ(b.F610, v >= 2 ? desc.F610 : "");
    EXPECT_EQ(b.Field30, v >= 3 ? desc.Field30 : 0u);
    EXPECT_EQ(b.F612, v >= 4 ? desc.F612 : "");
    EXPECT_EQ(b.F611, v >= 5 ? desc.F611 : "");
    EXPECT_EQ(b.Field33, v >= 7 ? desc.Field33 : "");
    EXPECT_EQ(b.Properties.size(), v >= 2 ? 1u : 0u);
    ASSERT_EQ(b.Files.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
      const auto& f = b.Files[i];
      const auto& w = desc.Files[i];
      EXPECT_EQ(f.Name, w.Name);
      EXPECT_EQ(f.Selected, w.Selected != 0);
      EXPECT_EQ(f.SizeB, w.SizeB);
      EXPECT_EQ(f.Finished, v >= 2 ? w.Finished != 0 : w.SizeB >= w.SizeA);
      EXPECT_EQ(f.HasHash1, v >= 6 && w.HasHash1 != 0);
      EXPECT_EQ(f.Hash2, v >= 6 ? w.Hash2 : historygen::Hash20{});
      EXPECT_EQ(f.FieldK, v >= 8 ? w.FieldK : 0u);
    }
  }
  EXPECT_FALSE(LoadStream(historygen::EncodeTask(DistinctBt(9))));
}

TEST(VersionedLoad, EmuleHasNoVersionLimit) {
  for (uint32_t v : {0u, 1u, 2u, 3u, 1000u}) {
    SCOPED_TRACE(v);
    const auto desc = DistinctEmule(v);
    auto task = LoadStream(historygen::EncodeTask(desc));
    ASSERT_TRUE(task);
    const auto& e = As<legacy::LegacyEmuleTask>(task);
    EXPECT_EQ(e.Field8, v != 0 ? desc.Field8 : 0u);
    EXPECT_EQ(e.Field14, v >= 2 ? desc.Field14 : "");
    EXPECT_EQ(e.F506, desc.F506);
    EXPECT_EQ(e.F8, desc.F8);
    EXPECT_EQ(e.Field32, desc.Field32);
  }
}

// Every cut of a stream fails, except inside the pairs of a closing property
// map, which then simply ends early.
TEST(TruncatedStream, FailsAtEveryOffsetBeforeTheMapPairs) {
  auto withoutPairs = [](auto desc) {
    desc.Properties.items.clear();
    return historygen::EncodeTask(desc).size();
  };
  struct Case {
    std::string bytes;
    size_t pairsStart;  // where a cut stops failing
  };
  const Case cases[] = {
      {historygen::EncodeTask(DistinctGeneric(10)), withoutPairs(DistinctGeneric(10))},
      {historygen::EncodeTask(DistinctBt(8)), withoutPairs(DistinctBt(8))},
      {historygen::EncodeTask(DistinctEmule(2)), historygen::EncodeTask(DistinctEmule(2)).size()},
  };
  for (const Case& c : cases) {
    for (bool buffered : {false, true}) {
      for (size_t cut = 16; cut < c.bytes.size(); ++cut) {
        SCOPED_TRACE(cut);
        const bool loaded = LoadStream(c.bytes.substr(0, cut), buffered) != nullptr;
        EXPECT_EQ(loaded, cut >= c.pairsStart);
      }
      EXPECT_TRUE(LoadStream(c.bytes, buffered));
    }
  }
}

TEST(TruncatedStream, TextsLongerThanTheReadAheadBlock) {
  auto desc = DistinctGeneric(10);
  desc.F1.assign(100000, 'u');
  desc.F416.assign(20000, 'v');
  const std::string bytes = historygen::EncodeTask(desc);
  auto task = LoadStream(bytes, true);
  ASSERT_TRUE(task);
  EXPECT_EQ(As<legacy::LegacyGenericTask>(task).F1, desc.F1);
  EXPECT_EQ(As<legacy::LegacyGenericTask>(task).F416, desc.F416);
  EXPECT_EQ(As<legacy::LegacyGenericTask>(task).Properties.size(), 2u);
  EXPECT_FALSE(LoadStream(bytes.substr(0, 50000), true));
}

TEST(TruncatedStream, HugeTextCountFailsWithoutReservingIt) {
  std::string s = historygen::EncodeTask(DistinctGeneric(10));
  s.replace(100, 4, Le(0xFFFFFFF0u, 4));  // the count of field 12
  EXPECT_FALSE(LoadStream(s));

  MemoryStream stream(Le(0xFFFFFFFFu, 4) + "short");
  std::string text = "old";
  EXPECT_FALSE(legacy::ReadText(&stream, &text));

  auto bt = DistinctBt(8);
  bt.FileNames.clear();
  std::string b = historygen::EncodeTask(bt);
  const size_t countAt = b.find(Le(3, 4) + Text(bt.Files[0].Name)) - 4;
  b.replace(countAt, 4, Le(0xFFFFFFFFu, 4));  // a name list that claims 4 billion names
  EXPECT_FALSE(LoadStream(b));
}

legacy::PropertyMap ReadMap(const std::string& bytes, bool* ok = nullptr) {
  MemoryStream stream(bytes);
  legacy::PropertyMap map;
  const bool result = legacy::ReadPropertyMap(&stream, &map);
  if (ok) *ok = result;
  return map;
}

TEST(PropertyMap, EachValueTypeConsumesItsPayload) {
  struct Case {
    uint16_t type;
    std::string payload;
    int64_t low32;  // the 32-bit payload as read
  };
  const Case cases[] = {{2, Le(0xFFFE, 2), 0xFFFE},
                        {11, Le(0xFFFF, 2), 0xFFFF},
                        {3, Le(70000, 4), 70000},
                        {4, Le(0x3F800000, 4), 0x3F800000},
                        {10, Le(5, 4), 5},
                        {5, Le(0x1122334455667788ull, 8), 0x55667788},
                        {7, Le(9, 8), 9},
                        {6, Le(0x100000002ull, 8), 2},
                        {17, Le(0xAB, 1), 0xAB}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    bool ok = false;
    auto map =
        ReadMap(Le(2, 4) + Text("v") + Le(c.type, 2) + c.payload + Text("z") + Le(3, 2) + Le(1, 4), &ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(map.size(), 2u);
    EXPECT_EQ(map["v"].get().vt, c.type);
    EXPECT_EQ(static_cast<uint32_t>(map["v"].get().lVal), static_cast<uint32_t>(c.low32));
    EXPECT_EQ(map["z"].get().lVal, 1);
  }
}

TEST(PropertyMap, CornerCases) {
  // The later of two equal names wins.
  auto dup = ReadMap(Le(2, 4) + Text("a") + Le(3, 2) + Le(1, 4) + Text("a") + Le(3, 2) + Le(2, 4));
  ASSERT_EQ(dup.size(), 1u);
  EXPECT_EQ(dup["a"].get().lVal, 2);

  // A string of zero bytes holds no text; others keep their bytes. (The map
  // keeps a VariantCopy of the value, and the system's copy of a missing
  // string may be an empty one.)
  auto strings = ReadMap(Le(2, 4) + Text("e") + Le(8, 2) + Le(0, 4) + Text("s") + Le(8, 2) +
                         Le(3, 4) + "xyz");
  EXPECT_EQ(strings["e"].get().vt, win::VT_BSTR);
  EXPECT_EQ(win::SysStringByteLen(strings["e"].get().bstrVal), 0u);
  ASSERT_NE(strings["s"].get().bstrVal, nullptr);
  EXPECT_EQ(win::SysStringByteLen(strings["s"].get().bstrVal), 3u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(strings["s"].get().bstrVal), 3), "xyz");

  // An unknown type is kept, empty, and the next pair follows its type.
  auto unknown = ReadMap(Le(2, 4) + Text("u") + Le(99, 2) + Text("k") + Le(3, 2) + Le(4, 4));
  ASSERT_EQ(unknown.size(), 2u);
  EXPECT_EQ(unknown["u"].get().vt, win::VT_EMPTY);
  EXPECT_EQ(unknown["k"].get().lVal, 4);

  // A count beyond the pairs ends the map at the end of the stream.
  bool ok = false;
  auto longCount = ReadMap(Le(1000, 4) + Text("a") + Le(3, 2) + Le(1, 4), &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(longCount.size(), 1u);

  // A value cut short by the end of the stream keeps its type and the bytes
  // that were there.
  auto cut = ReadMap(Le(2, 4) + Text("n") + Le(3, 2) + Le(0x0507, 2), &ok);
  EXPECT_TRUE(ok);
  ASSERT_EQ(cut.size(), 1u);
  EXPECT_EQ(cut["n"].get().vt, win::VT_I4);
  EXPECT_EQ(cut["n"].get().lVal, 0x0507);

  ReadMap(Le(1, 2), &ok);
  EXPECT_FALSE(ok);  // no count
}

TEST(CategoryRecordLoad, ReadsNameAndFolderAndFailsShort) {
  const std::string bytes = historygen::EncodeCategory("\xD2\xF4\xC0\xD6", "D:\\Music", 5);
  EXPECT_EQ(bytes, Le(5, 8) + Text("\xD2\xF4\xC0\xD6") + Text("D:\\Music"));
  for (size_t cut = 0; cut <= bytes.size(); ++cut) {
    MemoryStream stream(bytes.substr(0, cut));
    legacy::CategoryRecord r;
    EXPECT_EQ(r.Load(&stream), cut == bytes.size()) << cut;
    if (cut == bytes.size()) {
      EXPECT_EQ(r.Folder, "D:\\Music");
    }
  }
}

TEST(ValueConversions, WhatTheTaskRowsDoNotShow) {
  EXPECT_EQ(legacy::MapLegacyState(13), 200);
  EXPECT_EQ(legacy::FileExtension("trailing."), "");
  EXPECT_DOUBLE_EQ(legacy::SystemTimeToDate({2000, 1, 0, 1, 12, 0, 0, 0}), 36526.5);
  EXPECT_DOUBLE_EQ(legacy::SystemTimeToDate({2000, 13, 0, 1, 0, 0, 0, 0}), 0.0);  // invalid
}

}  // namespace
