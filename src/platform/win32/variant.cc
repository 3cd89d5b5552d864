#include "platform/variant.h"

#include <windows.h>
#include <oleauto.h>

namespace win {

// Our VARIANT is the 16-byte record of a 32-bit program, so the system's
// functions work on it in place.
static_assert(sizeof(VARIANT) == sizeof(::VARIANT));

namespace {
::VARIANT* System(VARIANT* v) { return reinterpret_cast<::VARIANT*>(v); }
// The system's VariantCopy takes its source as non-const but leaves it as
// it is.
::VARIANT* System(const VARIANT* v) {
  return reinterpret_cast<::VARIANT*>(const_cast<VARIANT*>(v));
}
::BSTR System(BSTR s) { return reinterpret_cast<::BSTR>(s); }
BSTR Ours(::BSTR s) { return reinterpret_cast<BSTR>(s); }
}  // namespace

void VariantInit(VARIANT* v) { ::VariantInit(System(v)); }

HRESULT VariantClear(VARIANT* v) { return ::VariantClear(System(v)); }

HRESULT VariantCopy(VARIANT* dst, const VARIANT* src) {
  return ::VariantCopy(System(dst), System(src));
}

BSTR SysAllocString(const char16_t* s) {
  return Ours(::SysAllocString(reinterpret_cast<const ::OLECHAR*>(s)));
}

BSTR SysAllocStringLen(const char16_t* s, UINT units) {
  return Ours(::SysAllocStringLen(reinterpret_cast<const ::OLECHAR*>(s), units));
}

BSTR SysAllocStringByteLen(const char* bytes, UINT length) {
  return Ours(::SysAllocStringByteLen(bytes, length));
}

void SysFreeString(BSTR s) { ::SysFreeString(System(s)); }

UINT SysStringLen(BSTR s) { return ::SysStringLen(System(s)); }

UINT SysStringByteLen(BSTR s) { return ::SysStringByteLen(System(s)); }

INT SystemTimeToVariantTime(const SYSTEMTIME* time, double* variantTime) {
  if (time == nullptr) return FALSE;
  ::SYSTEMTIME system{time->wYear,   time->wMonth,  time->wDayOfWeek, time->wDay,
                      time->wHour,   time->wMinute, time->wSecond,    time->wMilliseconds};
  return ::SystemTimeToVariantTime(&system, variantTime);
}

}  // namespace win
