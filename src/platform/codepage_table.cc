#include "platform/codepage_table.h"

#include <unicode/ucnv.h>

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

bool CodePageTable::Build(const char* icuName) {
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

  pairs_.assign(doubleByte_ ? 0x10000 : 0, kNoChar);
  for (int b = 0; b < 256; ++b) {
    char bytes[2] = {static_cast<char>(b), 0};
    single_[b] = lead_[b] ? kNoChar : DecodeOne(cnv.get(), bytes, 1);
    if (!lead_[b]) continue;
    for (int t = 0; t < 256; ++t) {
      bytes[1] = static_cast<char>(t);
      pairs_[b << 8 | t] = DecodeOne(cnv.get(), bytes, 2);
    }
  }

  encode_.assign(0x10000, kNoCode);
  for (int u = 0; u < 0x10000; ++u) {
    if (u >= 0xD800 && u <= 0xDFFF) continue;  // surrogates never map on their own
    encode_[u] = EncodeOne(cnv.get(), static_cast<char16_t>(u));
  }
  return true;
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
  if (!table->Build(icuName)) table.reset();
  return (tables[codePage] = std::move(table)).get();
}

}  // namespace platform
