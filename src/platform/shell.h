// Shell services: the special folders and the file copy (SHFileOperationA
// FO_COPY), and StrCatW.
#pragma once

#include "base/win_types.h"

namespace win {

constexpr int CSIDL_PROGRAM_FILES = 0x26;
constexpr UINT FO_MOVE = 1;
constexpr UINT FO_COPY = 2;
constexpr UINT FO_DELETE = 3;
constexpr WORD FOF_SILENT = 0x0004;
constexpr WORD FOF_NOCONFIRMATION = 0x0010;
constexpr WORD FOF_NOCONFIRMMKDIR = 0x0200;
constexpr DWORD MAX_PATH = 260;

// The Program Files folder as a 32-bit program sees it: the prefix's
// "ProgramFilesDir (x86)" when present, else "ProgramFilesDir", else
// C:\Program Files. path must hold MAX_PATH characters.
BOOL SHGetSpecialFolderPathA(HWND owner, char* path, int csidl, BOOL create);
BOOL SHGetSpecialFolderPathW(HWND owner, char16_t* path, int csidl, BOOL create);

struct SHFILEOPSTRUCTA {
  HWND hwnd;
  UINT wFunc;
  const char* pFrom;  // double-NUL-terminated list
  const char* pTo;    // double-NUL-terminated list
  WORD fFlags;
  BOOL fAnyOperationsAborted;
  void* hNameMappings;
  const char* lpszProgressTitle;
};

// FO_COPY only: a folder is copied into the destination folder (created when
// missing), a file to the destination name (folders created), existing
// files replaced, no prompt; a missing source copies nothing and fails.
int SHFileOperationA(SHFILEOPSTRUCTA* op);

char16_t* StrCatW(char16_t* dst, const char16_t* src);

}  // namespace win
