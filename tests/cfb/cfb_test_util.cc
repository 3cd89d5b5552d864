// Helpers shared by the compound-file tests.
#include "cfb_test_util.h"

#include <cstdio>
#include <cstring>
#include <sstream>

#include "bytes.h"
#include "platform/codepage.h"

namespace cfbtest {

namespace {

constexpr uint32_t kEnd = 0xFFFFFFFE;
constexpr uint32_t kFree = 0xFFFFFFFF;

using testing_support::PutLe16;
using testing_support::PutLe32;

}  // namespace

bool CreateFileTree(const std::string& path, const Tree& tree) {
  Ref<win::IStorage> root;
  if (cfb::CreateCompoundFile(path.c_str(), 0x1012, root.out()) != win::S_OK) return false;
  return WriteTree(root.get(), tree) && root->Commit(0) == win::S_OK;
}

ImageBuilder::ImageBuilder(uint16_t major, uint16_t shift) : major_(major), shift_(shift) {
  entries_.push_back(Entry{u"Root Entry", 5});
}

uint32_t ImageBuilder::AddChain(const std::string& data) {
  if (data.empty()) return kEnd;
  uint32_t first = static_cast<uint32_t>(sectors_.size());
  for (size_t at = 0; at < data.size(); at += sectorSize()) {
    std::string s = data.substr(at, sectorSize());
    s.resize(sectorSize(), '\0');
    uint32_t n = static_cast<uint32_t>(sectors_.size());
    sectors_.push_back(std::move(s));
    if (fat_.size() <= n) fat_.resize(n + 1, kFree);
    fat_[n] = at + sectorSize() >= data.size() ? kEnd : n + 1;
  }
  return first;
}

uint32_t ImageBuilder::AddMini(const std::string& data) {
  if (data.empty()) return kEnd;
  uint32_t first = static_cast<uint32_t>(mini_.size() / 64);
  uint32_t count = static_cast<uint32_t>((data.size() + 63) / 64);
  for (uint32_t i = 0; i < count; ++i) miniFat_.push_back(i + 1 == count ? kEnd : first + i + 1);
  mini_ += data;
  mini_.resize(mini_.size() + (64 - mini_.size() % 64) % 64, '\0');
  return first;
}

uint32_t ImageBuilder::AddEntry(const std::u16string& name, uint8_t type, uint32_t start,
                                uint64_t size) {
  entries_.push_back(Entry{name, type});
  entries_.back().start = start;
  entries_.back().size = size;
  return static_cast<uint32_t>(entries_.size() - 1);
}

uint32_t ImageBuilder::AddStream(const std::u16string& name, const std::string& data) {
  uint32_t start = data.size() < 4096 ? AddMini(data) : AddChain(data);
  return AddEntry(name, 2, start, data.size());
}

uint32_t ImageBuilder::Tree(const std::vector<uint32_t>& sorted, size_t lo, size_t hi) {
  if (lo >= hi) return kFree;
  size_t mid = lo + (hi - lo) / 2;
  uint32_t id = sorted[mid];
  entries_[id].left = Tree(sorted, lo, mid);
  entries_[id].right = Tree(sorted, mid + 1, hi);
  return id;
}

void ImageBuilder::Children(uint32_t parent, const std::vector<uint32_t>& sorted) {
  entries_[parent].child = Tree(sorted, 0, sorted.size());
}

std::string ImageBuilder::Build() {
  Entry& root = entries_[0];
  root.start = AddChain(mini_);
  root.size = rootSizeOverride >= 0 ? static_cast<uint64_t>(rootSizeOverride) : mini_.size();
  std::string miniFatBytes(miniFat_.size() * 4, '\0');
  for (size_t i = 0; i < miniFat_.size(); ++i) PutLe32(miniFatBytes, 4 * i, miniFat_[i]);
  uint32_t firstMiniFat = AddChain(miniFatBytes);
  uint32_t miniFatSectors = static_cast<uint32_t>((miniFatBytes.size() + sectorSize() - 1) / sectorSize());
  std::string dir;
  for (const Entry& e : entries_) {
    std::string d(128, '\0');
    for (size_t i = 0; i < e.name.size() && i < 32; ++i) PutLe16(d, 2 * i, e.name[i]);
    uint16_t len = static_cast<uint16_t>(e.name.empty() ? 0 : (e.name.size() + 1) * 2);
    PutLe16(d, 0x40, e.nameLengthField >= 0 ? static_cast<uint16_t>(e.nameLengthField) : len);
    d[0x42] = static_cast<char>(e.type);
    d[0x43] = static_cast<char>(e.color);
    for (auto [at, v] : {std::pair<size_t, uint32_t>{0x44, e.left}, {0x48, e.right}, {0x4C, e.child},
                         {0x74, e.start}, {0x78, static_cast<uint32_t>(e.size)},
                         {0x7C, static_cast<uint32_t>(e.size >> 32)}}) {
      PutLe32(d, at, v);
    }
    dir += d;
  }
  while (dir.size() % sectorSize() != 0) {
    std::string d(128, '\0');
    d.replace(0x44, 12, 12, '\xFF');
    dir += d;
  }
  uint32_t firstDir = AddChain(dir);
  uint32_t dirSectors = static_cast<uint32_t>(dir.size() / sectorSize());
  uint64_t per = sectorSize() / 4;
  uint64_t n = sectors_.size(), fatCount = 1, difatCount = 0;
  while (true) {
    difatCount = fatCount > 109 ? (fatCount - 109 + per - 2) / (per - 1) : 0;
    if (fatCount * per >= n + fatCount + difatCount) break;
    ++fatCount;
  }
  fat_.resize(fatCount * per, kFree);
  for (uint64_t i = 0; i < fatCount + difatCount; ++i) {
    fat_[n + i] = !markFatSectors ? kFree : i < fatCount ? 0xFFFFFFFD : 0xFFFFFFFC;
  }
  std::string header(sectorSize(), '\0');
  static const unsigned char kSig[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  memcpy(header.data(), kSig, 8);
  for (auto [at, v] : {std::pair<size_t, uint32_t>{0x18, (uint32_t{major_} << 16) | 0x3E},
                       {0x1C, (uint32_t{shift_} << 16) | 0xFFFE}, {0x20, 6},
                       {0x28, major_ >= 4 ? dirSectors : 0}, {0x2C, uint32_t(fatCount)},
                       {0x30, firstDir}, {0x38, 4096}, {0x3C, firstMiniFat}, {0x40, miniFatSectors},
                       {0x44, difatCount ? uint32_t(n + fatCount) : kEnd}, {0x48, uint32_t(difatCount)}}) {
    PutLe32(header, at, v);
  }
  std::vector<uint32_t> difat;
  for (uint64_t i = 0; i < fatCount; ++i) difat.push_back(static_cast<uint32_t>(n + i));
  for (uint32_t i = 0; i < 109; ++i) PutLe32(header, 0x4C + 4 * i, i < difat.size() ? difat[i] : kFree);
  std::string out = header;
  for (const std::string& s : sectors_) out += s;
  std::string fatBytes(fat_.size() * 4, '\0');
  for (size_t i = 0; i < fat_.size(); ++i) PutLe32(fatBytes, 4 * i, fat_[i]);
  out += fatBytes;
  size_t next = 109;
  for (uint64_t d = 0; d < difatCount; ++d) {
    std::string s(sectorSize(), '\0');
    for (uint64_t i = 0; i + 1 < per; ++i, ++next) {
      PutLe32(s, 4 * i, next < difat.size() ? difat[next] : kFree);
    }
    uint32_t link = d + 1 < difatCount ? static_cast<uint32_t>(n + fatCount + d + 1)
                                       : (difatEndsFree ? kFree : kEnd);
    PutLe32(s, 4 * (per - 1), link);
    out += s;
  }
  for (const auto& [at, v] : headerPatch) PutLe32(out, at, v);
  return out;
}

}  // namespace cfbtest
