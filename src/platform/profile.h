// Private profile (INI) files with Windows' own behaviour: names matched
// case-insensitively, blanks around names and values ignored, one outer
// pair of quotes taken off a value, ";" comment lines, first match wins.
// Writes keep every other line as it was and replace the file in one step.
#pragma once

#include "base/win_types.h"

namespace win {

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                               char* buffer, DWORD size, const char* path);
UINT GetPrivateProfileIntA(const char* section, const char* key, INT defaultValue,
                           const char* path);
BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* path);

}  // namespace win
