// Structured storage as the converter calls it: StgOpenStorage,
// StgCreateDocfile and CoTaskMemFree with Windows paths. The path is mapped
// into the prefix (platform/paths.h) and the compound-file engine does the
// work; this sits above both so that the engine needs nothing of paths.
#pragma once

#include "base/com.h"
#include "base/win_types.h"

namespace win {

HRESULT StgOpenStorage(const char16_t* path, IStorage* priority, DWORD mode, char16_t** exclude,
                       DWORD reserved, IStorage** root);
HRESULT StgCreateDocfile(const char16_t* path, DWORD mode, DWORD reserved, IStorage** root);
void CoTaskMemFree(void* p);

}  // namespace win
