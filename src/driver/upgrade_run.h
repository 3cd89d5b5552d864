// The converter's run: refuses to run twice, waits for the version-5
// program to end, finds its installation, lays out every old and new path
// and calls the conversion steps and the three copies in a fixed order.
#pragma once

#include <string>
#include <vector>

#include "driver/upgrade_steps.h"

namespace driver {

// True when path names an existing file that is not a directory.
bool FileExists(const char* path);

// Runs the whole conversion for the new installation folder given as the
// whole command line (no trailing backslash; used exactly as passed).
// Always returns 0.
int RunUpgrade(const char* commandLine);

// The same with the given steps; when log is not null, one line per thing
// the run decided or did (in the ANSI code page) is appended to it.
int RunUpgrade(const char* commandLine, const UpgradeSteps& steps, std::vector<std::string>* log);

}  // namespace driver
