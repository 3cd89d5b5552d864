#include "driver/old_program_wait.h"

#include "platform/codepage.h"
#include "platform/sync.h"
#include "platform/ui.h"

namespace driver {

namespace {

// ERROR_ACCESS_DENIED counts as "held" too: a program of another user (or
// session) holding a Global mutex makes the open fail that way.
bool HeldByAnother(win::DWORD lastError) {
  return lastError == win::ERROR_ALREADY_EXISTS || lastError == win::ERROR_ACCESS_DENIED;
}

void Drop(win::HANDLE mutex) {
  win::ReleaseMutex(mutex);
  win::CloseHandle(mutex);
}

}  // namespace

bool WaitForOldProgram() {
  win::HANDLE mutex = win::CreateMutexA(nullptr, 1, kOldProgramMutexName);
  win::DWORD lastError = win::GetLastError();
  while (mutex) {
    if (!HeldByAnother(lastError)) {
      Drop(mutex);
      return true;
    }
    int answer = win::MessageBoxA(nullptr, kOldProgramRunningText, kOldProgramRunningCaption,
                                  win::MB_RETRYCANCEL);
    Drop(mutex);
    if (answer != win::IDRETRY) return false;
    mutex = win::CreateMutexA(nullptr, 1, kOldProgramMutexName);
    lastError = win::GetLastError();
  }
  return true;
}

}  // namespace driver
