// The calling thread's last-error value, as kernel32 keeps it per thread.

#include "platform/codepage.h"

namespace win {

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}  // namespace

DWORD GetLastError() { return lastError; }

void SetLastError(DWORD error) { lastError = error; }

}  // namespace win
