#include "fake_prefix.h"

#include <filesystem>

namespace testing_support {

FakePrefix::FakePrefix() : env_(dir_.path()) {
  MakeDirs(dir_.Join("drive_c"));
  MakeDirs(dir_.Join("dosdevices"));
  std::filesystem::create_directory_symlink("../drive_c", dir_.Join("dosdevices/c:"));
}

std::string FakePrefix::Host(const std::string& windowsPath) const {
  std::string host = dir_.Join("drive_c");
  for (char c : windowsPath.substr(2)) host += c == '\\' ? '/' : c;
  return host;
}

}  // namespace testing_support
