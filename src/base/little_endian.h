// Fixed-width little-endian numbers in byte buffers, whatever the host's own
// byte order: every file format the converter reads or writes (compound
// files, history streams, DSConfig.bin values, version resources) stores
// its numbers this way. p must have room for the width; nothing is checked.
#pragma once

#include <cstdint>

namespace base {

inline uint16_t LoadLe16(const void* p) {
  const auto* b = static_cast<const uint8_t*>(p);
  return static_cast<uint16_t>(b[0] | b[1] << 8);
}

inline uint32_t LoadLe32(const void* p) {
  const auto* b = static_cast<const uint8_t*>(p);
  return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
         static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
}

inline uint64_t LoadLe64(const void* p) {
  const auto* b = static_cast<const uint8_t*>(p);
  return LoadLe32(b) | static_cast<uint64_t>(LoadLe32(b + 4)) << 32;
}

inline void StoreLe16(void* p, uint16_t v) {
  auto* b = static_cast<uint8_t*>(p);
  b[0] = static_cast<uint8_t>(v);
  b[1] = static_cast<uint8_t>(v >> 8);
}

inline void StoreLe32(void* p, uint32_t v) {
  auto* b = static_cast<uint8_t*>(p);
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void StoreLe64(void* p, uint64_t v) {
  auto* b = static_cast<uint8_t*>(p);
  StoreLe32(b, static_cast<uint32_t>(v));
  StoreLe32(b + 4, static_cast<uint32_t>(v >> 32));
}

}  // namespace base
