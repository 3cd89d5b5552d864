// MultiByteToWideChar and WideCharToMultiByte with the Windows contract.
//
// The ANSI pages run over CodePageTable rather than through ICU's streaming
// API, because the answers Windows gives on broken input (a lead byte at the
// end or before a NUL, unmapped characters, a destination that is too small)
// are table-walk answers. UTF-8 is done by hand for the same reason.

#include <cstring>
#include <string>

#include "platform/codepage.h"
#include "platform/codepage_table.h"

namespace win {

namespace {

constexpr UINT CP_THREAD_ACP = 3;
constexpr DWORD MB_PRECOMPOSED = 0x1;
constexpr DWORD MB_COMPOSITE = 0x2;
constexpr DWORD MB_USEGLYPHCHARS = 0x4;
constexpr DWORD WC_DISCARDNS = 0x10;
constexpr DWORD WC_SEPCHARS = 0x20;
constexpr DWORD WC_DEFAULTCHAR = 0x40;
constexpr DWORD WC_COMPOSITECHECK = 0x200;

constexpr char16_t kReplacement = 0xFFFD;  // what UTF-8 makes of broken input
constexpr char kDefaultByte = '?';         // default char of every ANSI page

// Collects output units. Without room it only counts (dstLen 0 measures);
// a character that does not fit in whole ends the writing, so a double-byte
// character or a surrogate pair is never split, but the count goes on.
template <typename Unit>
class Sink {
 public:
  Sink(Unit* dst, int capacity) : dst_(capacity > 0 ? dst : nullptr), capacity_(capacity) {}

  void Put(const Unit* units, int n) {
    if (dst_ && !overflow_) {
      if (count_ + n > capacity_) {
        overflow_ = true;
      } else {
        std::memcpy(dst_ + count_, units, n * sizeof(Unit));
      }
    }
    count_ += n;
  }
  void Put(Unit unit) { Put(&unit, 1); }

  bool overflow() const { return overflow_; }
  int count() const { return count_; }

