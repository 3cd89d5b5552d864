#include "platform/version_resource.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "base/little_endian.h"

namespace platform {

namespace {

constexpr uint32_t kPeOffsetField = 0x3C;
constexpr uint32_t kFileHeaderSize = 20;
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
// Offsets inside the optional header of the count of data directories and
// of the first directory.
constexpr uint32_t kRvaCountPe32 = 92;
constexpr uint32_t kDirectoriesPe32 = 96;
constexpr uint32_t kRvaCountPe32Plus = 108;
constexpr uint32_t kDirectoriesPe32Plus = 112;
constexpr uint32_t kResourceDirectory = 2;
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kResourceDirHeaderSize = 16;
constexpr uint32_t kResourceEntrySize = 8;
constexpr uint32_t kResourceDataEntrySize = 16;
constexpr uint32_t kSubdirectoryBit = 0x80000000u;
constexpr uint32_t kNameIsStringBit = 0x80000000u;
constexpr uint32_t kRtVersion = 16;
constexpr uint32_t kVsVersionInfoId = 1;
constexpr size_t kNodeHeaderSize = 6;  // wLength, wValueLength, wType

// Bounds-checked little-endian reads over one buffer.
class Bytes {
 public:
  Bytes(const unsigned char* data, size_t size) : data_(data), size_(size) {}
  size_t size() const { return size_; }
  bool Has(uint64_t offset, uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }
  bool U16(uint64_t offset, uint16_t* v) const {
    if (!Has(offset, 2)) return false;
    *v = base::LoadLe16(data_ + offset);
    return true;
  }

 private:
  const unsigned char* data_;
  size_t size_;
};

// Bounds-checked little-endian reads over an image that is read in pages,
// when first touched: the walk to the version resource looks at a few
// headers and directories of a file that may be very large. The pages read
// are bounded, so no image, however its offsets point, costs more.
class ImageBytes {
 public:
  explicit ImageBytes(ImageSource& source) : source_(source), size_(source.size()) {}
  uint64_t size() const { return size_; }
  bool Has(uint64_t offset, uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }
  bool U16(uint64_t offset, uint16_t* v) {
    unsigned char bytes[2];
    if (!Has(offset, 2) || !Byte(offset, &bytes[0]) || !Byte(offset + 1, &bytes[1])) return false;
    *v = base::LoadLe16(bytes);
    return true;
  }
  bool U32(uint64_t offset, uint32_t* v) {
    uint16_t lo, hi;
    if (!U16(offset, &lo) || !U16(offset + 2, &hi)) return false;
    *v = static_cast<uint32_t>(lo) | static_cast<uint32_t>(hi) << 16;
    return true;
  }

 private:
  static constexpr uint64_t kPageSize = 4096;
  // 16 MiB: room for the largest section table (65,535 sections) and a
  // resource directory of every entry a 16-bit count allows.
  static constexpr size_t kMaxPages = 4096;

  bool Byte(uint64_t offset, unsigned char* out) {
    uint64_t page = offset / kPageSize;
    auto it = pages_.find(page);
    if (it == pages_.end()) {
      if (pages_.size() >= kMaxPages) return false;
      uint64_t start = page * kPageSize;
      std::vector<unsigned char> bytes(static_cast<size_t>(std::min(kPageSize, size_ - start)));
      if (!source_.Read(start, bytes.size(), bytes.data())) return false;
      it = pages_.emplace(page, std::move(bytes)).first;
    }
    *out = it->second[offset % kPageSize];
    return true;
  }

  ImageSource& source_;
  uint64_t size_;
  std::unordered_map<uint64_t, std::vector<unsigned char>> pages_;
};

// An image already in memory.
class MemorySource : public ImageSource {
 public:
  explicit MemorySource(std::string_view image) : image_(image) {}
  uint64_t size() const override { return image_.size(); }
  bool Read(uint64_t offset, size_t n, unsigned char* out) override {
    std::memcpy(out, image_.data() + offset, n);
    return true;
  }

