// OLE automation values: VARIANT, BSTR and SystemTimeToVariantTime.
#pragma once

#include <cstddef>

#include "base/win_types.h"

namespace win {

constexpr VARTYPE VT_EMPTY = 0;
constexpr VARTYPE VT_NULL = 1;
constexpr VARTYPE VT_I2 = 2;
constexpr VARTYPE VT_I4 = 3;
constexpr VARTYPE VT_R4 = 4;
constexpr VARTYPE VT_R8 = 5;
constexpr VARTYPE VT_CY = 6;
constexpr VARTYPE VT_DATE = 7;
constexpr VARTYPE VT_BSTR = 8;
constexpr VARTYPE VT_ERROR = 10;
constexpr VARTYPE VT_BOOL = 11;
constexpr VARTYPE VT_UI1 = 17;
constexpr VARTYPE VT_UI4 = 19;

struct CY {
  DWORD Lo;
  LONG Hi;
};

// The value part is what the 16-byte VARIANT record of a 32-bit program
// carries in its last 8 bytes; a BSTR is held by pointer.
struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONGLONG llVal;
    LONG lVal;
    ULONG ulVal;
    BYTE bVal;
    SHORT iVal;
    float fltVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    CY cyVal;
    DATE date;
    BSTR bstrVal;
  };
};

// The value field of a VARIANT record, and how many of its bytes, from the
// low end, a type's value fills: none for VT_EMPTY and VT_NULL, the whole
// field for the 8-byte types and for every type not named here. Both what
// the history streams carry and what DSConfig.bin stores follow it.
constexpr size_t kVariantValueBytes = 8;
constexpr size_t VariantValueWidth(VARTYPE vt) {
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
      return 0;
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_R4:
    case VT_ERROR:
      return 4;
    default:  // VT_R8, VT_CY, VT_DATE and the rest
      return kVariantValueBytes;
  }
}

void VariantInit(VARIANT* v);
HRESULT VariantClear(VARIANT* v);
HRESULT VariantCopy(VARIANT* dst, const VARIANT* src);

// A BSTR carries its byte length in the four bytes before the pointer and a
// terminating NUL unit behind its data.
BSTR SysAllocString(const char16_t* s);
BSTR SysAllocStringLen(const char16_t* s, UINT units);
BSTR SysAllocStringByteLen(const char* bytes, UINT length);
void SysFreeString(BSTR s);
UINT SysStringLen(BSTR s);
UINT SysStringByteLen(BSTR s);

// Milliseconds and day of week are ignored; month >= 13, day >= 32 and
// year >= 10000 fail; smaller overflows roll over; years 0-49 mean
// 2000-2049 and 50-99 mean 1950-1999; dates before 30 December 1899 are
// negative as a whole. Returns TRUE (1) on success.
INT SystemTimeToVariantTime(const SYSTEMTIME* time, double* variantTime);

}  // namespace win
