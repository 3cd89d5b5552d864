// The report that ends a run: the run's own lines, then what the modules
// counted and noted, in UTF-8, handed to the platform's report sink (stderr
// at a terminal, a log file for the Windows program).
#pragma once

#include <string>
#include <vector>

namespace driver {

// lines are in the ANSI code page, as the run writes them.
void PublishRunReport(const std::vector<std::string>& lines);

// What an entry point reports when the run ended on an exception.
void PublishRunFailure();

}  // namespace driver