 private:
  std::string_view image_;
};

struct PeLayout {
  uint64_t sections = 0;  // file offset of the section table
  uint16_t sectionCount = 0;
  uint32_t resourceRva = 0;
};

bool ReadHeaders(ImageBytes& b, PeLayout* pe) {
  uint16_t mz;
  uint32_t peOffset, signature;
  if (!b.U16(0, &mz) || mz != 0x5A4D) return false;  // "MZ"
  if (!b.U32(kPeOffsetField, &peOffset)) return false;
  if (!b.U32(peOffset, &signature) || signature != 0x00004550) return false;  // "PE\0\0"
  uint64_t fileHeader = uint64_t{peOffset} + 4;
  uint16_t optionalSize, magic;
  if (!b.U16(fileHeader + 2, &pe->sectionCount) || !b.U16(fileHeader + 16, &optionalSize)) {
    return false;
  }
  uint64_t optional = fileHeader + kFileHeaderSize;
  if (!b.Has(optional, optionalSize) || !b.U16(optional, &magic)) return false;
  uint32_t countField, directories;
  if (magic == kMagicPe32) {
    countField = kRvaCountPe32;
    directories = kDirectoriesPe32;
  } else if (magic == kMagicPe32Plus) {
    countField = kRvaCountPe32Plus;
    directories = kDirectoriesPe32Plus;
  } else {
    return false;
  }
  uint32_t count;
  uint64_t entry = directories + kResourceDirectory * 8;
  if (!b.U32(optional + countField, &count) || count <= kResourceDirectory) return false;
  if (entry + 8 > optionalSize || !b.U32(optional + entry, &pe->resourceRva)) return false;
  pe->sections = optional + optionalSize;
  return pe->resourceRva != 0 &&
         b.Has(pe->sections, uint64_t{pe->sectionCount} * kSectionHeaderSize);
}

// The file offset of rva through the section that holds it in its raw
// data; false when none does or the mapped offset lies outside the file.
bool RvaToOffset(ImageBytes& b, const PeLayout& pe, uint32_t rva, uint64_t* offset) {
  for (uint16_t i = 0; i < pe.sectionCount; ++i) {
    uint64_t header = pe.sections + uint64_t{i} * kSectionHeaderSize;
    uint32_t va, rawSize, rawPointer;
    if (!b.U32(header + 12, &va) || !b.U32(header + 16, &rawSize) ||
        !b.U32(header + 20, &rawPointer)) {
      return false;
    }
    if (rva >= va && uint64_t{rva} < uint64_t{va} + rawSize) {
      *offset = uint64_t{rawPointer} + (rva - va);
      return *offset < b.size();
    }
  }
  return false;
}

// The target of the entry of the directory at dir whose id is id (or of
// the first entry, for id < 0). Targets are relative to the resource root.
bool FindEntry(ImageBytes& b, uint64_t dir, int64_t id, uint32_t* target) {
  uint16_t named, ids;
  if (!b.U16(dir + 12, &named) || !b.U16(dir + 14, &ids)) return false;
  uint64_t first = dir + kResourceDirHeaderSize;
  for (uint32_t i = 0; i < uint32_t{named} + ids; ++i) {
    uint32_t name;
    if (!b.U32(first + i * kResourceEntrySize, &name)) return false;
    if (id < 0 || ((name & kNameIsStringBit) == 0 && name == id)) {
      return b.U32(first + i * kResourceEntrySize + 4, target);
    }
  }
  return false;
}

bool Descend(ImageBytes& b, uint64_t root, uint64_t dir, int64_t id, bool wantDirectory,
             uint64_t* next) {
  uint32_t target;
  if (!FindEntry(b, dir, id, &target)) return false;
  if (((target & kSubdirectoryBit) != 0) != wantDirectory) return false;
  *next = root + (target & ~kSubdirectoryBit);
  return b.Has(*next, wantDirectory ? kResourceDirHeaderSize : kResourceDataEntrySize);
}

bool DescendToLanguage(ImageBytes& b, uint64_t root, uint64_t dir,
                       const std::vector<uint16_t>& preferred, uint64_t* data) {
  for (uint16_t language : preferred) {
    if (Descend(b, root, dir, language, false, data)) return true;
  }
  return Descend(b, root, dir, -1, false, data);
}

bool FoldEqual(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && u_toupper(a[i]) != u_toupper(b[i])) return false;
  }
  return true;
}

size_t Align4(size_t v) { return (v + 3) & ~size_t{3}; }

