// Corrupt input fails for the file or the element it touches: never a
// crash, a hang, or memory that follows a size field.
#include <gtest/gtest.h>

#include <functional>

#include "../support/test_support.h"
#include "cfb_test_util.h"

using cfbtest::ImageBuilder;
using cfbtest::Tree;
using testing_support::TempDir;

namespace {

constexpr uint32_t kEnd = 0xFFFFFFFE;

uint32_t Get32(const std::string& f, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(f[at + i]);
  return v;
}
void Put32(std::string& f, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) f[at + i] = static_cast<char>(v >> (8 * i));
}

struct Sample {
  uint32_t small = 0, big = 0, sub = 0, inner = 0;
  uint32_t bigStart = 0;
  std::string Build(ImageBuilder& b, const std::function<void(ImageBuilder&, Sample&)>& tweak) {
    small = b.AddStream(u"Small", std::string(300, 's'));
    big = b.AddStream(u"Big", std::string(6000, 'b'));
    bigStart = b.entry(big).start;
    sub = b.AddEntry(u"Sub", 1);
    inner = b.AddStream(u"Inner", std::string(10, 'i'));
    b.Children(0, {big, sub, small});
    b.Children(sub, {inner});
    if (tweak) tweak(b, *this);
    return b.Build();
  }
};

struct CorruptCase {
  const char* name;
  std::function<void(ImageBuilder&, Sample&)> tweak;
  std::function<void(std::string&)> patch;
  bool openFails;
  std::vector<std::string> broken;  // elements that must fail to read
};

TEST(CfbCorrupt, FailsCleanly) {
  const CorruptCase cases[] = {
      {"cycle in a stream's chain", [](ImageBuilder& b, Sample& s) { b.fat()[s.bigStart + 5] = s.bigStart + 1; },
       nullptr, false, {"Big"}},
      {"chain ends too early", [](ImageBuilder& b, Sample& s) { b.fat()[s.bigStart + 3] = kEnd; }, nullptr,
       false, {"Big"}},
      {"sector beyond the file", [](ImageBuilder& b, Sample& s) { b.entry(s.big).start = 900000; }, nullptr,
       false, {"Big"}},
      {"mini sector beyond the mini stream", [](ImageBuilder& b, Sample& s) { b.entry(s.small).start = 5000; },
       nullptr, false, {"Small"}},
      {"absurd stream size", [](ImageBuilder& b, Sample& s) { b.entry(s.big).size = 0xFFFFFFF0u; }, nullptr,
       false, {"Big"}},
      {"directory that contains itself",
       [](ImageBuilder& b, Sample& s) {
         b.entry(0).left = 0;
         b.entry(s.sub).child = s.sub;
         b.entry(s.inner).right = s.sub;
       },
       nullptr, false, {}},
      {"directory chain that loops", nullptr,
       [](std::string& f) {
         uint32_t dir = Get32(f, 0x30);
         uint32_t fat = Get32(f, 0x4C);
         Put32(f, 512 + fat * 512 + 4 * (dir + 1), dir);
       },
       false, {}},
      {"truncated file", nullptr, [](std::string& f) { f.resize(3000); }, true, {}},
      {"truncated header", nullptr, [](std::string& f) { f.resize(300); }, true, {}},
      {"sector shift out of range", nullptr, [](std::string& f) { f[0x1E] = 40; }, true, {}},
      {"directory start beyond the file", nullptr,
       [](std::string& f) { f[0x30] = f[0x31] = f[0x32] = 0x7F; }, true, {}},
      {"plain text", nullptr, [](std::string& f) { f = "just some text, not a compound file\n"; }, true, {}},
      {"empty file", nullptr, [](std::string& f) { f.clear(); }, true, {}},
  };
  TempDir dir;
  for (const CorruptCase& c : cases) {
    SCOPED_TRACE(c.name);
    ImageBuilder b;
    Sample s;
    std::string image = s.Build(b, c.tweak);
    if (c.patch) c.patch(image);
    std::string path = dir.Join("corrupt.cfb");
    testing_support::WriteFile(path, image);
    win::HRESULT hr;
    Tree got = cfbtest::ReadFileTree(path, &hr);
    EXPECT_EQ(win::FAILED(hr), c.openFails) << std::hex << hr;
    for (const std::string& p : c.broken) {
      auto it = got.find(p);
      EXPECT_TRUE(it == got.end() || it->second == "<error>") << p;
    }
  }
}

// Random damage anywhere in a valid file: every outcome is allowed except
// a crash or a hang.
TEST(CfbCorrupt, RandomDamage) {
  ImageBuilder b;
  Sample s;
  std::string good = s.Build(b, nullptr);
  TempDir dir;
  std::string path = dir.Join("damaged.cfb");
  uint32_t x = 12345;
  for (int round = 0; round < 300; ++round) {
    std::string image = good;
    for (int k = 0; k < 1 + round % 8; ++k) {
      x = x * 1664525u + 1013904223u;
      size_t at = (x >> 8) % image.size();
      x = x * 1664525u + 1013904223u;
      image[at] = static_cast<char>(x >> 24);
    }
    testing_support::WriteFile(path, image);
    win::HRESULT hr;
    cfbtest::ReadFileTree(path, &hr);
  }
}

}  // namespace
