#include "platform/codepage_table.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/unorm2.h>
#include <unicode/utf16.h>

#include <map>
#include <memory>
#include <mutex>

namespace platform {

namespace {

// ICU's names for Microsoft's own tables. 936 must be the 2000 table: its
// byte 0x80 is the euro sign, which a plain GBK table lacks.
const char* IcuNameOf(win::UINT codePage) {
  switch (codePage) {
    case 874: return "windows-874-2000";
    case 932: return "windows-932";
    case 936: return "windows-936-2000";
    case 949: return "windows-949-2000";
    case 950: return "windows-950-2000";
    case 1250: return "windows-1250";
    case 1251: return "windows-1251";
    case 1252: return "windows-1252";
    case 1253: return "windows-1253";
    case 1254: return "windows-1254";
    case 1255: return "windows-1255";
    case 1256: return "windows-1256";
    case 1257: return "windows-1257";
    case 1258: return "windows-1258";
    default: return nullptr;
  }
}

// Single bytes where Windows' table differs from ICU's: mostly unassigned
// bytes that Windows maps into the private use area (and MB_ERR_INVALID_CHARS
// rejects).
struct ByteOverride {
  win::UINT codePage;
  uint8_t byte;
  char16_t unit;
};

constexpr ByteOverride kByteOverrides[] = {
    {932, 0x80, 0x0080}, {932, 0xA0, 0xF8F0}, {932, 0xFD, 0xF8F1}, {932, 0xFE, 0xF8F2},
    {932, 0xFF, 0xF8F3}, {1253, 0xAA, 0xF8F9}, {1253, 0xD2, 0xF8FA}, {1253, 0xFF, 0xF8FB},
    {1255, 0xCA, 0x05BA}, {1255, 0xD9, 0xF88D}, {1255, 0xDA, 0xF88E}, {1255, 0xDB, 0xF88F},
    {1255, 0xDC, 0xF890}, {1255, 0xDD, 0xF891}, {1255, 0xDE, 0xF892}, {1255, 0xDF, 0xF893},
    {1255, 0xFB, 0xF894}, {1255, 0xFC, 0xF895}, {1255, 0xFF, 0xF896}, {1257, 0xA1, 0xF8FC},
    {1257, 0xA5, 0xF8FD},
};

// What broken or unmapped bytes become: the page's Unicode default
// character, KATAKANA MIDDLE DOT in the Japanese page and '?' elsewhere.
char16_t UnicodeDefaultOf(win::UINT codePage) { return codePage == 932 ? 0x30FB : u'?'; }

bool IsPrivateUse(char16_t c) { return c >= 0xE000 && c <= 0xF8FF; }

// The double-byte pages whose best-fit mappings ICU has as its fallbacks,
// one for one (¢ to A1E9 in 936). ICU's Japanese fallbacks differ.
bool BestFitByIcuFallback(win::UINT codePage) {
  return codePage == 936 || codePage == 949 || codePage == 950;
}

// The European pages whose best-fit tables strip accents. Hebrew, Arabic,
// Baltic, Vietnamese and Thai do not: they leave those letters to '?'.
bool BestFitByDecomposition(win::UINT codePage) { return codePage >= 1250 && codePage <= 1254; }

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// One character from exactly these bytes, or kNoChar when ICU reports them
// as invalid, incomplete or as more than one character.
char16_t DecodeOne(UConverter* cnv, const char* bytes, int length) {
  UErrorCode err = U_ZERO_ERROR;
  UChar out[4];
  ucnv_resetToUnicode(cnv);
  int32_t n = ucnv_toUChars(cnv, out, 4, bytes, length, &err);
  if (U_FAILURE(err) || n != 1) return CodePageTable::kNoChar;
  return out[0];
}

uint16_t EncodeOne(UConverter* cnv, char16_t unit) {
  UErrorCode err = U_ZERO_ERROR;
  char out[8];
  ucnv_resetFromUnicode(cnv);
  UChar in = unit;
  int32_t n = ucnv_fromUChars(cnv, out, sizeof out, &in, 1, &err);
  if (U_FAILURE(err)) return CodePageTable::kNoCode;
  if (n == 1) return static_cast<uint8_t>(out[0]);
  if (n == 2) return static_cast<uint16_t>(static_cast<uint8_t>(out[0]) << 8 | static_cast<uint8_t>(out[1]));
  return CodePageTable::kNoCode;
}

}  // namespace

bool CodePageTable::Build(win::UINT codePage, const char* icuName) {
  UErrorCode err = U_ZERO_ERROR;
  Converter cnv(ucnv_open(icuName, &err));
  if (U_FAILURE(err)) return false;
  // Stop rather than substitute: a substitution would look like a mapping.
  ucnv_setToUCallBack(cnv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
  ucnv_setFromUCallBack(cnv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
  ucnv_setFallback(cnv.get(), false);
  if (U_FAILURE(err)) return false;

  if (ucnv_getMaxCharSize(cnv.get()) > 1) {
    UBool starters[256];
    ucnv_getStarters(cnv.get(), starters, &err);
    if (U_FAILURE(err)) return false;
    for (int b = 0; b < 256; ++b) lead_[b] = starters[b] && b >= 0x80;
    doubleByte_ = true;
  }

  unicodeDefault_ = UnicodeDefaultOf(codePage);
  pairs_.assign(doubleByte_ ? 0x10000 : 0, kNoChar);
  for (int b = 0; b < 256; ++b) {
    char bytes[2] = {static_cast<char>(b), 0};
    // Every ANSI page is ASCII below 0x80; ICU's 932 swaps three controls.
    single_[b] = b < 0x80 ? static_cast<char16_t>(b) : lead_[b] ? kNoChar : DecodeOne(cnv.get(), bytes, 1);
    if (!lead_[b]) continue;
    for (int t = 0; t < 256; ++t) {
      bytes[1] = static_cast<char>(t);
      pairs_[b << 8 | t] = DecodeOne(cnv.get(), bytes, 2);
    }
  }

  for (const ByteOverride& o : kByteOverrides) {
    if (o.codePage == codePage) single_[o.byte] = o.unit;
  }
  for (int b = 0; b < 256; ++b) {
    singleValid_[b] = single_[b] != kNoChar && !(b >= 0x80 && IsPrivateUse(single_[b]));
  }

  // Only what maps back: ICU has a few one-way mappings that Windows lacks.
  encode_.assign(0x10000, kNoCode);
  for (int u = 0; u < 0x10000; ++u) {
    if (u >= 0xD800 && u <= 0xDFFF) continue;  // surrogates never map on their own
    uint16_t code = u < 0x80 ? u : EncodeOne(cnv.get(), static_cast<char16_t>(u));
    if (code != kNoCode && Decode(code) == u) encode_[u] = code;
  }
  for (int b = 0x80; b < 256; ++b) {
    if (single_[b] != kNoChar && encode_[single_[b]] == kNoCode) encode_[single_[b]] = b;
  }
  if (BestFitByDecomposition(codePage)) BuildBestFit();
  if (BestFitByIcuFallback(codePage)) {
    ucnv_setFallback(cnv.get(), true);
    bestFit_.assign(0x10000, kNoCode);
    for (int u = 0x80; u < 0x10000; ++u) {
      if (encode_[u] != kNoCode || (u >= 0xD800 && u <= 0xDFFF)) continue;
      uint16_t code = EncodeOne(cnv.get(), static_cast<char16_t>(u));
      // Not ICU's arrows-to-controls (U+FFE9 to 0x1B): Windows has no such.
      if (code >= 0x20 && code != 0x7F) bestFit_[u] = code;
    }
  }
  return true;
}

// Windows' best-fit tables for the single-byte pages map, among others, the
// accented letters of Latin-1 and Latin Extended-A to their base letter and
// full-width ASCII to ASCII: "a" for U+00E4 in 1251. Further out they follow
// no rule, so nothing beyond is guessed: a '?' is better than a wrong
// letter. The double-byte pages keep '?' for these, and so do the pages
// that BestFitByDecomposition leaves out.
void CodePageTable::BuildBestFit() {
  constexpr char16_t kFullWidthFirst = 0xFF01, kFullWidthLast = 0xFF5E, kFullWidthShift = 0xFEE0;
  constexpr char16_t kLatinExtendedALast = 0x017F;
  UErrorCode err = U_ZERO_ERROR;
  const UNormalizer2* nfd = unorm2_getNFDInstance(&err);
  if (U_FAILURE(err)) return;
  bestFit_.assign(0x10000, kNoCode);
  for (int u = 0x80; u < 0x10000; ++u) {
    if (encode_[u] != kNoCode || (u >= 0xD800 && u <= 0xDFFF)) continue;
    if (u >= kFullWidthFirst && u <= kFullWidthLast) {
      // A full-width '?' is no look-alike but a default.
      if (u - kFullWidthShift != '?') bestFit_[u] = encode_[u - kFullWidthShift];
      continue;
    }
    if (u > kLatinExtendedALast) continue;
    UChar parts[8];
    err = U_ZERO_ERROR;
    int32_t n = unorm2_getDecomposition(nfd, u, parts, 8, &err);
    bool marksOnly = U_SUCCESS(err) && n >= 2 && !U_IS_SURROGATE(parts[0]);
    for (int32_t i = 1; marksOnly && i < n; ++i) {
      marksOnly = u_getIntPropertyValue(parts[i], UCHAR_GENERAL_CATEGORY) == U_NON_SPACING_MARK;
    }
    if (marksOnly) bestFit_[u] = encode_[parts[0]];
  }
}

const CodePageTable* CodePageTable::Get(win::UINT codePage) {
  const char* icuName = IcuNameOf(codePage);
  if (!icuName) return nullptr;
  static std::mutex mu;
  static std::map<win::UINT, std::unique_ptr<CodePageTable>> tables;
  std::lock_guard<std::mutex> lock(mu);
  auto it = tables.find(codePage);
  if (it != tables.end()) return it->second.get();
  std::unique_ptr<CodePageTable> table(new CodePageTable());
  if (!table->Build(codePage, icuName)) table.reset();
  return (tables[codePage] = std::move(table)).get();
}

}  // namespace platform
