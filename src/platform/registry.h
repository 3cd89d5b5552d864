// The registry, read-only: HKEY_LOCAL_MACHINE from <prefix>/system.reg in
// its text format, seen as a 32-bit program sees it (in a 64-bit prefix
// Software\X is read from Software\Wow6432Node\X only).
#pragma once

#include "base/win_types.h"

namespace win {

struct RegKey;
using HKEY = RegKey*;

extern const HKEY HKEY_LOCAL_MACHINE;

constexpr DWORD KEY_READ = 0x20019;
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

LSTATUS RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, DWORD access, HKEY* result);
// Text values come back in the system ANSI code page.
LSTATUS RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                         DWORD* dataSize);
LSTATUS RegCloseKey(HKEY key);

}  // namespace win
