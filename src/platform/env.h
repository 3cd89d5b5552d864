// Env holds the services that depend on the machine or the user rather than
// on files: the clock, the memory size and the answer to the message box.
// The POSIX default reads the real machine and the controlling terminal;
// tests install their own with SetEnv.
#pragma once

#include <cstdint>
#include <string>

#include "base/win_types.h"

namespace platform {

class Env {
 public:
  virtual ~Env() = default;

  // Current UTC time with milliseconds (GetSystemTime).
  virtual win::SYSTEMTIME UtcNow();

  // Total physical memory in bytes, uncapped (GlobalMemoryStatus caps it).
  virtual uint64_t TotalPhysicalMemory();

  // Shows a message box and returns the button pressed (IDOK, IDRETRY,
  // IDCANCEL, ...). text and caption are ANSI bytes in the given code page.
  // The default asks on the controlling terminal for MB_RETRYCANCEL and
  // answers IDCANCEL when there is none.
  virtual int MessageBox(const std::string& text, const std::string& caption, win::UINT type,
                         win::UINT textCodePage);
};

// The Env in force; never null. SetEnv(nullptr) restores the default.
Env* CurrentEnv();
void SetEnv(Env* env);

}  // namespace platform
