// The run report: what the run did and which of its steps failed. The run
// shows nothing to the user on Windows; on POSIX the driver prints this
// report to stderr at the end, so a person at a terminal can see what
// happened. Modules add to it; nothing reads it back but the driver.
#pragma once

#include <string>

namespace platform {

// Adds delta to a named counter, e.g. "tasks converted (BitTorrent)".
void ReportCount(const std::string& counter, long delta = 1);
// Adds one line, e.g. "skipped History/Music/_ZRT...: name check failed".
void ReportNote(const std::string& line);
// Counters in first-use order, then the notes.
std::string FormatReport();
void ClearReport();

}  // namespace platform
