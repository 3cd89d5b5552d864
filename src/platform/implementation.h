// Which implementation of the Windows services this build carries, for the
// few callers (mostly tests) whose expectations differ between the system's
// own services and the POSIX re-implementation that works inside a prefix.
#pragma once

namespace platform {

// True when the services forward to the system's own (the Windows build),
// false when they are re-implemented here on POSIX.
bool ServicesAreNative();

// True when the system's own services are Wine's, not Windows'.
bool RunningUnderWine();

}  // namespace platform
