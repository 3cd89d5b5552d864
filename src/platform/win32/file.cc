#include "platform/file.h"

#include <windows.h>

namespace win {

DWORD GetFileAttributesA(const char* path) { return ::GetFileAttributesA(path); }

}  // namespace win
