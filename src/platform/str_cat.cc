#include <string>

#include "platform/shell.h"

namespace win {

char16_t* StrCatW(char16_t* dst, const char16_t* src) {
  if (!dst || !src) return dst;
  char16_t* end = dst + std::char_traits<char16_t>::length(dst);
  std::char_traits<char16_t>::copy(end, src, std::char_traits<char16_t>::length(src) + 1);
  return dst;
}

}  // namespace win
