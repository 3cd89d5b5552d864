#include "platform/process.h"

#include <unistd.h>

#include <csignal>

namespace platform {

void IgnoreBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }

unsigned CurrentProcessId() { return static_cast<unsigned>(getpid()); }

std::string HostPathFromArgument(const char* arg) { return arg ? arg : ""; }

void SetBinaryStdout() {}

}  // namespace platform
