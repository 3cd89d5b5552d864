// Code-page conversions with the Windows contract (MultiByteToWideChar and
// WideCharToMultiByte) for CP_ACP, 936 and CP_UTF8, including what Windows
// does with invalid and unmappable input, and the system ANSI code page.
#pragma once

#include "base/win_types.h"

namespace win {

constexpr UINT CP_ACP = 0;
constexpr UINT CP_GBK = 936;
constexpr UINT CP_UTF8 = 65001;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x00000008;
constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x00000400;
constexpr DWORD WC_ERR_INVALID_CHARS = 0x00000080;

// A negative srcLen converts up to and including the terminating NUL.
// dstLen 0 measures. Returns the number of units written (or needed), 0 on
// failure with the reason in GetLastError.
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* src, int srcLen, char16_t* dst,
                        int dstLen);
int WideCharToMultiByte(UINT codePage, DWORD flags, const char16_t* src, int srcLen, char* dst,
                        int dstLen, const char* defaultChar, BOOL* usedDefaultChar);

// The system ANSI code page: from LC_ALL, LC_CTYPE, then LANG, mapped as
// Windows maps a system locale; 936 when no locale is set or it is C/POSIX.
UINT GetACP();

DWORD GetLastError();
void SetLastError(DWORD error);

}  // namespace win
