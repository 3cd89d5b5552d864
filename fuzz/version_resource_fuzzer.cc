// Reads a version resource out of an arbitrary file image the way
// GetFileVersionInfo and VerQueryValue do, and also treats the whole input
// as a version block so that the node walk is reached without a valid PE.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/version_resource.h"

namespace {

using Path = std::vector<std::u16string>;

std::u16string Hex8(uint32_t v) {
  static const char digits[] = "0123456789ABCDEF";
  std::u16string s(8, u'0');
  for (int i = 7; i >= 0; --i, v >>= 4) s[i] = static_cast<char16_t>(digits[v & 15]);
  return s;
}

void Walk(const unsigned char* block, size_t size) {
  platform::VersionNode node;
  if (platform::FindVersionNode(block, size, {}, &node) &&
      (node.valueOffset > size || node.valueBytes > size - node.valueOffset)) {
    abort();
  }
  std::vector<uint32_t> translations;
  if (platform::FindVersionNode(block, size, Path{u"VarFileInfo", u"Translation"}, &node)) {
    if (node.valueOffset > size || node.valueBytes > size - node.valueOffset) abort();
    for (size_t i = 0; i + 4 <= node.valueBytes && i < 64; i += 4) {
      const unsigned char* p = block + node.valueOffset + i;
      translations.push_back(static_cast<uint32_t>(p[0] | p[1] << 8) << 16 | (p[2] | p[3] << 8));
    }
  }
  translations.push_back(0x080403A8);
  for (uint32_t t : translations) {
    for (const char16_t* key : {u"ProductVersion", u"FileVersion"}) {
      if (platform::FindVersionNode(block, size, Path{u"StringFileInfo", Hex8(t), key}, &node) &&
          (node.valueOffset > size || node.valueBytes > size - node.valueOffset)) {
        abort();
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string image(reinterpret_cast<const char*>(data), size);
  size_t offset = 0, length = 0;
  if (platform::FindVersionBlock(image, &offset, &length, {0x0409, 0x0804})) {
    if (offset > size || length > size - offset) abort();
    // Copied out, as GetFileVersionInfo does, so the sanitizer sees the
    // block's own bounds.
    std::vector<unsigned char> block(image.begin() + offset, image.begin() + offset + length);
    Walk(block.data(), block.size());
  }
  std::vector<unsigned char> raw(data, data + size);
  Walk(raw.data(), raw.size());
  return 0;
}
