#include <unicode/ucnv.h>
#include <unicode/unistr.h>

#include <cstdio>
#include <memory>

#include "sample_installation.h"

namespace samplegen {

std::string Utf8ToGbk(const std::string& utf8) {
  icu::UnicodeString text = icu::UnicodeString::fromUTF8(utf8);
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, void (*)(UConverter*)> converter(ucnv_open("windows-936", &status),
                                                               ucnv_close);
  if (U_FAILURE(status)) return std::string();
  int32_t needed = text.extract(nullptr, 0, converter.get(), status);
  status = U_ZERO_ERROR;
  std::string out(static_cast<size_t>(needed) + 1, '\0');
  text.extract(out.data(), needed + 1, converter.get(), status);
  out.resize(static_cast<size_t>(needed));
  return out;
}

// The registry file's string form: backslash and quote escaped, anything
// beyond ASCII as \x and four hex digits of its UTF-16 unit.
std::string RegistryEscape(const std::string& utf8) {
  icu::UnicodeString text = icu::UnicodeString::fromUTF8(utf8);
  std::string out;
  for (int32_t i = 0; i < text.length(); ++i) {
    char16_t unit = text.charAt(i);
    if (unit == u'\\' || unit == u'"') {
      out += '\\';
      out += static_cast<char>(unit);
    } else if (unit >= 0x20 && unit < 0x7F) {
      out += static_cast<char>(unit);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\x%04x", static_cast<unsigned>(unit));
      out += escaped;
    }
  }
  return out;
}

}  // namespace samplegen
