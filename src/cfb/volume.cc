// Reading the structure of a compound file without trusting it.
#include "cfb/volume.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/little_endian.h"
#include "cfb/format.h"

namespace cfb {

win::HRESULT Volume::Open(platform::File* file, std::unique_ptr<Volume>* out) {
  out->reset();
  std::unique_ptr<Volume> v(new (std::nothrow) Volume);
  if (!v) return win::STG_E_INSUFFICIENTMEMORY;
  win::HRESULT hr;
  try {
    hr = v->Load(file);
  } catch (const std::bad_alloc&) {
    hr = win::STG_E_INSUFFICIENTMEMORY;
  }
  if (hr == win::S_OK) *out = std::move(v);
  return hr;
}

win::HRESULT Volume::Load(platform::File* file) {
  file_ = file;
  platform::FileInfo info;
  if (file->Info(&info) != platform::IoStatus::kOk) return win::STG_E_READFAULT;
  fileSize_ = info.size;
  uint8_t h[kHeaderSize];
  if (fileSize_ < kHeaderSize || !ReadAt(0, h, sizeof h)) return win::STG_E_INVALIDHEADER;
  if (!ReadHeader(h)) return win::STG_E_INVALIDHEADER;
  uint64_t ss = sectorSize();
  uint64_t count = fileSize_ > ss ? (fileSize_ - ss + ss - 1) / ss : 0;
  sectorCount_ = static_cast<uint32_t>(std::min<uint64_t>(count, kMaxRegSect));
  LoadFat(h);
  if (!LoadDirectory(base::LoadLe32(h + kHdrFirstDirSector))) return win::STG_E_DOCFILECORRUPT;
  const DirEntry root = Entry(0);
  if (root.type != kTypeRoot) return win::STG_E_DOCFILECORRUPT;
  // The mini stream is whatever the root's chain holds: its recorded size
  // may overstate what the mini FAT uses, so the chain, not the size, counts.
  // A broken tail (a file cut short, a link out of range) costs only the
  // mini sectors behind the break, as for the directory and the mini FAT:
  // every small stream before it stays readable.
  if (root.start < sectorCount_) Follow(fat_, sectorCount_, root.start, 0, false, &miniStreamChain_);
  miniSectorCount_ = static_cast<uint32_t>(
      std::min<uint64_t>(miniStreamChain_.size() * (ss / kMiniSectorSize), kMaxRegSect));
  LoadMiniFat(base::LoadLe32(h + kHdrFirstMiniFatSector));
  return win::S_OK;
}

// Only the signature and the sector shift decide: versions, minor versions
// and counts vary among real writers and are not checked.
bool Volume::ReadHeader(const uint8_t* h) {
  if (memcmp(h, kSignature, sizeof kSignature) != 0) return false;
  major_ = base::LoadLe16(h + kHdrMajorVersion);
  shift_ = base::LoadLe16(h + kHdrSectorShift);
  return shift_ >= kMinSectorShift && shift_ <= kMaxSectorShift;
}

// The FAT sectors are listed by the header's 109 DIFAT slots, then by the
// DIFAT chain. The header's counts are not trusted: the list ends at the
// first slot that names no sector of the file or repeats one, and at the
// number of FAT sectors the file's length can need (some writers leave
// unused slots zero rather than FREESECT).
void Volume::LoadFat(const uint8_t* h) {
  std::vector<uint32_t> fatSectors;
  uint32_t perFat = sectorSize() / 4;
  uint64_t needed = (static_cast<uint64_t>(sectorCount_) + perFat - 1) / perFat;
  std::vector<bool> listed(sectorCount_, false);
  bool ended = false;
  auto take = [&](uint32_t s) {
    if (ended || fatSectors.size() >= needed || s >= sectorCount_ || listed[s]) {
      ended = true;
      return;
    }
    listed[s] = true;
    fatSectors.push_back(s);
  };
  for (uint32_t i = 0; i < kHeaderDifatEntries; ++i) take(base::LoadLe32(h + kHdrDifat + 4 * i));
  uint32_t perSector = sectorSize() / 4 - 1;
  std::vector<uint8_t> buf;
  std::vector<bool> seen;
  uint32_t difat = base::LoadLe32(h + kHdrFirstDifatSector);
  while (!ended && difat < sectorCount_) {
    if (seen.empty()) seen.resize(sectorCount_);
    if (seen[difat] || !ReadSector(difat, &buf)) break;
    seen[difat] = true;
    for (uint32_t i = 0; i < perSector; ++i) take(base::LoadLe32(buf.data() + 4 * i));
    difat = base::LoadLe32(buf.data() + 4 * perSector);
  }
  fat_.reserve(fatSectors.size() * perFat);
  for (uint32_t s : fatSectors) {
    if (!ReadSector(s, &buf)) break;
    for (uint32_t i = 0; i < perFat; ++i) fat_.push_back(base::LoadLe32(buf.data() + 4 * i));
  }
}

void Volume::LoadMiniFat(uint32_t first) {
  std::vector<uint32_t> chain;
  if (first >= sectorCount_) return;
  if (!Follow(fat_, sectorCount_, first, 0, false, &chain)) {
    // Keep the part of the chain that could be read.
  }
  std::vector<uint8_t> buf;
  uint32_t per = sectorSize() / 4;
  for (uint32_t s : chain) {
    if (!ReadSector(s, &buf)) break;
    for (uint32_t i = 0; i < per; ++i) miniFat_.push_back(base::LoadLe32(buf.data() + 4 * i));
  }
}

namespace {

// Names are read up to the first terminator within the 32 units of the
// field; the length field is often wrong (over 64, odd, zero) and only
// bounds the name when it is plausible.
std::u16string DecodeName(const uint8_t* e) {
  size_t units = kDirNameBytes / 2;
  uint16_t lengthField = base::LoadLe16(e + kDirNameLength);
  if (lengthField >= 2 && lengthField <= kDirNameBytes) units = lengthField / 2;
  std::u16string name;
  for (size_t i = 0; i < units; ++i) {
    char16_t c = base::LoadLe16(e + kDirName + 2 * i);
    if (c == 0) break;
    name.push_back(c);
  }
  return name;
}

}  // namespace

bool Volume::LoadDirectory(uint32_t first) {
  StreamExtent dir;
  if (first >= sectorCount_) return false;
  Follow(fat_, sectorCount_, first, 0, false, &dir.chain);  // a broken tail is dropped
  dir.size = static_cast<uint64_t>(dir.chain.size()) << shift_;
  // Read in pieces, so that runs of adjacent sectors cost one call each.
  constexpr uint64_t kPiece = 1 << 20;
  directory_.resize(static_cast<size_t>(dir.size));
  for (uint64_t at = 0; at < dir.size; at += kPiece) {
    size_t n = static_cast<size_t>(std::min(kPiece, dir.size - at));
    if (!Read(dir, at, directory_.data() + at, n)) {
      directory_.resize(static_cast<size_t>(at));
      break;
    }
  }
  return entryCount() > 0;
}

namespace {

// The bits of a directory entry's stream size that a version-3 file uses.
constexpr uint64_t kVersion3SizeMask = 0xFFFFFFFFull;

}  // namespace

DirEntry Volume::Entry(uint32_t i) const {
  const uint8_t* e = directory_.data() + static_cast<size_t>(i) * kDirEntrySize;
  DirEntry d;
  d.type = e[kDirType];
  if (d.type != kTypeStorage && d.type != kTypeStream && d.type != kTypeRoot) {
    d.type = kTypeUnused;
    return d;
  }
  d.name = DecodeName(e);
  d.left = base::LoadLe32(e + kDirLeft);
  d.right = base::LoadLe32(e + kDirRight);
  d.child = base::LoadLe32(e + kDirChild);
  memcpy(d.clsid, e + kDirClsid, sizeof d.clsid);
  d.stateBits = base::LoadLe32(e + kDirStateBits);
  d.ctime = base::LoadLe64(e + kDirCreationTime);
  d.mtime = base::LoadLe64(e + kDirModifiedTime);
  d.start = base::LoadLe32(e + kDirStart);
  d.size = base::LoadLe64(e + kDirSize);
  // Version 3 has a 32-bit size, and older writers left the high half
  // uninitialised. Either the version field or 512-byte sectors make a file
  // version 3: some writers put other values in the field, and only version
  // 4's sectors can address streams past 4 GB.
  if (major_ < 4 || shift_ == kSectorShiftV3) d.size &= kVersion3SizeMask;
  return d;
}

bool Volume::Follow(const std::vector<uint32_t>& table, uint32_t limit, uint32_t start,
                    uint64_t want, bool bounded, std::vector<uint32_t>* chain) const {
  chain->clear();
  if (bounded && want == 0) return true;
  if (bounded && want > limit) return false;
  if (marks_.size() < limit) marks_.assign(limit, 0);
  if (++generation_ == 0) {
    std::fill(marks_.begin(), marks_.end(), 0);
    generation_ = 1;
  }
  uint32_t s = start;
  while (true) {
    if (s == kEndOfChain && !bounded) return true;
    if (s >= limit || s >= table.size() || marks_[s] == generation_) return false;
    marks_[s] = generation_;
    chain->push_back(s);
    if (bounded && chain->size() == want) return true;
    s = table[s];
  }
}

bool Volume::Locate(uint32_t start, uint64_t size, StreamExtent* extent) const {
  extent->size = size;
  extent->mini = size < kMiniStreamCutoff;
  uint64_t unit = extent->mini ? kMiniSectorSize : sectorSize();
  uint64_t want = (size + unit - 1) / unit;
  try {
    if (extent->mini) return Follow(miniFat_, miniSectorCount_, start, want, true, &extent->chain);
    return Follow(fat_, sectorCount_, start, want, true, &extent->chain);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool Volume::Read(const StreamExtent& extent, uint64_t offset, void* buf, size_t n) const {
  uint8_t* out = static_cast<uint8_t*>(buf);
  uint32_t unitShift = extent.mini ? kMiniSectorShift : shift_;
  uint64_t unit = 1ull << unitShift;
  // Runs of units that lie back to back in the file are read with one call.
  uint64_t runOffset = 0;
  size_t runLength = 0;
  uint8_t* runOut = out;
  while (n > 0) {
    uint64_t index = offset >> unitShift;
    if (index >= extent.chain.size()) return false;
    uint64_t within = offset & (unit - 1);
    uint64_t fileOffset;
    if (extent.mini) {
      uint64_t miniOffset = (static_cast<uint64_t>(extent.chain[index]) << kMiniSectorShift) + within;
      uint64_t sector = miniOffset >> shift_;
      if (sector >= miniStreamChain_.size()) return false;
      fileOffset = ((static_cast<uint64_t>(miniStreamChain_[sector]) + 1) << shift_) +
                   (miniOffset & (sectorSize() - 1));
    } else {
      fileOffset = ((static_cast<uint64_t>(extent.chain[index]) + 1) << shift_) + within;
    }
    size_t take = static_cast<size_t>(std::min<uint64_t>(n, unit - within));
    if (runLength > 0 && runOffset + runLength == fileOffset) {
      runLength += take;
    } else {
      if (runLength > 0 && !ReadAt(runOffset, runOut, runLength)) return false;
      runOffset = fileOffset;
      runLength = take;
      runOut = out;
    }
    out += take;
    offset += take;
    n -= take;
  }
  return runLength == 0 || ReadAt(runOffset, runOut, runLength);
}

// Bytes past the end of the file read as zeros: the last sector of a file
// whose length is not a whole number of sectors is still a sector.
bool Volume::ReadAt(uint64_t offset, void* buf, size_t n) const {
  size_t got = 0;
  if (file_->ReadAt(offset, buf, n, &got) != platform::IoStatus::kOk) return false;
  memset(static_cast<uint8_t*>(buf) + got, 0, n - got);
  return true;
}

bool Volume::ReadSector(uint32_t sector, std::vector<uint8_t>* buf) const {
  buf->resize(sectorSize());
  if (sector >= sectorCount_) return false;
  return ReadAt((static_cast<uint64_t>(sector) + 1) << shift_, buf->data(), buf->size());
}

}  // namespace cfb