// One node's header, checked against the end of its parent.
struct RawNode {
  size_t start = 0, end = 0;
  std::u16string key;
  VersionNode value;
  size_t children = 0;
};

bool ReadNode(const Bytes& b, size_t start, size_t limit, RawNode* node) {
  uint16_t length, valueLength, type;
  if (start + kNodeHeaderSize > limit || !b.U16(start, &length) ||
      !b.U16(start + 2, &valueLength) || !b.U16(start + 4, &type)) {
    return false;
  }
  if (length < kNodeHeaderSize || start + length > limit) return false;
  node->start = start;
  node->end = start + length;
  node->key.clear();
  size_t p = start + kNodeHeaderSize;
  for (;; p += 2) {
    uint16_t c;
    if (p + 2 > node->end || !b.U16(p, &c)) return false;  // key without its NUL
    if (c == 0) break;
    node->key.push_back(static_cast<char16_t>(c));
  }
  size_t value = Align4(p + 2);
  size_t bytes = type == 1 ? size_t{valueLength} * 2 : valueLength;
  // Some compilers get wValueLength wrong; never let it reach past the node.
  if (value > node->end) value = node->end;
  if (bytes > node->end - value) bytes = node->end - value;
  node->value.valueOffset = value;
  node->value.valueBytes = bytes;
  node->value.type = type;
  node->children = Align4(value + bytes);
  return true;
}

}  // namespace

bool FindVersionBlock(ImageSource& image, uint64_t* offset, size_t* size,
                      const std::vector<uint16_t>& preferredLanguages) {
  ImageBytes b(image);
  PeLayout pe;
  uint64_t root;
  if (!ReadHeaders(b, &pe) || !RvaToOffset(b, pe, pe.resourceRva, &root)) return false;
  if (!b.Has(root, kResourceDirHeaderSize)) return false;
  // Three levels, type, name and language, then a data entry: a fixed
  // descent, so a tree whose offsets point back up cannot loop.
  uint64_t names, languages, data;
  if (!Descend(b, root, root, kRtVersion, true, &names) ||
      !Descend(b, root, names, kVsVersionInfoId, true, &languages) ||
      !DescendToLanguage(b, root, languages, preferredLanguages, &data)) {
    return false;
  }
  uint32_t dataRva, dataSize;
  uint64_t blockOffset;
  if (!b.U32(data, &dataRva) || !b.U32(data + 4, &dataSize)) return false;
  if (!RvaToOffset(b, pe, dataRva, &blockOffset) || !b.Has(blockOffset, dataSize)) return false;
  // The block must hold its own length and a 32-bit header (wType 0 or 1
  // where a 16-bit block has the first letter of its key).
  uint16_t length, type;
  if (!b.U16(blockOffset, &length) || !b.U16(blockOffset + 4, &type)) return false;
  if (length < kNodeHeaderSize || length > dataSize || type > 1) return false;
  *offset = blockOffset;
  *size = length;
  return true;
}

bool FindVersionBlock(std::string_view image, size_t* offset, size_t* size,
                      const std::vector<uint16_t>& preferredLanguages) {
  MemorySource source(image);
  uint64_t at;
  if (!FindVersionBlock(source, &at, size, preferredLanguages)) return false;
  *offset = static_cast<size_t>(at);
  return true;
}

bool FindVersionNode(const unsigned char* block, size_t blockSize,
                     const std::vector<std::u16string>& path, VersionNode* out) {
  Bytes b(block, blockSize);
  uint16_t length;
  if (!b.U16(0, &length) || length > blockSize) return false;
  RawNode node;
  if (!ReadNode(b, 0, length, &node)) return false;
  for (const std::u16string& component : path) {
    // Children follow one another on 32-bit boundaries; each is at least a
    // header long, so the walk always moves forward.
    bool found = false;
    for (size_t at = node.children; at + kNodeHeaderSize <= node.end;) {
      RawNode child;
      if (!ReadNode(b, at, node.end, &child)) break;
      if (FoldEqual(child.key, component)) {
        node = child;
        found = true;
        break;
      }
      at = Align4(child.end);
    }
    if (!found) return false;
  }
  *out = node.value;
  return true;
}

}  // namespace platform
