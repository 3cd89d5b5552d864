// The run report: what the run did and which of its steps failed. The run
// shows nothing to the user; at its end the driver hands this report to
// WriteReportText, so a person can see afterwards what happened. Modules
// add to it; nothing reads it back but the driver.
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

// Puts the finished report (UTF-8) where a person can read it. On POSIX that
// is stderr. A Windows program without a console has none: there the text
// replaces the file ReportLogPath() names, in the user's temporary folder,
// away from the installations the run reads and writes.
void WriteReportText(const std::string& utf8Text);
// That file as a host path; empty where the report goes to stderr.
std::string ReportLogPath();

}  // namespace platform
