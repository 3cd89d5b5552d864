// Reading version resources out of bytes in memory: finding the
// VS_VERSIONINFO block of a PE32 or PE32+ image, and finding a node of that
// block by its path. Both trust nothing in their input: every offset and
// length is checked against the bytes given, and the walks only move
// forward or descend a fixed number of levels, so no input can make them
// read outside the buffer or loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// An image that FindVersionBlock reads from, a piece at a time.
class ImageSource {
 public:
  virtual ~ImageSource() = default;
  virtual uint64_t size() const = 0;
  // Copies n bytes at offset, which lie within size, into out; false when
  // they cannot be read.
  virtual bool Read(uint64_t offset, size_t n, unsigned char* out) = 0;
};

// Where the version block lies in an image read through source: only the
// headers, the section table, the resource directories on the way and the
// data entry are read, never the rest of the file.
bool FindVersionBlock(ImageSource& source, uint64_t* offset, size_t* size,
                      const std::vector<uint16_t>& preferredLanguages = {});

// Where the version block lies in image (offset and size in bytes). False
// when image is not a PE32/PE32+ file, has no RT_VERSION resource, or any
// structure on the way is cut off or points outside the file. Of several
// languages the first of preferredLanguages that the file has is taken,
// else its first one.
bool FindVersionBlock(std::string_view image, size_t* offset, size_t* size,
                      const std::vector<uint16_t>& preferredLanguages = {});

// One node of a version block, as offsets into the block.
struct VersionNode {
  size_t valueOffset = 0;  // the node's value
  size_t valueBytes = 0;   // its size in bytes, within the node
  uint16_t type = 0;       // 1 text (UTF-16), 0 binary
};

// The node that path names (its components, matched without regard to case;
// empty path: the root). block holds the whole block (its first WORD is its
// length and must fit in blockSize).
bool FindVersionNode(const unsigned char* block, size_t blockSize,
                     const std::vector<std::u16string>& path, VersionNode* node);

}  // namespace platform
