#include "platform/process.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "platform/paths.h"

namespace platform {

// Windows has no signal for a closed pipe: the write fails with an error,
// which the run ignores as it ignores every failed write.
void IgnoreBrokenPipes() {}

unsigned CurrentProcessId() { return static_cast<unsigned>(::GetCurrentProcessId()); }

std::string HostPathFromArgument(const char* arg) { return HostPathFromAnsi(arg); }

void SetBinaryStdout() { _setmode(_fileno(stdout), _O_BINARY); }

}  // namespace platform
