// Structured storage as the converter calls it: StgOpenStorage,
// StgCreateDocfile and CoTaskMemFree with Windows paths. On POSIX the path is
// mapped into the prefix (paths.h) and the compound-file engine does the work.
#pragma once

#include "cfb/com.h"
#include "platform/win_types.h"

namespace win {

HRESULT StgOpenStorage(const char16_t* path, IStorage* priority, DWORD mode, char16_t** exclude,
                       DWORD reserved, IStorage** root);
HRESULT StgCreateDocfile(const char16_t* path, DWORD mode, DWORD reserved, IStorage** root);
void CoTaskMemFree(void* p);

}  // namespace win
