#include <filesystem>
#include <fstream>
#include "generated_files.h"

namespace samplegen {

bool WriteProgramFile(const std::string& hostPath, const std::string& productVersion, std::string* error) {
  std::filesystem::create_directories(std::filesystem::path(hostPath).parent_path());
  std::ofstream(hostPath) << "MZ";
  return true;
}

bool WriteHistoryFile(const std::string& hostPath, int tasks, std::vector<SeedFile>* seeds, std::string* error) {
  return true;
}

}  // namespace samplegen
