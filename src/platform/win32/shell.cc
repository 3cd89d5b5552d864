#include "platform/shell.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

namespace win {

BOOL SHGetSpecialFolderPathA(HWND owner, char* path, int csidl, BOOL create) {
  return ::SHGetSpecialFolderPathA(static_cast<::HWND>(owner), path, csidl, create);
}

BOOL SHGetSpecialFolderPathW(HWND owner, char16_t* path, int csidl, BOOL create) {
  return ::SHGetSpecialFolderPathW(static_cast<::HWND>(owner), reinterpret_cast<::LPWSTR>(path),
                                   csidl, create);
}

int SHFileOperationA(SHFILEOPSTRUCTA* op) {
  if (op == nullptr) return ERROR_INVALID_PARAMETER;
  // Our structure has the system's fields; the system's has its own
  // packing, so the fields are carried over one by one.
  ::SHFILEOPSTRUCTA system{};
  system.hwnd = static_cast<::HWND>(op->hwnd);
  system.wFunc = op->wFunc;
  system.pFrom = op->pFrom;
  system.pTo = op->pTo;
  system.fFlags = op->fFlags;
  system.lpszProgressTitle = op->lpszProgressTitle;
  int result = ::SHFileOperationA(&system);
  op->fAnyOperationsAborted = system.fAnyOperationsAborted;
  op->hNameMappings = system.hNameMappings;
  return result;
}

}  // namespace win
