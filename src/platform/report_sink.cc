// The report of a program started from a terminal goes to stderr; stdout
// stays empty for whoever reads it.
#include <cstdio>

#include "platform/report.h"

namespace platform {

void WriteReportText(const std::string& utf8Text) { std::fputs(utf8Text.c_str(), stderr); }

std::string ReportLogPath() { return {}; }

}  // namespace platform
