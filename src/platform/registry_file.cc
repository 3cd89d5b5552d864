#include "platform/registry_file.h"

#include <unicode/uchar.h>

#include <cstdio>

#include "base/little_endian.h"
#include "platform/env.h"
#include "platform/paths.h"
#include "platform/registry.h"

namespace platform {
namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
constexpr std::string_view kArchOption = "#arch=";
constexpr int kMaxHexEscapeDigits = 4;
constexpr int kMaxOctalEscapeDigits = 3;
constexpr char16_t kReplacementChar = 0xFFFD;

// Names are compared through an upper-case map of each UTF-16 unit, as the
// registry compares them; characters outside the BMP compare as they are.
char16_t FoldUnit(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
  if (c >= 0xD800 && c <= 0xDFFF) return c;
  UChar32 upper = u_toupper(c);
  return upper <= 0xFFFF ? static_cast<char16_t>(upper) : c;
}

std::u16string Fold(std::u16string_view name) {
  std::u16string folded(name);
  for (char16_t& c : folded) c = FoldUnit(c);
  return folded;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendCodePoint(char32_t cp, std::u16string* out) {
  if (cp < 0x10000) {
    out->push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

// Decodes one UTF-8 sequence at line[*pos]; a broken one yields U+FFFD for
// its first byte and decoding goes on behind it.
void DecodeUtf8(std::string_view line, size_t* pos, std::u16string* out) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(line[i]); };
  unsigned char lead = byte(*pos);
  int extra = 0;  // continuation bytes; 0 for a byte that cannot lead
  if (lead >= 0xC2 && lead <= 0xDF)
    extra = 1;
  else if (lead >= 0xE0 && lead <= 0xEF)
    extra = 2;
  else if (lead >= 0xF0 && lead <= 0xF4)
    extra = 3;
  if (extra > 0 && *pos + extra < line.size()) {
    char32_t cp = lead & (0x3F >> extra);
    bool ok = true;
    for (int i = 1; i <= extra && ok; ++i) {
      unsigned char b = byte(*pos + i);
      ok = (b & 0xC0) == 0x80;
      cp = (cp << 6) | (b & 0x3F);
    }
    const char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
    if (ok && cp >= minimum[extra] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF)) {
      AppendCodePoint(cp, out);
      *pos += extra + 1;
      return;
    }
  }
  out->push_back(kReplacementChar);
  ++*pos;
}

// One backslash escape; *pos is on the character after the backslash.
void DecodeEscape(std::string_view line, size_t* pos, std::u16string* out) {
  char c = line[(*pos)++];
  switch (c) {
    case 'a': out->push_back(u'\a'); return;
    case 'b': out->push_back(u'\b'); return;
    case 'e': out->push_back(0x1B); return;
    case 'f': out->push_back(u'\f'); return;
    case 'n': out->push_back(u'\n'); return;
    case 'r': out->push_back(u'\r'); return;
    case 't': out->push_back(u'\t'); return;
    case 'v': out->push_back(u'\v'); return;
    case 'x': {
      // One to four hex digits make one UTF-16 unit; without any the x
      // stands for itself.
      unsigned value = 0;
      int digits = 0;
      while (digits < kMaxHexEscapeDigits && *pos < line.size() && HexValue(line[*pos]) >= 0) {
        value = value * 16 + static_cast<unsigned>(HexValue(line[(*pos)++]));
        ++digits;
      }
      out->push_back(digits > 0 ? static_cast<char16_t>(value) : u'x');
      return;
    }
    default:
      break;
  }
  if (c >= '0' && c <= '7') {
    unsigned value = static_cast<unsigned>(c - '0');
    for (int digits = 1; digits < kMaxOctalEscapeDigits && *pos < line.size() &&
                         line[*pos] >= '0' && line[*pos] <= '7';
         ++digits)
      value = value * 8 + static_cast<unsigned>(line[(*pos)++] - '0');
    out->push_back(static_cast<char16_t>(value));
    return;
  }
  if (static_cast<unsigned char>(c) >= 0x80) {
    --*pos;
    DecodeUtf8(line, pos, out);
    return;
  }
  out->push_back(static_cast<char16_t>(c));  // \\ \" \[ \] and the like
}

// Reads an escaped string from line[*pos] up to an unescaped terminator,
// which is consumed. False when the line ends first.
bool ParseEscaped(std::string_view line, size_t* pos, char terminator, std::u16string* out) {
  while (*pos < line.size()) {
    char c = line[*pos];
    if (c == terminator) {
      ++*pos;
      return true;
    }
    if (c == '\\') {
      if (++*pos >= line.size()) return false;
      DecodeEscape(line, pos, out);
    } else if (static_cast<unsigned char>(c) >= 0x80) {
      DecodeUtf8(line, pos, out);
    } else {
      out->push_back(static_cast<char16_t>(c));
      ++*pos;
    }
  }
  return false;
}

void SkipBlanks(std::string_view line, size_t* pos) {
  while (*pos < line.size() && (line[*pos] == ' ' || line[*pos] == '\t')) ++*pos;
}

bool ConsumePrefix(std::string_view line, size_t* pos, std::string_view prefix) {
  if (line.substr(*pos, prefix.size()) != prefix) return false;
  *pos += prefix.size();
  return true;
}

// Hex digits up to maxDigits (at least one); false without any.
bool ParseHexNumber(std::string_view line, size_t* pos, int maxDigits, win::DWORD* value) {
  int digits = 0;
  *value = 0;
  while (digits < maxDigits && *pos < line.size() && HexValue(line[*pos]) >= 0) {
    *value = *value * 16 + static_cast<win::DWORD>(HexValue(line[(*pos)++]));
    ++digits;
  }
  return digits > 0;
}

std::string Utf16Bytes(const std::u16string& units) {
  std::string bytes;
  bytes.reserve(units.size() * 2);
  for (char16_t u : units) {
    char unit[2];
    base::StoreLe16(unit, u);
    bytes.append(unit, sizeof unit);
  }
  return bytes;
}

// The lines of the file, each without its line end.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  bool Next(std::string_view* line) {
    if (pos_ >= text_.size()) return false;
    size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    *line = text_.substr(pos_, end - pos_);
    if (!line->empty() && line->back() == '\r') line->remove_suffix(1);
    pos_ = end + 1;
    return true;
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

// Comma-separated hex bytes; a backslash at the end of a line continues the
// list on the next one.
bool ParseHexBytes(std::string_view line, size_t pos, LineReader* lines, std::string* bytes) {
  for (;;) {
    SkipBlanks(line, &pos);
    if (pos >= line.size()) return true;
    if (line[pos] == '\\') {
      size_t rest = pos + 1;
      SkipBlanks(line, &rest);
      if (rest != line.size()) return false;
      if (!lines->Next(&line)) return true;  // the file ends in a continuation
      pos = 0;
      continue;
    }
    win::DWORD value;
    if (!ParseHexNumber(line, &pos, 2, &value)) return false;
    bytes->push_back(static_cast<char>(value));
    SkipBlanks(line, &pos);
    if (pos < line.size() && line[pos] == ',') ++pos;
    else if (pos < line.size() && line[pos] != '\\') return false;
  }
}

// The data after "=": a quoted string, str(N):"...", dword:, hex: or hex(N):.
bool ParseValueData(std::string_view line, size_t pos, LineReader* lines, RegistryValue* value) {
  win::DWORD type = win::REG_SZ;
  if (ConsumePrefix(line, &pos, "str(")) {
    if (!ParseHexNumber(line, &pos, 8, &type) || !ConsumePrefix(line, &pos, "):")) return false;
  }
  if (pos < line.size() && line[pos] == '"') {
    std::u16string units;
    ++pos;
    if (!ParseEscaped(line, &pos, '"', &units)) return false;
    units.push_back(u'\0');
    value->type = type;
    value->data = Utf16Bytes(units);
    return true;
  }
  if (type != win::REG_SZ) return false;  // str(N): without its string
  if (ConsumePrefix(line, &pos, "dword:")) {
    win::DWORD number;
    if (!ParseHexNumber(line, &pos, 8, &number)) return false;
    value->type = win::REG_DWORD;
    value->data.assign(sizeof number, '\0');
    base::StoreLe32(value->data.data(), number);
    return true;
  }
  if (ConsumePrefix(line, &pos, "hex:")) {
    value->type = win::REG_BINARY;
  } else if (ConsumePrefix(line, &pos, "hex(")) {
    if (!ParseHexNumber(line, &pos, 8, &value->type) || !ConsumePrefix(line, &pos, "):"))
      return false;
  } else {
    return false;
  }
  value->data.clear();
  return ParseHexBytes(line, pos, lines, &value->data);
}

// A value line: "Name"=data or @=data.
void ParseValueLine(std::string_view line, size_t pos, LineReader* lines, RegistryKey* key) {
  RegistryValue value;
  if (line[pos] == '@') {
    ++pos;
  } else {
    ++pos;
    if (!ParseEscaped(line, &pos, '"', &value.name)) return;
  }
  SkipBlanks(line, &pos);
  if (pos >= line.size() || line[pos] != '=') return;
  ++pos;
  SkipBlanks(line, &pos);
  if (ParseValueData(line, pos, lines, &value) && key != nullptr) key->SetValue(std::move(value));
}

// A key line: [Path\\To\\Key] followed by an optional time stamp.
RegistryKey* ParseKeyLine(std::string_view line, size_t pos, RegistryKey* root) {
  std::u16string path;
  ++pos;
  if (!ParseEscaped(line, &pos, ']', &path)) return nullptr;
  RegistryKey* key = root;
  for (const std::u16string& name : SplitKeyPath(path)) key = key->AddSubkey(name);
  return key;
}

}  // namespace

