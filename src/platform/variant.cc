#include "platform/variant.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace win {
namespace {

// A BSTR block: the DWORD byte length, the data, then one NUL unit.
constexpr size_t kPrefixBytes = sizeof(DWORD);
constexpr size_t kTerminatorBytes = sizeof(char16_t);
// Windows refuses strings whose block would not fit a 32-bit size.
constexpr UINT kMaxBstrBytes = 0x7FFFFFFFu - kPrefixBytes - kTerminatorBytes;

constexpr int kSecondsPerDay = 86400;
constexpr int kMaxMonth = 12;
constexpr int kMaxDay = 31;
constexpr int kMaxYear = 9999;
// Two-digit years: below the cutoff they belong to this century, from it on
// to the last one (the rule of Windows 10 1903 and later).
constexpr int kTwoDigitYearCutoff = 50;
// Days from 1 January 1970 (the civil day count below) to 30 December
// 1899, the day zero of a variant time.
constexpr int64_t kVariantEpochDays = -25569;

BSTR AllocBstr(const void* data, UINT bytes) {
  if (bytes > kMaxBstrBytes) return nullptr;
  // Rounded up to whole units so that the terminator is aligned even for
  // odd byte lengths.
  size_t block = kPrefixBytes + bytes + kTerminatorBytes + (bytes & 1);
  auto* base = static_cast<unsigned char*>(std::malloc(block));
  if (base == nullptr) return nullptr;
  DWORD length = bytes;
  std::memcpy(base, &length, kPrefixBytes);
  unsigned char* body = base + kPrefixBytes;
  if (data != nullptr)
    std::memcpy(body, data, bytes);
  else
    std::memset(body, 0, bytes);
  std::memset(body + bytes, 0, block - kPrefixBytes - bytes);
  return reinterpret_cast<BSTR>(body);
}

unsigned char* BlockOf(BSTR s) { return reinterpret_cast<unsigned char*>(s) - kPrefixBytes; }

// Days from 1 January 1970 to the given proleptic Gregorian date; month is
// 1-12, day is 1 and beyond (later days simply count on).
int64_t DaysFromCivil(int64_t year, int month, int64_t day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t shiftedMonth = month > 2 ? month - 3 : month + 9;
  const int64_t dayOfYear = (153 * shiftedMonth + 2) / 5;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468 + (day - 1);
}

}  // namespace

void VariantInit(VARIANT* v) {
  if (v == nullptr) return;
  v->vt = VT_EMPTY;
  v->wReserved1 = v->wReserved2 = v->wReserved3 = 0;
  v->llVal = 0;
}

HRESULT VariantClear(VARIANT* v) {
  if (v == nullptr) return E_INVALIDARG;
  if (v->vt == VT_BSTR) SysFreeString(v->bstrVal);
  VariantInit(v);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* dst, const VARIANT* src) {
  if (dst == nullptr || src == nullptr) return E_INVALIDARG;
  if (dst == src) return S_OK;
  VARIANT copy = *src;
  if (src->vt == VT_BSTR && src->bstrVal != nullptr) {
    // Byte length, not units: a string made from an odd number of bytes
    // keeps its last byte.
    copy.bstrVal = SysAllocStringByteLen(reinterpret_cast<const char*>(src->bstrVal),
                                         SysStringByteLen(src->bstrVal));
    if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
  }
  VariantClear(dst);
  *dst = copy;
  return S_OK;
}

BSTR SysAllocString(const char16_t* s) {
  if (s == nullptr) return nullptr;
  size_t units = 0;
  while (s[units] != u'\0') ++units;
  if (units > kMaxBstrBytes / sizeof(char16_t)) return nullptr;
  return SysAllocStringLen(s, static_cast<UINT>(units));
}

BSTR SysAllocStringLen(const char16_t* s, UINT units) {
  if (units > kMaxBstrBytes / sizeof(char16_t)) return nullptr;
  return AllocBstr(s, static_cast<UINT>(units * sizeof(char16_t)));
}

BSTR SysAllocStringByteLen(const char* bytes, UINT length) { return AllocBstr(bytes, length); }

void SysFreeString(BSTR s) {
  if (s != nullptr) std::free(BlockOf(s));
}

UINT SysStringByteLen(BSTR s) {
  if (s == nullptr) return 0;
  DWORD length;
  std::memcpy(&length, BlockOf(s), kPrefixBytes);
  return length;
}

UINT SysStringLen(BSTR s) { return SysStringByteLen(s) / sizeof(char16_t); }

INT SystemTimeToVariantTime(const SYSTEMTIME* time, double* variantTime) {
  if (time == nullptr || variantTime == nullptr) return 0;
  if (time->wMonth > kMaxMonth || time->wDay > kMaxDay || time->wYear > kMaxYear) return 0;

  int64_t year = time->wYear;
  if (year < kTwoDigitYearCutoff)
    year += 2000;
  else if (year < 100)
    year += 1900;
  int month = time->wMonth;
  if (month == 0) {  // the December before
    month = 12;
    --year;
  }
  // Day 0 is the last day of the month before and days past the end of the
  // month count on into the next: both fall out of counting from day 1.
  int64_t days = DaysFromCivil(year, month, time->wDay) - kVariantEpochDays;
  int64_t seconds = int64_t{time->wHour} * 3600 + int64_t{time->wMinute} * 60 + time->wSecond;
  days += seconds / kSecondsPerDay;
  double fraction = static_cast<double>(seconds % kSecondsPerDay) / kSecondsPerDay;
  // Before day zero the whole number is negative: the time of day moves
  // away from zero just as the date does.
  *variantTime = days >= 0 ? static_cast<double>(days) + fraction
                           : static_cast<double>(days) - fraction;
  return 1;
}

}  // namespace win
