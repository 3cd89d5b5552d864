// Type codes of bound parameters, column descriptions and cells. They are
// SQLite's own storage-class codes.
#pragma once

#include <cstdint>

namespace dblayer {

enum DbValueType : int32_t {
  kDbInteger = 1,  // a 32-bit signed integer, 4 bytes
  kDbFloat = 2,    // a 64-bit IEEE double, 8 bytes
  kDbText = 3,     // a NUL-terminated UTF-16 text, its bytes with the terminator
  kDbBlob = 4,     // raw bytes
  kDbNull = 5,     // no data, length 0
};

}  // namespace dblayer
