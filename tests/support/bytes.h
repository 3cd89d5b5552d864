// Little-endian numbers in byte strings, for tests that build or inspect
// file images by hand. Written apart from the system's own helper so that a
// mistake there cannot hide in both the image and its reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace testing_support {

inline uint32_t GetLe(const std::string& s, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(s[at + i]);
  return v;
}
inline uint16_t GetLe16(const std::string& s, size_t at) { return static_cast<uint16_t>(GetLe(s, at, 2)); }
inline uint32_t GetLe32(const std::string& s, size_t at) { return GetLe(s, at, 4); }

// Overwrites bytes at `at`, which must lie inside s.
inline void PutLe(std::string& s, size_t at, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
}
inline void PutLe16(std::string& s, size_t at, uint16_t v) { PutLe(s, at, v, 2); }
inline void PutLe32(std::string& s, size_t at, uint32_t v) { PutLe(s, at, v, 4); }

// Appends v in `bytes` little-endian bytes.
inline std::string& AppendLe(std::string& s, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s += static_cast<char>(v >> (8 * i));
  return s;
}

}  // namespace testing_support
