#include "platform/system.h"

#include <cstdlib>

#include "platform/env.h"

#include <windows.h>

namespace win {

void GetSystemTime(SYSTEMTIME* time) {
  // Through the Env, so that tests can set the clock; its default asks the
  // system.
  if (time != nullptr) *time = platform::CurrentEnv()->UtcNow();
}

void GlobalMemoryStatus(MEMORYSTATUS* status) {
  if (status == nullptr) return;
  ::MEMORYSTATUS system{};
  system.dwLength = sizeof system;
  ::GlobalMemoryStatus(&system);
  status->dwLength = sizeof(MEMORYSTATUS);
  status->dwMemoryLoad = system.dwMemoryLoad;
  status->dwTotalPhys = static_cast<DWORD>(system.dwTotalPhys);
  status->dwAvailPhys = static_cast<DWORD>(system.dwAvailPhys);
  status->dwTotalPageFile = static_cast<DWORD>(system.dwTotalPageFile);
  status->dwAvailPageFile = static_cast<DWORD>(system.dwAvailPageFile);
  status->dwTotalVirtual = static_cast<DWORD>(system.dwTotalVirtual);
  status->dwAvailVirtual = static_cast<DWORD>(system.dwAvailVirtual);
}

int crt_rand() { return std::rand(); }

void crt_srand(unsigned seed) { std::srand(seed); }

}  // namespace win
