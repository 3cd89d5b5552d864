// IniDocument is the in-memory form of one INI file: its text, unchanged,
// and the meaning of each line as Windows reads it. Reads answer from the
// text; writes edit the lines they touch and leave every other byte as it
// was. It knows nothing of files, so the profile functions and the fuzzers
// drive the same code. CharT is char for an ANSI file (bytes in the system
// code page) and char16_t for a UTF-16LE file.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Which bytes start a double-byte character in an ANSI code page. The
// scanner must step over the second byte: it may look like ']' or a letter.
// codePage (0: none known) lets names with non-ASCII letters compare
// without regard to case, as Windows compares them in UTF-16.
struct LeadBytes {
  std::array<bool, 256> lead{};
  unsigned codePage = 0;
  bool IsLead(unsigned char c) const { return lead[c]; }
};
LeadBytes LeadBytesForCodePage(unsigned codePage);

template <typename CharT>
class IniDocument {
 public:
  using String = std::basic_string<CharT>;
  using View = std::basic_string_view<CharT>;

  // lead is used for ANSI text only and may be null (single-byte page).
  explicit IniDocument(String text, const LeadBytes* lead = nullptr);

  const String& text() const { return text_; }

  // Section and key are the caller's arguments: spaces around them are
  // ignored, nothing else is. Empty optional when the section or the key
  // is missing.
  std::optional<String> GetValue(View section, View key) const;

  // Answers whether the text changed.
  bool SetValue(View section, View key, View value);

 private:
  enum class Kind { kOther, kSection, kKey };
  struct Line {
    size_t begin = 0;  // first character
    size_t end = 0;    // end of content, before the line break
    size_t next = 0;   // first character of the next line
    Kind kind = Kind::kOther;
    size_t nameBegin = 0, nameLen = 0;    // section or key name
    size_t valueBegin = 0, valueLen = 0;  // key value, blanks and quotes off
    size_t equals = 0;                    // position of '=' in a key line
  };

  void Parse();
  Line ParseLine(size_t begin, size_t end, size_t next) const;
  size_t FindChar(size_t from, size_t to, CharT c) const;
  bool NameEquals(const Line& line, View name) const;
  View Name(const Line& line) const { return View(text_).substr(line.nameBegin, line.nameLen); }
  // Index of the first section header named so, or lines_.size().
  size_t FindSection(View section) const;
  // One past the last line of the section whose header is at index s.
  size_t SectionEnd(size_t s) const;
  size_t FindKey(size_t s, View key) const;
  void Replace(size_t pos, size_t len, const String& with);

  String text_;
  const LeadBytes* lead_;
  std::vector<Line> lines_;
};

extern template class IniDocument<char>;
extern template class IniDocument<char16_t>;

// Leading and trailing spaces off a section or key argument (only spaces:
// a tab in an argument is part of the name).
template <typename CharT>
std::basic_string_view<CharT> TrimSpaces(std::basic_string_view<CharT> s);

// GetPrivateProfileIntA's reading of a value, the system's string-to-integer
// rule with the base taken from the text: control characters and spaces
// skipped, an optional sign, then "0x", "0o" or "0b" (lower case) for base
// 16, 8 or 2, else decimal; digits up to the first that does not fit the
// base, wrapping modulo 2^32. No digits gives 0.
unsigned ParseProfileInt(std::string_view value);

}  // namespace platform
