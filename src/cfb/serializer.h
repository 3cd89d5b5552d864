// Writing a whole tree as a compound file, laid out as the system's own
// implementation lays out a fresh file: FAT and DIFAT sectors marked as
// such, every unused slot FREESECT, unused directory entries zeroed with
// NOSTREAM links, empty streams at ENDOFCHAIN, the root's mini-stream size
// exactly what the mini FAT uses, whole sectors only, and each storage's
// children in a balanced red-black tree (readers walk it recursively, so a
// degenerate chain of thousands of entries would break them).
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "base/win_types.h"
#include "cfb/tree.h"
#include "platform/env.h"

namespace cfb {

// Supplies the bytes of streams that are not resident.
class ContentSource {
 public:
  virtual bool Read(const Node& stream, uint64_t offset, void* buf, size_t n) = 0;

 protected:
  ~ContentSource() = default;
};

struct SerializeOptions {
  uint16_t majorVersion = 3;  // 3: 512-byte sectors, 4: 4096-byte sectors
};

// Writes root and everything under it to a new, empty file. On success,
// placed holds each stream with its first sector (or mini sector) in the
// new file. Streams that are not resident are read through source.
win::HRESULT SerializeTree(platform::File* file, Node& root, ContentSource* source,
                           const SerializeOptions& options,
                           std::vector<std::pair<Node*, uint32_t>>* placed);

}  // namespace cfb
