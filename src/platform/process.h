// Process-wide set-up for a program that must always end with success,
// whoever reads its output.
#pragma once

#include <string>

namespace platform {

// A reader that closes its end of our stderr (or of a pipe we write to)
// early must not end the run: such writes then fail with an error that the
// run ignores, instead of stopping the process with a signal.
void IgnoreBrokenPipes();

// This process's id, which temporary names carry to tell writers apart.
unsigned CurrentProcessId();

// For the command-line tools. A file named on the command line, as a host
// path: on POSIX the argument is one already; a Windows program gets it in
// the ANSI code page, with either separator.
std::string HostPathFromArgument(const char* arg);
// Makes stdout carry bytes as they are: the Windows C runtime would turn
// each "\n" into "\r\n".
void SetBinaryStdout();

}  // namespace platform
