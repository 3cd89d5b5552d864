// Drives the INI model with arbitrary text: every query on every section and
// key it finds, then the three kinds of edit. The first input byte picks the
// form (ANSI with or without a double-byte code page, UTF-16LE); the rest is
// the file's text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/ini_document.h"

namespace {

template <typename CharT>
std::basic_string<CharT> Lit(const char* s) {
  return std::basic_string<CharT>(s, s + std::char_traits<char>::length(s));
}

template <typename CharT>
void Exercise(std::basic_string<CharT> text, const platform::LeadBytes* lead) {
  using String = std::basic_string<CharT>;
  platform::IniDocument<CharT> doc(std::move(text), lead);
  std::vector<String> sections = doc.SectionNames();
  for (const String& s : sections) {
    (void)doc.HasSection(s);
    for (const String& k : doc.KeyNames(s)) (void)doc.GetValue(s, k);
  }

  // Edits on names the file has, then on a name of our own whose outcome
  // is certain whatever surrounds it.
  if (!sections.empty()) {
    const String& s = sections.front();
    std::vector<String> keys = doc.KeyNames(s);
    if (!keys.empty()) {
      doc.SetValue(s, keys.front(), Lit<CharT>(" new value "));
      doc.DeleteKey(s, keys.back());
    }
    doc.SetValue(s, Lit<CharT>("added"), Lit<CharT>("1"));
    doc.DeleteSection(sections.back());
  }
  const String section = Lit<CharT>("fuzzsection"), key = Lit<CharT>("fuzzkey");
  doc.SetValue(section, key, Lit<CharT>("value"));
  auto got = doc.GetValue(section, key);
  if (!got || *got != Lit<CharT>("value")) abort();
  doc.DeleteKey(section, key);
  if (doc.GetValue(section, key)) abort();
  doc.DeleteSection(section);
  if (doc.HasSection(section)) abort();

  // A second parse of the edited text must agree with itself.
  platform::IniDocument<CharT> again(doc.text(), lead);
  (void)again.SectionNames();
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
