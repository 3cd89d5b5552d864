#include "platform/ini_document.h"

#include <unicode/uchar.h>

#include <cstdint>

#include "platform/text_codec.h"

namespace platform {

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

// Windows treats space, tab and vertical tab as the blanks around names and
// values inside the file.
template <typename CharT>
bool IsBlank(CharT c) {
  return c == CharT(' ') || c == CharT('\t') || c == CharT('\v');
}

template <typename CharT>
bool IsLineBreak(CharT c) {
  return c == CharT('\r') || c == CharT('\n');
}

template <typename CharT>
bool IsQuote(CharT c) {
  return c == CharT('"') || c == CharT('\'');
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool FoldEqual(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && u_toupper(a[i]) != u_toupper(b[i])) return false;
  }
  return true;
}

// Names compare case-insensitively. Windows compares them in UTF-16, so a
// name with bytes above 0x7F is compared as the characters of the code page
// (an accented or full-width letter folds too); without a known code page
// only ASCII letters fold, and the two bytes of a double-byte character are
// compared as they are, since a trail byte that looks like a letter is none.
bool NamesEqual(std::string_view a, std::string_view b, const LeadBytes* lead) {
  auto ascii = [](std::string_view s) {
    for (char c : s) {
      if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
  };
  if (lead && lead->codePage && (!ascii(a) || !ascii(b))) {
    return FoldEqual(ToUtf16(a, lead->codePage), ToUtf16(b, lead->codePage));
  }
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(a[i]);
    if (lead && lead->IsLead(c) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool NamesEqual(std::u16string_view a, std::u16string_view b, const LeadBytes*) {
  return FoldEqual(a, b);
}

template <typename CharT>
std::basic_string<CharT> Lit(const char* ascii) {
  std::basic_string<CharT> s;
  for (; *ascii; ++ascii) s.push_back(static_cast<CharT>(*ascii));
  return s;
}

}  // namespace

LeadBytes LeadBytesForCodePage(unsigned codePage) {
  LeadBytes t;
  t.codePage = codePage;
  auto mark = [&t](int from, int to) {
    for (int c = from; c <= to; ++c) t.lead[c] = true;
  };
  switch (codePage) {
    case 932:
      mark(0x81, 0x9F);
      mark(0xE0, 0xFC);
      break;
    case 936:
    case 949:
    case 950:
      mark(0x81, 0xFE);
      break;
    default:
      break;
  }
  return t;
}

template <typename CharT>
std::basic_string_view<CharT> TrimSpaces(std::basic_string_view<CharT> s) {
  while (!s.empty() && s.front() == CharT(' ')) s.remove_prefix(1);
  while (!s.empty() && s.back() == CharT(' ')) s.remove_suffix(1);
  return s;
}
template std::string_view TrimSpaces(std::string_view);
template std::u16string_view TrimSpaces(std::u16string_view);

unsigned ParseProfileInt(std::string_view value) {
  size_t i = 0;
  while (i < value.size() && static_cast<unsigned char>(value[i]) <= ' ') ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
  uint32_t base = 10;
  if (i + 1 < value.size() && value[i] == '0') {
    const char mark = value[i + 1];
    base = mark == 'x' ? 16 : mark == 'o' ? 8 : mark == 'b' ? 2 : 10;
    if (base != 10) i += 2;
  }
  uint32_t n = 0;
  for (; i < value.size(); ++i) {
    const char c = value[i];
    uint32_t digit = c >= '0' && c <= '9'   ? static_cast<uint32_t>(c - '0')
                     : c >= 'A' && c <= 'Z' ? static_cast<uint32_t>(c - 'A' + 10)
                     : c >= 'a' && c <= 'z' ? static_cast<uint32_t>(c - 'a' + 10)
                                            : base;
    if (digit >= base) break;
    n = n * base + digit;
  }
  return negative ? 0u - n : n;
}

template <typename CharT>
IniDocument<CharT>::IniDocument(String text, const LeadBytes* lead)
    : text_(std::move(text)), lead_(lead) {
  Parse();
}

template <typename CharT>
void IniDocument<CharT>::Parse() {
  lines_.clear();
  size_t pos = 0;
  const size_t n = text_.size();
  while (pos < n) {
    size_t e = pos;
    while (e < n && !IsLineBreak(text_[e])) ++e;
    size_t next = e;
    if (e < n) next = (text_[e] == CharT('\r') && e + 1 < n && text_[e + 1] == CharT('\n')) ? e + 2 : e + 1;
    lines_.push_back(ParseLine(pos, e, next));
    pos = next;
  }
}

template <typename CharT>
size_t IniDocument<CharT>::FindChar(size_t from, size_t to, CharT c) const {
  for (size_t i = from; i < to; ++i) {
    if (text_[i] == c) return i;
    if constexpr (sizeof(CharT) == 1) {
      if (lead_ && lead_->IsLead(static_cast<unsigned char>(text_[i])) && i + 1 < to) ++i;
    }
  }
  return kNone;
}

template <typename CharT>
typename IniDocument<CharT>::Line IniDocument<CharT>::ParseLine(size_t begin, size_t end,
                                                                size_t next) const {
  Line line;
  line.begin = begin;
  line.end = end;
  line.next = next;
  auto trim = [this](size_t& b, size_t& e) {
    while (b < e && IsBlank(text_[b])) ++b;
    while (e > b && IsBlank(text_[e - 1])) --e;
  };
  size_t p = begin;
  while (p < end && IsBlank(text_[p])) ++p;
  if (p < end && text_[p] == CharT('[')) {
    // The name ends at the first ']' (or the line's end when there is none);
    // whatever follows it on the line is ignored.
    size_t b = p + 1;
    size_t e = FindChar(b, end, CharT(']'));
    if (e == kNone) e = end;
    trim(b, e);
    line.kind = Kind::kSection;
    line.nameBegin = b;
    line.nameLen = e - b;
    return line;
  }
  size_t eq = FindChar(p, end, CharT('='));
  if (eq == kNone) return line;  // no '=': not a key
  size_t nb = p, ne = eq;
  trim(nb, ne);
  if (nb < ne && text_[nb] == CharT(';')) return line;  // a comment, even with '='
  size_t vb = eq + 1, ve = end;
  trim(vb, ve);
  // One matching pair of outer quotes goes; the blanks inside it stay.
  if (ve - vb >= 2 && IsQuote(text_[vb]) && text_[ve - 1] == text_[vb]) {
    ++vb;
    --ve;
  }
  line.kind = Kind::kKey;
  line.nameBegin = nb;
  line.nameLen = ne - nb;
  line.valueBegin = vb;
  line.valueLen = ve - vb;
  line.equals = eq;
  return line;
}

template <typename CharT>
bool IniDocument<CharT>::NameEquals(const Line& line, View name) const {
  return NamesEqual(Name(line), name, lead_);
}

template <typename CharT>
size_t IniDocument<CharT>::FindSection(View section) const {
  section = TrimSpaces(section);
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == Kind::kSection && NameEquals(lines_[i], section)) return i;
  }
  return lines_.size();
}

