// Clock, memory size and the C runtime's rand, as a 32-bit Windows program
// sees them.
#pragma once

#include "base/win_types.h"

namespace win {

struct MEMORYSTATUS {
  DWORD dwLength;
  DWORD dwMemoryLoad;
  DWORD dwTotalPhys;  // capped at 0x7FFFFFFF: a 32-bit program, not large-address-aware
  DWORD dwAvailPhys;
  DWORD dwTotalPageFile;
  DWORD dwAvailPageFile;
  DWORD dwTotalVirtual;
  DWORD dwAvailVirtual;
};

void GetSystemTime(SYSTEMTIME* time);
void GlobalMemoryStatus(MEMORYSTATUS* status);

// The Windows C runtime's generator: never seeded it starts from 1;
// state = state * 214013 + 2531011, result = bits 16..30 of the state.
int crt_rand();
void crt_srand(unsigned seed);

}  // namespace win
