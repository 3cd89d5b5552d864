#include "platform/registry.h"

#include <windows.h>

namespace {

// Taken before the system's macro of the same name is put away, so that our
// constant can carry the name.
const ::HKEY kSystemLocalMachine = HKEY_LOCAL_MACHINE;

}  // namespace

#undef HKEY_LOCAL_MACHINE

namespace win {

// Our key handles are the system's own, seen through an opaque type.
const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(kSystemLocalMachine);

LSTATUS RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, DWORD access, HKEY* result) {
  ::HKEY opened = nullptr;
  LSTATUS status = ::RegOpenKeyExA(reinterpret_cast<::HKEY>(key), subKey, options, access, &opened);
  if (result != nullptr) *result = reinterpret_cast<HKEY>(opened);
  return status;
}

LSTATUS RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                         DWORD* dataSize) {
  static_assert(sizeof(DWORD) == sizeof(::DWORD));
  return ::RegQueryValueExA(reinterpret_cast<::HKEY>(key), valueName,
                            reinterpret_cast<::LPDWORD>(reserved),
                            reinterpret_cast<::LPDWORD>(type), data,
                            reinterpret_cast<::LPDWORD>(dataSize));
}

LSTATUS RegCloseKey(HKEY key) { return ::RegCloseKey(reinterpret_cast<::HKEY>(key)); }

}  // namespace win
