// The two binary files of the sample that other generators make: program
// files with a version resource, and the old history compound file.
#pragma once

#include <string>
#include <vector>

#include "old_profile.h"
#include "sample_installation.h"

namespace samplegen {

bool WriteProgramFile(const std::string& hostPath, const std::string& productVersion, std::string* error);

// Writes a history of `tasks` tasks; *seeds receives the seed files that
// its BitTorrent tasks name, *summary what it holds.
bool WriteHistoryFile(const std::string& hostPath, int tasks, std::vector<SeedFile>* seeds,
                      HistorySummary* summary, std::string* error);

}  // namespace samplegen
