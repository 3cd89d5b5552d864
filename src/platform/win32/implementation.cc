#include "platform/implementation.h"

#include <windows.h>

namespace platform {

bool ServicesAreNative() { return true; }

bool RunningUnderWine() {
  // Wine's ntdll exports its version; Windows' never has.
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace platform
