#include "platform/version.h"

#include <windows.h>

namespace win {

DWORD GetFileVersionInfoSizeA(const char* path, DWORD* handle) {
  static_assert(sizeof(DWORD) == sizeof(::DWORD));
  return ::GetFileVersionInfoSizeA(path, reinterpret_cast<::LPDWORD>(handle));
}

BOOL GetFileVersionInfoA(const char* path, DWORD handle, DWORD size, void* data) {
  return ::GetFileVersionInfoA(path, handle, size, data);
}

BOOL VerQueryValueA(const void* block, const char* subBlock, void** buffer, UINT* length) {
  return ::VerQueryValueA(block, subBlock, buffer, length);
}

}  // namespace win
