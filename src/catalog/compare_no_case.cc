#include "catalog/compare_no_case.h"

#include <cstring>

namespace catalog {

std::string_view CompareKey(std::string_view text) {
  size_t nul = text.find('\0');
  return nul == std::string_view::npos ? text : text.substr(0, nul);
}

size_t FoldedCommonPrefix(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  size_t i = 0;
  // Paths in one catalog share long stretches byte for byte: skip those a
  // word at a time before folding byte by byte.
  constexpr size_t kWord = 8;
  while (i + kWord <= n && std::memcmp(a.data() + i, b.data() + i, kWord) == 0) i += kWord;
  while (i < n && FoldAsciiCase(static_cast<unsigned char>(a[i])) ==
                      FoldAsciiCase(static_cast<unsigned char>(b[i])))
    ++i;
  return i;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  a = CompareKey(a);
  b = CompareKey(b);
  size_t common = FoldedCommonPrefix(a, b);
  if (common == a.size() && common == b.size()) return 0;
  if (common == a.size()) return -1;
  if (common == b.size()) return 1;
  unsigned char ca = FoldAsciiCase(static_cast<unsigned char>(a[common]));
  unsigned char cb = FoldAsciiCase(static_cast<unsigned char>(b[common]));
  return ca < cb ? -1 : 1;
}

}  // namespace catalog
