// The named mutex, shared by the processes of one user: a lock file under
// $XDG_RUNTIME_DIR (else the temporary folder) named after the mutex.
// CreateMutexA sets ERROR_ALREADY_EXISTS while any handle to the mutex is
// open, in this process or another, whether or not its holder owns it.
#pragma once

#include "base/win_types.h"

namespace win {

HANDLE CreateMutexA(void* securityAttributes, BOOL initialOwner, const char* name);
BOOL ReleaseMutex(HANDLE mutex);
BOOL CloseHandle(HANDLE handle);

}  // namespace win
