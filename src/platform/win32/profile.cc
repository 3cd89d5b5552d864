#include "platform/profile.h"

#include <windows.h>

namespace win {

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                               char* buffer, DWORD size, const char* path) {
  return ::GetPrivateProfileStringA(section, key, defaultValue, buffer, size, path);
}

UINT GetPrivateProfileIntA(const char* section, const char* key, INT defaultValue,
                           const char* path) {
  return ::GetPrivateProfileIntA(section, key, defaultValue, path);
}

BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* path) {
  return ::WritePrivateProfileStringA(section, key, value, path);
}

}  // namespace win
