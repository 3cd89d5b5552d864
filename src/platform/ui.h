// The message box; the answer comes from the Env (env.h).
#pragma once

#include "base/win_types.h"

namespace win {

constexpr UINT MB_OK = 0;
constexpr UINT MB_RETRYCANCEL = 5;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDRETRY = 4;

// text and caption are in the system ANSI code page.
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

}  // namespace win
