// Our declarations come first: <windows.h> turns many of their names into
// macros, so it must not be seen before them, and the bodies below only
// name the system's functions and types, fully qualified.
#include "platform/codepage.h"

#include <windows.h>

namespace win {

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* src, int srcLen, char16_t* dst,
                        int dstLen) {
  return ::MultiByteToWideChar(codePage, flags, src, srcLen, reinterpret_cast<::LPWSTR>(dst),
                               dstLen);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, const char16_t* src, int srcLen, char* dst,
                        int dstLen, const char* defaultChar, BOOL* usedDefaultChar) {
  return ::WideCharToMultiByte(codePage, flags, reinterpret_cast<::LPCWSTR>(src), srcLen, dst,
                               dstLen, defaultChar, usedDefaultChar);
}

UINT GetACP() { return ::GetACP(); }

DWORD GetLastError() { return ::GetLastError(); }

void SetLastError(DWORD error) { ::SetLastError(error); }

}  // namespace win
