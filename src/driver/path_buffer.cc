#include "driver/path_buffer.h"

#include <cstring>

namespace driver {

bool BuildPath(PathBuffer& out, const char* directory, const char* suffix) {
  std::memset(out, 0, sizeof(out));
  std::size_t dirLength = std::strlen(directory);
  std::size_t suffixLength = std::strlen(suffix);
  if (dirLength > kMaxPathChars || suffixLength > kMaxPathChars - dirLength) return false;
  std::memcpy(out, directory, dirLength);
  std::memcpy(out + dirLength, suffix, suffixLength);
  return true;
}

}  // namespace driver
