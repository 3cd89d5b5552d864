#include "platform/process.h"

#include <windows.h>

namespace platform {

// Windows has no signal for a closed pipe: the write fails with an error,
// which the run ignores as it ignores every failed write.
void IgnoreBrokenPipes() {}

unsigned CurrentProcessId() { return static_cast<unsigned>(::GetCurrentProcessId()); }

}  // namespace platform