 private:
  Unit* dst_;
  int capacity_;
  int count_ = 0;
  bool overflow_ = false;
};

int Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

template <typename Unit>
int Finish(const Sink<Unit>& sink) {
  if (sink.overflow()) return Fail(ERROR_INSUFFICIENT_BUFFER);
  return sink.count();
}

UINT ResolveCodePage(UINT codePage) {
  if (codePage == CP_ACP || codePage == CP_THREAD_ACP) return GetACP();
  return codePage;
}

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Returns false on an invalid sequence when strict.
bool DecodeAnsi(const platform::CodePageTable& table, bool strict, const uint8_t* s, int n,
                Sink<char16_t>& out) {
  for (int i = 0; i < n;) {
    uint8_t b = s[i];
    char16_t c;
    if (table.IsLead(b)) {
      // A lead byte with nothing (or a NUL) behind it is a broken character
      // of its own; the NUL is left to be converted.
      if (i + 1 < n && s[i + 1] != 0) {
        c = table.Pair(b, s[i + 1]);
        i += 2;
      } else {
        c = platform::CodePageTable::kNoChar;
        i += 1;
      }
      if (c == platform::CodePageTable::kNoChar) {
        if (strict) return false;
        c = table.UnicodeDefault();
      }
    } else {
      if (strict && !table.SingleIsValid(b)) return false;
      c = table.Single(b);
      if (c == platform::CodePageTable::kNoChar) c = table.UnicodeDefault();
      i += 1;
    }
    out.Put(c);
  }
  return true;
}

void PutCodePoint(char32_t cp, Sink<char16_t>& out) {
  if (cp < 0x10000) {
    out.Put(static_cast<char16_t>(cp));
    return;
  }
  cp -= 0x10000;
  const char16_t pair[2] = {static_cast<char16_t>(0xD800 | (cp >> 10)),
                            static_cast<char16_t>(0xDC00 | (cp & 0x3FF))};
  out.Put(pair, 2);
}

// Length of the sequence a UTF-8 lead byte starts (0 when it is no lead)
// and the range its first continuation byte must fall in, which excludes
// overlong forms, surrogates and code points above U+10FFFF.
int Utf8SequenceLength(uint8_t b, uint8_t* low, uint8_t* high) {
  *low = 0x80;
  *high = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) return 2;
  if (b >= 0xE0 && b <= 0xEF) {
    if (b == 0xE0) *low = 0xA0;
    if (b == 0xED) *high = 0x9F;
    return 3;
  }
  if (b >= 0xF0 && b <= 0xF4) {
    if (b == 0xF0) *low = 0x90;
    if (b == 0xF4) *high = 0x8F;
    return 4;
  }
  return 0;
}

// Broken input becomes one U+FFFD per maximal ill-formed part, as Windows
// has done since Vista (and as Unicode recommends).
bool DecodeUtf8(bool strict, const uint8_t* s, int n, Sink<char16_t>& out) {
  for (int i = 0; i < n;) {
    uint8_t b = s[i];
    if (b < 0x80) {
      out.Put(b);
      ++i;
      continue;
    }
    uint8_t low, high;
    int length = Utf8SequenceLength(b, &low, &high);
    char32_t cp = length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 0x07;
    int j = i + 1;
    for (; length && j < i + length; ++j) {
      if (j >= n || s[j] < low || s[j] > high) break;
      cp = cp << 6 | (s[j] & 0x3F);
      low = 0x80;
      high = 0xBF;
    }
    if (length == 0 || j != i + length) {
      if (strict) return false;
      out.Put(kReplacement);
      i = j;
      continue;
    }
    PutCodePoint(cp, out);
    i = j;
  }
  return true;
}

bool EncodeUtf8(bool strict, const char16_t* s, int n, Sink<char>& out) {
  for (int i = 0; i < n; ++i) {
    char32_t cp = s[i];
    if (IsHighSurrogate(s[i]) && i + 1 < n && IsLowSurrogate(s[i + 1])) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(s[i]) || IsLowSurrogate(s[i])) {
      if (strict) return false;
      cp = kReplacement;
    }
    char bytes[4];
    int len;
    if (cp < 0x80) {
      bytes[0] = static_cast<char>(cp);
      len = 1;
    } else if (cp < 0x800) {
      bytes[0] = static_cast<char>(0xC0 | cp >> 6);
      bytes[1] = static_cast<char>(0x80 | (cp & 0x3F));
      len = 2;
    } else if (cp < 0x10000) {
      bytes[0] = static_cast<char>(0xE0 | cp >> 12);
      bytes[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      bytes[2] = static_cast<char>(0x80 | (cp & 0x3F));
      len = 3;
    } else {
      bytes[0] = static_cast<char>(0xF0 | cp >> 18);
      bytes[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      bytes[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      bytes[3] = static_cast<char>(0x80 | (cp & 0x3F));
      len = 4;
    }
    out.Put(bytes, len);
  }
  return true;
}

// Each UTF-16 unit is looked up on its own, as the Windows tables do; what
// has no code (nor, unless refused, a best fit) becomes the default character.
void EncodeAnsi(const platform::CodePageTable& table, bool bestFit, const char16_t* s, int n,
                const char* defaultChar, BOOL* usedDefaultChar, Sink<char>& out) {
  char fallback[2] = {kDefaultByte, 0};
  int fallbackLen = 1;
  if (defaultChar && defaultChar[0]) {
    fallback[0] = defaultChar[0];
    if (table.IsLead(static_cast<uint8_t>(defaultChar[0])) && defaultChar[1]) {
      fallback[1] = defaultChar[1];
      fallbackLen = 2;
    }
  }
  // The walk ends where the destination does: only a default character
  // that was written counts as used, as on Windows.
  bool used = false;
  for (int i = 0; i < n && !out.overflow(); ++i) {
    uint16_t code = table.Encode(s[i]);
    if (code == platform::CodePageTable::kNoCode && bestFit) code = table.BestFit(s[i]);
    if (code == platform::CodePageTable::kNoCode) {
      out.Put(fallback, fallbackLen);
      used = used || !out.overflow();
    } else if (code < 0x100) {
      out.Put(static_cast<char>(code));
    } else {
      const char pair[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
      out.Put(pair, 2);
    }
  }
  if (usedDefaultChar) *usedDefaultChar = used ? 1 : 0;
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* src, int srcLen, char16_t* dst,
                        int dstLen) {
  if (!src || srcLen == 0 || dstLen < 0 || (dstLen > 0 && !dst) ||
      static_cast<const void*>(src) == static_cast<const void*>(dst)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  codePage = ResolveCodePage(codePage);
  const platform::CodePageTable* table = nullptr;
  if (codePage != CP_UTF8) {
    table = platform::CodePageTable::Get(codePage);
    if (!table) return Fail(ERROR_INVALID_PARAMETER);
  }
  const DWORD allowed = codePage == CP_UTF8
                            ? MB_ERR_INVALID_CHARS
                            : MB_PRECOMPOSED | MB_COMPOSITE | MB_USEGLYPHCHARS | MB_ERR_INVALID_CHARS;
  if ((flags & ~allowed) || ((flags & MB_PRECOMPOSED) && (flags & MB_COMPOSITE))) {
    return Fail(ERROR_INVALID_FLAGS);
  }
  if (srcLen < 0) srcLen = static_cast<int>(std::strlen(src)) + 1;

  const bool strict = flags & MB_ERR_INVALID_CHARS;
  const auto* bytes = reinterpret_cast<const uint8_t*>(src);
  Sink<char16_t> out(dst, dstLen);
  bool ok = table ? DecodeAnsi(*table, strict, bytes, srcLen, out)
                  : DecodeUtf8(strict, bytes, srcLen, out);
  if (!ok) return Fail(ERROR_NO_UNICODE_TRANSLATION);
  return Finish(out);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, const char16_t* src, int srcLen, char* dst,
                        int dstLen, const char* defaultChar, BOOL* usedDefaultChar) {
  if (!src || srcLen == 0 || dstLen < 0 || (dstLen > 0 && !dst) ||
      static_cast<const void*>(src) == static_cast<const void*>(dst)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  codePage = ResolveCodePage(codePage);
  const platform::CodePageTable* table = nullptr;
  if (codePage != CP_UTF8) {
    table = platform::CodePageTable::Get(codePage);
    if (!table) return Fail(ERROR_INVALID_PARAMETER);
  }
  const DWORD allowed = codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS
                                            : WC_COMPOSITECHECK | WC_DISCARDNS | WC_SEPCHARS |
                                                  WC_DEFAULTCHAR | WC_NO_BEST_FIT_CHARS;
  if (flags & ~allowed) return Fail(ERROR_INVALID_FLAGS);
  if (srcLen < 0) srcLen = static_cast<int>(std::char_traits<char16_t>::length(src)) + 1;

  Sink<char> out(dst, dstLen);
  if (table) {
    EncodeAnsi(*table, !(flags & WC_NO_BEST_FIT_CHARS), src, srcLen, defaultChar, usedDefaultChar,
               out);
  } else {
    // UTF-8 has no default character; since Windows 10 the pointers are
    // accepted, and nothing ever falls back to a default.
    if (usedDefaultChar) *usedDefaultChar = 0;
    if (!EncodeUtf8(flags & WC_ERR_INVALID_CHARS, src, srcLen, out)) {
      return Fail(ERROR_NO_UNICODE_TRANSLATION);
    }
  }
  return Finish(out);
}

}  // namespace win
