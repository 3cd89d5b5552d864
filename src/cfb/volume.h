// A compound file as read from an open file descriptor: its header, FAT, mini
// FAT, directory entries and the place of the mini stream. It reads lazily
// (stream bytes are fetched when asked for) and trusts no count or link that
// it can check: every chain is bounded by the file's real sector count and
// stops at the first cycle, so a corrupt file costs memory in proportion to
// its length, never to a size field.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/win_types.h"
#include "cfb/format.h"
#include "platform/env.h"

namespace cfb {

// One directory entry as stored, with the name decoded leniently.
struct DirEntry {
  std::u16string name;
  uint8_t type = 0;
  uint32_t left = 0;
  uint32_t right = 0;
  uint32_t child = 0;
  uint8_t clsid[16] = {};
  uint32_t stateBits = 0;
  uint64_t ctime = 0;
  uint64_t mtime = 0;
  uint32_t start = 0;
  uint64_t size = 0;
};

// Where a stream's bytes are: its chain of sectors (mini sectors when the
// stream is shorter than the cutoff) and its length.
struct StreamExtent {
  uint64_t size = 0;
  bool mini = false;
  std::vector<uint32_t> chain;
};

class Volume {
 public:
  // Reads the header, the allocation tables and the directory of file,
  // which the caller keeps open for the Volume's lifetime.
  static win::HRESULT Open(platform::File* file, std::unique_ptr<Volume>* out);

  uint16_t majorVersion() const { return major_; }
  uint32_t sectorSize() const { return 1u << shift_; }
  // The directory entries read at open, kept as stored (128 bytes each,
  // less than decoded ones) until the tree is built from them.
  uint32_t entryCount() const { return static_cast<uint32_t>(directory_.size() / kDirEntrySize); }
  // Entry i decoded; an entry of no known type comes back as kTypeUnused.
  DirEntry Entry(uint32_t i) const;
  void DropDirectory() { std::vector<uint8_t>().swap(directory_); }

  // The extent of a stream entry's bytes; false when its chain is broken,
  // loops or is too short for its size.
  bool Locate(uint32_t start, uint64_t size, StreamExtent* extent) const;

  // Reads n bytes at offset (offset + n within the stream) into buf.
  bool Read(const StreamExtent& extent, uint64_t offset, void* buf, size_t n) const;

 private:
  Volume() = default;
  win::HRESULT Load(platform::File* file);
  bool ReadHeader(const uint8_t* h);
  void LoadFat(const uint8_t* h);
  void LoadMiniFat(uint32_t first);
  bool LoadDirectory(uint32_t first);
  // Follows a chain through table from start. With want set, exactly want
  // links are taken and the chain must not end before; otherwise it runs to
  // ENDOFCHAIN. Fails on a link out of range or a repeated sector.
  bool Follow(const std::vector<uint32_t>& table, uint32_t limit, uint32_t start, uint64_t want,
              bool bounded, std::vector<uint32_t>* chain) const;
  bool ReadAt(uint64_t offset, void* buf, size_t n) const;
  bool ReadSector(uint32_t sector, std::vector<uint8_t>* buf) const;

  platform::File* file_ = nullptr;  // the compound file's, which outlives the volume
  uint64_t fileSize_ = 0;
  uint16_t major_ = 3;
  uint16_t shift_ = 9;
  uint32_t sectorCount_ = 0;  // sectors present in the file, a partial last one included
  std::vector<uint32_t> fat_;
  std::vector<uint32_t> miniFat_;
  std::vector<uint32_t> miniStreamChain_;  // regular sectors holding the mini stream
  uint32_t miniSectorCount_ = 0;           // mini sectors the mini stream can hold
  std::vector<uint8_t> directory_;
  // Per-sector marks for cycle detection: a sector is on the current chain
  // when its mark equals the current generation.
  mutable std::vector<uint32_t> marks_;
  mutable uint32_t generation_ = 0;
};

}  // namespace cfb
