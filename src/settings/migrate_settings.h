// The settings step of the run: the old UserConfig.ini is carried into the
// new one and into DSConfig.bin.
#pragma once

// Both are ANSI Windows paths. A missing old file gives every default.
// DSConfig.bin stays open in the process-wide store until the process ends.
void MigrateSettings(const char* oldPath, const char* newPath);
