#include "platform/sync.h"

#include <windows.h>

namespace win {

HANDLE CreateMutexA(void* securityAttributes, BOOL initialOwner, const char* name) {
  return ::CreateMutexA(static_cast<::LPSECURITY_ATTRIBUTES>(securityAttributes), initialOwner,
                        name);
}

BOOL ReleaseMutex(HANDLE mutex) { return ::ReleaseMutex(mutex); }

BOOL CloseHandle(HANDLE handle) { return ::CloseHandle(handle); }

}  // namespace win