const RegistryKey* RegistryKey::Subkey(std::u16string_view name) const {
  auto it = subkeys_.find(Fold(name));
  return it == subkeys_.end() ? nullptr : it->second.get();
}

RegistryKey* RegistryKey::AddSubkey(std::u16string_view name) {
  std::unique_ptr<RegistryKey>& slot = subkeys_[Fold(name)];
  if (!slot) slot = std::make_unique<RegistryKey>(std::u16string(name));
  return slot.get();
}

const RegistryValue* RegistryKey::Value(std::u16string_view name) const {
  for (const RegistryValue& value : values_)
    if (RegistryNamesEqual(value.name, name)) return &value;
  return nullptr;
}

void RegistryKey::SetValue(RegistryValue value) {
  for (RegistryValue& existing : values_) {
    if (RegistryNamesEqual(existing.name, value.name)) {
      existing = std::move(value);
      return;
    }
  }
  values_.push_back(std::move(value));
}

bool RegistryNamesEqual(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldUnit(a[i]) != FoldUnit(b[i])) return false;
  return true;
}

std::vector<std::u16string> SplitKeyPath(std::u16string_view path) {
  std::vector<std::u16string> names;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) end = path.size();
    if (end > start) names.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

const RegistryKey* FindKey(const RegistryKey& from, const std::vector<std::u16string>& names) {
  const RegistryKey* key = &from;
  for (const std::u16string& name : names) {
    key = key->Subkey(name);
    if (key == nullptr) return nullptr;
  }
  return key;
}

