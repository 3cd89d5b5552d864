// Process-wide set-up for a program that must always end with success,
// whoever reads its output.
#pragma once

namespace platform {

// A reader that closes its end of our stderr (or of a pipe we write to)
// early must not end the run: such writes then fail with an error that the
// run ignores, instead of stopping the process with a signal.
void IgnoreBrokenPipes();

// This process's id, which temporary names carry to tell writers apart.
unsigned CurrentProcessId();

}  // namespace platform
