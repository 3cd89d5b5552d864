// Drives the INI model with arbitrary text: lookups and edits of names taken
// from the text, then an edit whose outcome is known. The first input byte
// picks the form (ANSI with or without a double-byte code page, UTF-16LE);
// the rest is the file's text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ini_document.h"

namespace {

template <typename CharT>
std::basic_string<CharT> Lit(const char* s) {
  return std::basic_string<CharT>(s, s + std::char_traits<char>::length(s));
}

// Up to kMaxNames pieces of the text between brackets, line breaks and '=',
// so that lookups and edits meet names the file has.
constexpr size_t kMaxNames = 8;

template <typename CharT>
std::vector<std::basic_string<CharT>> NamesIn(const std::basic_string<CharT>& text) {
  std::vector<std::basic_string<CharT>> names;
  std::basic_string<CharT> piece;
  for (CharT c : text) {
    bool cut = c == CharT('[') || c == CharT(']') || c == CharT('=') || c == CharT('\r') ||
               c == CharT('\n');
    if (!cut) {
      piece.push_back(c);
      continue;
    }
    if (!piece.empty() && names.size() < kMaxNames) names.push_back(piece);
    piece.clear();
  }
  return names;
}

template <typename CharT>
void Exercise(std::basic_string<CharT> text, const platform::LeadBytes* lead) {
  using String = std::basic_string<CharT>;
  platform::IniDocument<CharT> doc(std::move(text), lead);
  const std::vector<String> names = NamesIn(doc.text());
  for (const String& s : names) {
    for (const String& k : names) (void)doc.GetValue(s, k);
  }

  // Edits on names the file has, then on a name of our own whose outcome
  // is certain whatever surrounds it.
  if (names.size() >= 2) {
    doc.SetValue(names[0], names[1], Lit<CharT>(" new value "));
    doc.SetValue(names[0], Lit<CharT>("added"), Lit<CharT>("1"));
  }
  const String section = Lit<CharT>("fuzzsection"), key = Lit<CharT>("fuzzkey");
  doc.SetValue(section, key, Lit<CharT>("value"));
  auto got = doc.GetValue(section, key);
  if (!got || *got != Lit<CharT>("value")) abort();

  // A second parse of the edited text must agree with the first.
  platform::IniDocument<CharT> again(doc.text(), lead);
  if (again.GetValue(section, key) != got) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const platform::LeadBytes gbk = platform::LeadBytesForCodePage(936);
  const uint8_t mode = data[0] % 3;
  const char* bytes = reinterpret_cast<const char*>(data + 1);
  size_t n = size - 1;
  if (mode == 2) {
    std::u16string text(n / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
      text[i] = static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                      static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
    }
    Exercise<char16_t>(std::move(text), nullptr);
  } else {
    Exercise<char>(std::string(bytes, n), mode == 1 ? &gbk : nullptr);
    (void)platform::ParseProfileInt(std::string_view(bytes, n));
  }
  return 0;
}
