// The order of element names inside a storage: shorter names first, names of
// equal length compared unit by unit after upper-casing. Lookups are
// case-insensitive because two names that differ only in case are equal here.
#pragma once

#include <string_view>

namespace cfb {

// The simple upper-case mapping of one UTF-16 code unit.
char16_t UpperCaseUnit(char16_t c);

// Negative, zero or positive as a orders before, with or after b.
int CompareNames(std::u16string_view a, std::u16string_view b);

struct NameLess {
  using is_transparent = void;
  bool operator()(std::u16string_view a, std::u16string_view b) const {
    return CompareNames(a, b) < 0;
  }
};

}  // namespace cfb
