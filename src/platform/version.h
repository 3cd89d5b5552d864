// Version resources of PE32 and PE32+ files (GetFileVersionInfoSizeA,
// GetFileVersionInfoA, VerQueryValueA). Files without a resource, truncated
// files and non-PE files fail cleanly.
#pragma once

#include "base/win_types.h"

namespace win {

DWORD GetFileVersionInfoSizeA(const char* path, DWORD* handle);
BOOL GetFileVersionInfoA(const char* path, DWORD handle, DWORD size, void* data);
BOOL VerQueryValueA(const void* block, const char* subBlock, void** buffer, UINT* length);

}  // namespace win
