// The settings step of the run: the old UserConfig.ini is carried into the
// new one and into DSConfig.bin.
#pragma once

#include <string>

#include "base/win_types.h"

namespace settings {

// What the step managed, for the run's report.
struct SettingsOutcome {
  int iniWriteFailures = 0;  // writes to the new INI file that failed
  bool dsConfigOpened = false;
  win::HRESULT dsConfigOpenResult = 0;  // why it did not open, if it did not
  int dsConfigValueFailures = 0;        // values not stored in it
  win::HRESULT dsConfigValueFailure = 0;  // the first of them
  std::string dsConfigPath;               // ANSI code page
};

// Both are ANSI Windows paths. A missing old file gives every default.
// DSConfig.bin stays open in the process-wide store until the process ends.
SettingsOutcome MigrateSettings(const char* oldPath, const char* newPath);

}  // namespace settings
