#include "generated_files.h"

#include <filesystem>
#include <fstream>

#include "pegen/pe_builder.h"

namespace samplegen {

bool WriteProgramFile(const std::string& hostPath, const std::string& productVersion, std::string* error) {
  pegen::PeSpec pe;
  pe.productVersion = productVersion;
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(hostPath).parent_path(), ec);
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  std::string image = pegen::BuildPe(pe);
  out.write(image.data(), static_cast<std::streamsize>(image.size()));
  out.close();
  if (out.good()) return true;
  *error = "cannot write " + hostPath;
  return false;
}

}  // namespace samplegen
