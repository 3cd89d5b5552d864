// Laying out and writing a complete compound file.
#include "cfb/serializer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/little_endian.h"
#include "cfb/format.h"

namespace cfb {

namespace {

// One directory entry to be written.
struct Item {
  Node* node = nullptr;
  uint32_t left = kNoStream;
  uint32_t right = kNoStream;
  uint32_t child = kNoStream;
  uint8_t color = kColorBlack;
  uint32_t start = kEndOfChain;
  uint64_t size = 0;
  bool mini = false;
};

// Lays the sorted entries first..last-1 out as a balanced tree: the middle
// one at the top. Such a tree has all its empty links on the last two
// levels, so colouring the nodes of an incomplete last level red and all
// others black makes a valid red-black tree.
uint32_t BuildBalanced(std::vector<Item>& items, uint32_t first, uint32_t last, int depth,
                       int redDepth) {
  if (first >= last) return kNoStream;
  uint32_t mid = first + (last - first) / 2;
  items[mid].color = depth == redDepth ? kColorRed : kColorBlack;
  items[mid].left = BuildBalanced(items, first, mid, depth + 1, redDepth);
  items[mid].right = BuildBalanced(items, mid + 1, last, depth + 1, redDepth);
  return mid;
}

uint32_t TreeOf(std::vector<Item>& items, uint32_t first, uint32_t count) {
  int levels = 0;
  while ((uint64_t{1} << levels) <= count) ++levels;  // floor(log2(count)) + 1
  bool complete = count == (uint64_t{1} << levels) - 1;
  return BuildBalanced(items, first, first + count, 0, complete ? -1 : levels - 1);
}

// Directory order: the root, then each storage's children side by side.
std::vector<Item> Flatten(Node& root) {
  std::vector<Item> items(1);
  items[0].node = &root;
  for (size_t i = 0; i < items.size(); ++i) {
    Node* n = items[i].node;
    if (!n->isStorage() || n->children.empty()) continue;
    uint32_t first = static_cast<uint32_t>(items.size());
    for (const auto& child : n->children) {
      Item item;
      item.node = child.get();
      items.push_back(item);
    }
    items[i].child = TreeOf(items, first, static_cast<uint32_t>(n->children.size()));
  }
  items[0].color = kColorBlack;
  return items;
}

uint64_t Ceil(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

class Output {
 public:
  explicit Output(platform::File* file) : file_(file) { buf_.reserve(kCapacity); }
  void Write(const void* p, size_t n) {
    const uint8_t* b = static_cast<const uint8_t*>(p);
    while (n > 0 && status_ == platform::IoStatus::kOk) {
      size_t take = std::min(n, kCapacity - buf_.size());
      buf_.insert(buf_.end(), b, b + take);
      b += take;
      n -= take;
      if (buf_.size() == kCapacity) Drain();
    }
  }
  void Zeros(uint64_t n) {
    static const uint8_t zeros[4096] = {};
    while (n > 0) {
      size_t take = static_cast<size_t>(std::min<uint64_t>(n, sizeof zeros));
      Write(zeros, take);
      n -= take;
    }
  }
  void Put32(uint32_t v) {
    uint8_t b[4];
    base::StoreLe32(b, v);
    Write(b, 4);
  }
  void Drain() {
    if (status_ == platform::IoStatus::kOk && !buf_.empty())
      status_ = file_->Write(buf_.data(), buf_.size());
    buf_.clear();
  }
  platform::IoStatus status() const { return status_; }
  void Fail(platform::IoStatus status) {
    if (status_ == platform::IoStatus::kOk) status_ = status;
  }

 private:
  static constexpr size_t kCapacity = 1 << 20;
  platform::File* file_;
  std::vector<uint8_t> buf_;
  platform::IoStatus status_ = platform::IoStatus::kOk;
};

struct Layout {
  uint32_t sectorShift = kSectorShiftV3;
  uint64_t sectorSize = 512;
  uint32_t fatSectors = 0;
  uint32_t difatSectors = 0;
  uint32_t dirSectors = 0;
  uint32_t miniFatSectors = 0;
  uint32_t miniStreamSectors = 0;
  uint64_t miniSectors = 0;
  uint64_t total = 0;  // all sectors
  uint32_t firstDir = 0;
  uint32_t firstMiniFat = kEndOfChain;
  uint32_t firstMiniStream = kEndOfChain;
  uint32_t firstDifat = kEndOfChain;
};

// Assigns every stream its place and sizes the tables around them.
bool Plan(std::vector<Item>& items, Layout* L) {
  uint64_t perSector = L->sectorSize / 4;
  uint64_t bigSectors = 0;
  for (size_t i = 1; i < items.size(); ++i) {
    Item& it = items[i];
    if (it.node->isStorage()) {
      it.start = 0;
      continue;
    }
    it.size = it.node->size;
    if (it.size == 0) continue;
    it.mini = it.size < kMiniStreamCutoff;
    if (it.mini) {
      it.start = static_cast<uint32_t>(L->miniSectors);
      L->miniSectors += Ceil(it.size, kMiniSectorSize);
    } else {
      bigSectors += Ceil(it.size, L->sectorSize);
    }
  }
  L->dirSectors = static_cast<uint32_t>(Ceil(items.size() * kDirEntrySize, L->sectorSize));
  L->miniFatSectors = static_cast<uint32_t>(Ceil(L->miniSectors * 4, L->sectorSize));
  L->miniStreamSectors =
      static_cast<uint32_t>(Ceil(L->miniSectors * kMiniSectorSize, L->sectorSize));
  uint64_t data = L->dirSectors + L->miniFatSectors + L->miniStreamSectors + bigSectors;
  uint64_t fat = Ceil(data, perSector);
  uint64_t difat = 0;
  while (true) {
    difat = fat > kHeaderDifatEntries ? Ceil(fat - kHeaderDifatEntries, perSector - 1) : 0;
    if (fat * perSector >= data + fat + difat) break;
    ++fat;
  }
  L->total = data + fat + difat;
  if (L->total >= kMaxRegSect) return false;
  L->fatSectors = static_cast<uint32_t>(fat);
  L->difatSectors = static_cast<uint32_t>(difat);
  uint32_t next = L->fatSectors + L->difatSectors;
  if (difat > 0) L->firstDifat = L->fatSectors;
  L->firstDir = next;
  next += L->dirSectors;
  if (L->miniFatSectors > 0) L->firstMiniFat = next;
  next += L->miniFatSectors;
  if (L->miniStreamSectors > 0) L->firstMiniStream = next;
  next += L->miniStreamSectors;
  for (size_t i = 1; i < items.size(); ++i) {
    Item& it = items[i];
    if (it.node->isStorage() || it.size == 0 || it.mini) continue;
    it.start = next;
    next += static_cast<uint32_t>(Ceil(it.size, L->sectorSize));
  }
  items[0].start = L->firstMiniStream;
  items[0].size = L->miniSectors * kMiniSectorSize;
  return true;
}

void WriteHeader(Output& out, const Layout& L, uint16_t major) {
  uint8_t h[kHeaderSize] = {};
  memcpy(h, kSignature, sizeof kSignature);
  base::StoreLe16(h + kHdrMinorVersion, kMinorVersion);
  base::StoreLe16(h + kHdrMajorVersion, major);
  base::StoreLe16(h + kHdrByteOrder, kByteOrderMark);
  base::StoreLe16(h + kHdrSectorShift, static_cast<uint16_t>(L.sectorShift));
  base::StoreLe16(h + kHdrMiniSectorShift, kMiniSectorShift);
  base::StoreLe32(h + kHdrDirSectorCount, major >= 4 ? L.dirSectors : 0);
  base::StoreLe32(h + kHdrFatSectorCount, L.fatSectors);
  base::StoreLe32(h + kHdrFirstDirSector, L.firstDir);
  base::StoreLe32(h + kHdrMiniCutoff, kMiniStreamCutoff);
  base::StoreLe32(h + kHdrFirstMiniFatSector, L.firstMiniFat);
  base::StoreLe32(h + kHdrMiniFatSectorCount, L.miniFatSectors);
  base::StoreLe32(h + kHdrFirstDifatSector, L.firstDifat);
  base::StoreLe32(h + kHdrDifatSectorCount, L.difatSectors);
  for (uint32_t i = 0; i < kHeaderDifatEntries; ++i) {
    base::StoreLe32(h + kHdrDifat + 4 * i, i < L.fatSectors ? i : kFreeSect);
  }
  out.Write(h, sizeof h);
  out.Zeros(L.sectorSize - kHeaderSize);
}

// A run of count sectors from first, chained one to the next.
void PutChain(Output& out, uint64_t& written, uint64_t first, uint64_t count) {
  for (uint64_t s = first; s < first + count; ++s) {
    out.Put32(s + 1 == first + count ? kEndOfChain : static_cast<uint32_t>(s + 1));
    ++written;
  }
}

void WriteFat(Output& out, const std::vector<Item>& items, const Layout& L) {
  uint64_t n = 0;
  for (uint32_t i = 0; i < L.fatSectors; ++i, ++n) out.Put32(kFatSect);
  for (uint32_t i = 0; i < L.difatSectors; ++i, ++n) out.Put32(kDifSect);
  PutChain(out, n, L.firstDir, L.dirSectors);
  PutChain(out, n, L.firstMiniFat, L.miniFatSectors);
  PutChain(out, n, L.firstMiniStream, L.miniStreamSectors);
  for (const Item& it : items) {
    if (it.node->isStorage() || it.size == 0 || it.mini) continue;
    PutChain(out, n, it.start, Ceil(it.size, L.sectorSize));
  }
  for (; n < uint64_t{L.fatSectors} * (L.sectorSize / 4); ++n) out.Put32(kFreeSect);
}

void WriteDifat(Output& out, const Layout& L) {
  uint32_t per = static_cast<uint32_t>(L.sectorSize / 4 - 1);
  uint32_t fat = kHeaderDifatEntries;
  for (uint32_t d = 0; d < L.difatSectors; ++d) {
    for (uint32_t i = 0; i < per; ++i, ++fat) out.Put32(fat < L.fatSectors ? fat : kFreeSect);
    out.Put32(d + 1 < L.difatSectors ? L.firstDifat + d + 1 : kEndOfChain);
  }
}

void WriteDirectory(Output& out, const std::vector<Item>& items, const Layout& L) {
  for (const Item& it : items) {
    uint8_t e[kDirEntrySize] = {};
    const Node& n = *it.node;
    size_t len = std::min(n.name.size(), kMaxNameLength);
    for (size_t i = 0; i < len; ++i) base::StoreLe16(e + kDirName + 2 * i, n.name[i]);
    base::StoreLe16(e + kDirNameLength, static_cast<uint16_t>((len + 1) * 2));
    e[kDirType] = n.type;
    e[kDirColor] = it.color;
    base::StoreLe32(e + kDirLeft, it.left);
    base::StoreLe32(e + kDirRight, it.right);
    base::StoreLe32(e + kDirChild, it.child);
    memcpy(e + kDirClsid, n.clsid, sizeof n.clsid);
    base::StoreLe32(e + kDirStateBits, n.stateBits);
    base::StoreLe64(e + kDirCreationTime, n.ctime);
    base::StoreLe64(e + kDirModifiedTime, n.mtime);
    base::StoreLe32(e + kDirStart, it.start);
    base::StoreLe64(e + kDirSize, it.size);
    out.Write(e, sizeof e);
  }
  uint64_t unused = uint64_t{L.dirSectors} * (L.sectorSize / kDirEntrySize) - items.size();
  for (uint64_t i = 0; i < unused; ++i) {
    uint8_t e[kDirEntrySize] = {};
    base::StoreLe32(e + kDirLeft, kNoStream);
    base::StoreLe32(e + kDirRight, kNoStream);
    base::StoreLe32(e + kDirChild, kNoStream);
    out.Write(e, sizeof e);
  }
}

void WriteMiniFat(Output& out, const std::vector<Item>& items, const Layout& L) {
  uint64_t n = 0;
  for (const Item& it : items) {
    if (!it.mini) continue;
    PutChain(out, n, it.start, Ceil(it.size, kMiniSectorSize));
  }
  for (; n < uint64_t{L.miniFatSectors} * (L.sectorSize / 4); ++n) out.Put32(kFreeSect);
}

// Copies a stream's bytes and pads them to a whole number of units.
void WriteContent(Output& out, const Item& it, ContentSource* source, uint64_t unit,
                  std::vector<uint8_t>& chunk) {
  const Node& n = *it.node;
  if (n.resident) {
    out.Write(n.data.data(), static_cast<size_t>(it.size));
  } else {
    for (uint64_t off = 0; off < it.size && out.status() == platform::IoStatus::kOk;
         off += chunk.size()) {
      size_t take = static_cast<size_t>(std::min<uint64_t>(chunk.size(), it.size - off));
      if (!source || !source->Read(n, off, chunk.data(), take)) {
        out.Fail(platform::IoStatus::kFailed);  // the old file could not be read
        return;
      }
      out.Write(chunk.data(), take);
    }
  }
  out.Zeros(Ceil(it.size, unit) * unit - it.size);
}

}  // namespace

win::HRESULT SerializeTree(platform::File* file, Node& root, ContentSource* source,
                           const SerializeOptions& options,
                           std::vector<std::pair<Node*, uint32_t>>* placed) {
  try {
    std::vector<Item> items = Flatten(root);
    Layout L;
    L.sectorShift = options.majorVersion >= 4 ? kSectorShiftV4 : kSectorShiftV3;
    L.sectorSize = uint64_t{1} << L.sectorShift;
    if (!Plan(items, &L)) return win::STG_E_MEDIUMFULL;
    Output out(file);
    WriteHeader(out, L, options.majorVersion >= 4 ? 4 : 3);
    WriteFat(out, items, L);
    WriteDifat(out, L);
    WriteDirectory(out, items, L);
    WriteMiniFat(out, items, L);
    std::vector<uint8_t> chunk(1 << 20);
    for (const Item& it : items) {
      if (it.mini) WriteContent(out, it, source, kMiniSectorSize, chunk);
    }
    out.Zeros(uint64_t{L.miniStreamSectors} * L.sectorSize - L.miniSectors * kMiniSectorSize);
    for (const Item& it : items) {
      if (!it.node->isStorage() && it.size > 0 && !it.mini) {
        WriteContent(out, it, source, L.sectorSize, chunk);
      }
    }
    out.Drain();
    if (out.status() != platform::IoStatus::kOk) {
      return out.status() == platform::IoStatus::kDiskFull ? win::STG_E_MEDIUMFULL
                                                           : win::STG_E_WRITEFAULT;
    }
    if (file->Truncate((L.total + 1) * L.sectorSize) != platform::IoStatus::kOk) {
      return win::STG_E_WRITEFAULT;
    }
    placed->clear();
    for (const Item& it : items) {
      if (!it.node->isStorage()) placed->emplace_back(it.node, it.start);
    }
    return win::S_OK;
  } catch (const std::bad_alloc&) {
    return win::STG_E_INSUFFICIENTMEMORY;
  }
}

}  // namespace cfb
