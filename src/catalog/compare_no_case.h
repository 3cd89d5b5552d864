// The order of the catalog's paths: ASCII letters folded to lower case, then
// unsigned bytes. Bytes from 0x80 up are not folded, so UTF-8 sequences keep
// their byte order.
#pragma once

#include <cstddef>
#include <string_view>

namespace catalog {

// -1, 0 or 1. Both texts end at their first NUL byte, as C strings do; a
// proper prefix sorts first.
int CompareNoCase(std::string_view a, std::string_view b);

// The text as CompareNoCase sees it: up to its first NUL byte.
std::string_view CompareKey(std::string_view text);

inline unsigned char FoldAsciiCase(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// Length of the longest common prefix of two keys under the folding.
size_t FoldedCommonPrefix(std::string_view a, std::string_view b);

}  // namespace catalog
