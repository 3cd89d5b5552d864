// The two binary files of the sample that other generators make: program
// files with a version resource, and the old history compound file.
#pragma once

#include <string>
#include <vector>

#include "old_profile.h"

namespace samplegen {

bool WriteProgramFile(const std::string& hostPath, const std::string& productVersion, std::string* error);

// Writes a history of about `tasks` tasks; *seeds receives the seed files
// that its BitTorrent tasks name.
bool WriteHistoryFile(const std::string& hostPath, int tasks, std::vector<SeedFile>* seeds, std::string* error);

}  // namespace samplegen