template <typename CharT>
size_t IniDocument<CharT>::SectionEnd(size_t s) const {
  size_t j = s + 1;
  while (j < lines_.size() && lines_[j].kind != Kind::kSection) ++j;
  return j;
}

template <typename CharT>
size_t IniDocument<CharT>::FindKey(size_t s, View key) const {
  key = TrimSpaces(key);
  size_t end = SectionEnd(s);
  for (size_t j = s + 1; j < end; ++j) {
    if (lines_[j].kind == Kind::kKey && NameEquals(lines_[j], key)) return j;
  }
  return kNone;
}

template <typename CharT>
std::optional<typename IniDocument<CharT>::String> IniDocument<CharT>::GetValue(View section,
                                                                               View key) const {
  size_t s = FindSection(section);
  if (s == lines_.size()) return std::nullopt;
  size_t k = FindKey(s, key);
  if (k == kNone) return std::nullopt;
  return text_.substr(lines_[k].valueBegin, lines_[k].valueLen);
}

template <typename CharT>
void IniDocument<CharT>::Replace(size_t pos, size_t len, const String& with) {
  text_.replace(pos, len, with);
  Parse();
}

template <typename CharT>
bool IniDocument<CharT>::SetValue(View section, View key, View value) {
  const String crlf = Lit<CharT>("\r\n");
  section = TrimSpaces(section);
  key = TrimSpaces(key);
  String entry = String(key) + CharT('=') + String(value) + crlf;

  size_t s = FindSection(section);
  if (s == lines_.size()) {
    // A new section goes at the very end, on a line of its own.
    String add;
    if (!text_.empty() && !IsLineBreak(text_.back())) add += crlf;
    add += CharT('[') + String(section) + CharT(']') + crlf + entry;
    Replace(text_.size(), 0, add);
    return true;
  }
  size_t k = FindKey(s, key);
  if (k != kNone) {
    // The first entry keeps its place and its name as spelled in the file;
    // everything after its '=' becomes the new value.
    const Line& line = lines_[k];
    size_t from = line.equals + 1;
    if (View(text_).substr(from, line.end - from) == value) return false;
    Replace(from, line.end - from, String(value));
    return true;
  }
  // A new key follows the section's last key, so that comments and blank
  // lines closing the section stay where they were.
  size_t last = s;
  for (size_t j = s + 1; j < SectionEnd(s); ++j) {
    if (lines_[j].kind == Kind::kKey) last = j;
  }
  const Line& after = lines_[last];
  if (after.next == after.end) entry = crlf + entry;  // last line, no break
  Replace(after.next, 0, entry);
  return true;
}

template class IniDocument<char>;
template class IniDocument<char16_t>;

}  // namespace platform
