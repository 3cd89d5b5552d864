#include "platform/ui.h"

#include "platform/codepage.h"
#include "platform/env.h"

namespace win {

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  // Windows titles a box without a caption "Error".
  return platform::CurrentEnv()->MessageBox(text != nullptr ? text : "",
                                            caption != nullptr ? caption : "Error", type, GetACP());
}

}  // namespace win