bool RegistryValueUnits(const RegistryValue& value, std::u16string* units) {
  if (value.type != win::REG_SZ && value.type != win::REG_EXPAND_SZ &&
      value.type != win::REG_MULTI_SZ)
    return false;
  units->clear();
  for (size_t i = 0; i + 1 < value.data.size(); i += 2)
    units->push_back(base::LoadLe16(value.data.data() + i));
  return true;
}

bool ParseRegistryText(std::string_view text, RegistryFile* file) {
  LineReader lines(text);
  std::string_view line;
  if (!lines.Next(&line) || line != kHeader) return false;
  RegistryKey* key = nullptr;
  bool seenKey = false;
  while (lines.Next(&line)) {
    size_t pos = 0;
    SkipBlanks(line, &pos);
    if (pos >= line.size()) continue;
    switch (line[pos]) {
      case '[':
        key = ParseKeyLine(line, pos, &file->root);
        seenKey = true;
        break;
      case '"':
      case '@':
        ParseValueLine(line, pos, &lines, key);
        break;
      case '#':
        // Options before the first key are the file's; after it they
        // describe the key (#time, #class, #link) and change no value.
        if (!seenKey && line.substr(pos, kArchOption.size()) == kArchOption) {
          std::string_view arch = line.substr(pos + kArchOption.size());
          if (arch == "win32") file->arch = RegistryArch::kWin32;
          if (arch == "win64") file->arch = RegistryArch::kWin64;
        }
        break;
      default:  // ";" comments and anything not understood
        break;
    }
  }
  return true;
}

bool LoadMachineRegistry(RegistryFile* file) {
  const std::string path = PrefixDir() + "/system.reg";
  // Anything but a regular file (a FIFO would hold the open) is no registry.
  std::string text;
  if (ReadFileToString(CurrentEnv(), path, &text) != IoStatus::kOk) return false;
  return ParseRegistryText(text, file);
}

bool IsWin64Prefix(const RegistryFile& file) {
  if (file.arch != RegistryArch::kUnknown) return file.arch == RegistryArch::kWin64;
  return FindKey(file.root, {u"Software", u"Wow6432Node"}) != nullptr;
}

}  // namespace platform
