// Parses an image with its own small reader and checks every rule the
// writer promises.
#include "cfb_test_util.h"

#include <functional>
#include <set>
#include <vector>

#include "bytes.h"
#include "cfb/name_order.h"

namespace cfbtest {

namespace {

constexpr uint32_t kFree = 0xFFFFFFFF;
constexpr uint32_t kEnd = 0xFFFFFFFE;
constexpr uint32_t kFatSect = 0xFFFFFFFD;
constexpr uint32_t kDifSect = 0xFFFFFFFC;

constexpr auto U16 = testing_support::GetLe16;
constexpr auto U32 = testing_support::GetLe32;

struct Entry {
  std::u16string name;
  uint8_t type, color;
  uint32_t left, right, child, start;
  uint64_t size;
};

}  // namespace

std::string CheckLayout(const std::string& f) {
  std::string problems;
  auto fail = [&](const std::string& p) { problems += p + "\n"; };
  if (f.size() < 1024 || f.size() % 512 != 0) return "length not whole 512-byte sectors\n";
  if (U16(f, 0x18) != 0x3E) fail("minor version");
  if (U16(f, 0x1A) != 3 || U16(f, 0x1E) != 9) fail("not version 3 with 512-byte sectors");
  if (U32(f, 0x28) != 0) fail("directory sector count not 0");
  uint32_t sectors = static_cast<uint32_t>(f.size() / 512 - 1);
  auto sector = [&](uint32_t s) { return 512 + static_cast<size_t>(s) * 512; };
  uint32_t fatCount = U32(f, 0x2C);
  std::vector<uint32_t> fatSectors, difatSectors;
  for (uint32_t i = 0; i < 109; ++i) {
    uint32_t v = U32(f, 0x4C + 4 * i);
    if (i < fatCount) {
      fatSectors.push_back(v);
    } else if (v != kFree) {
      fail("unused header DIFAT slot not FREESECT");
    }
  }
  for (uint32_t d = U32(f, 0x44), n = 0; d != kEnd; ++n) {
    if (d >= sectors || n > sectors) return problems + "DIFAT chain broken\n";
    difatSectors.push_back(d);
    for (uint32_t i = 0; i < 127; ++i) {
      uint32_t v = U32(f, sector(d) + 4 * i);
      if (fatSectors.size() < fatCount) {
        fatSectors.push_back(v);
      } else if (v != kFree) {
        fail("unused DIFAT slot not FREESECT");
      }
    }
    d = U32(f, sector(d) + 508);
  }
  if (difatSectors.size() != U32(f, 0x48)) fail("DIFAT sector count");
  std::vector<uint32_t> fat;
  for (uint32_t s : fatSectors) {
    if (s >= sectors) return problems + "FAT sector beyond the file\n";
    for (uint32_t i = 0; i < 128; ++i) fat.push_back(U32(f, sector(s) + 4 * i));
  }
  if (fat.size() < sectors) return problems + "FAT too short\n";
  for (uint32_t s : fatSectors) {
    if (fat[s] != kFatSect) fail("FAT sector not FATSECT");
  }
  for (uint32_t s : difatSectors) {
    if (fat[s] != kDifSect) fail("DIFAT sector not DIFSECT");
  }
  for (size_t s = sectors; s < fat.size(); ++s) {
    if (fat[s] != kFree) {
      fail("FAT entry past the end not FREESECT");
      break;
    }
  }
  auto chain = [&](uint32_t s) {
    std::vector<uint32_t> c;
    while (s != kEnd && s < sectors && c.size() <= sectors) {
      c.push_back(s);
      s = fat[s];
    }
    return c;
  };
  std::vector<Entry> entries;
  std::set<size_t> unusedOk;
  for (uint32_t s : chain(U32(f, 0x30))) {
    for (int i = 0; i < 4; ++i) {
      size_t at = sector(s) + 128 * i;
      Entry e;
      uint16_t len = U16(f, at + 0x40);
      for (size_t k = 0; len >= 2 && k < len / 2u - 1; ++k) e.name += static_cast<char16_t>(U16(f, at + 2 * k));
      e.type = static_cast<uint8_t>(f[at + 0x42]);
      e.color = static_cast<uint8_t>(f[at + 0x43]);
      e.left = U32(f, at + 0x44);
      e.right = U32(f, at + 0x48);
      e.child = U32(f, at + 0x4C);
      e.start = U32(f, at + 0x74);
      e.size = U32(f, at + 0x78) | (static_cast<uint64_t>(U32(f, at + 0x7C)) << 32);
      if (e.type == 0) {
        std::string expect(128, '\0');
        for (int k = 0x44; k < 0x50; ++k) expect[k] = '\xFF';
        if (f.compare(at, 128, expect) != 0) fail("unused entry not zeroed with NOSTREAM links");
      }
      if (e.type == 2 && e.size == 0 && e.start != kEnd) fail("empty stream not at ENDOFCHAIN");
      entries.push_back(e);
    }
  }
  if (entries.empty() || entries[0].type != 5) return problems + "no root entry\n";
  uint64_t miniUsed = 0;
  for (uint32_t s : chain(U32(f, 0x3C))) {
    for (int i = 0; i < 128; ++i) miniUsed += U32(f, sector(s) + 4 * i) != kFree;
  }
  if (entries[0].size != miniUsed * 64) fail("root mini-stream size not what the mini FAT uses");
  // Red-black rules and the name order, for every storage's tree.
  std::vector<bool> seen(entries.size());
  std::function<int(uint32_t, const std::u16string*, const std::u16string*)> walk =
      [&](uint32_t id, const std::u16string* lo, const std::u16string* hi) -> int {
    if (id == kFree) return 1;
    if (id >= entries.size() || seen[id]) {
      fail("bad or repeated link");
      return -1000;
    }
    seen[id] = true;
    const Entry& e = entries[id];
    if ((lo && cfb::CompareNames(*lo, e.name) >= 0) || (hi && cfb::CompareNames(e.name, *hi) >= 0)) {
      fail("names out of order");
    }
    for (uint32_t c : {e.left, e.right}) {
      if (e.color == 0 && c != kFree && c < entries.size() && entries[c].color == 0) fail("red node with a red child");
    }
    int l = walk(e.left, lo, &e.name);
    int r = walk(e.right, &e.name, hi);
    if (l != r) fail("black heights differ");
    if (e.type == 1 || e.type == 5) {
      if (e.child != kFree && entries[e.child].color != 1) fail("tree root not black");
      walk(e.child, nullptr, nullptr);
    }
    return l + (e.color == 1 ? 1 : 0);
  };
  seen[0] = true;
  if (entries[0].child != kFree && entries[entries[0].child].color != 1) fail("tree root not black");
  walk(entries[0].child, nullptr, nullptr);
  return problems;
}

}  // namespace cfbtest
