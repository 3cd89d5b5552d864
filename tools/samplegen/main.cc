// samplegen PREFIX_DIR NEW_INSTALL_WINDOWS_PATH [--tasks N] [--no-history] [--no-settings] [--win32]
//
// Builds a complete version-5 installation and a fresh version-6 folder in
// a new Wine-style prefix, ready for vorlake-upgrade. --win32 makes a
// 32-bit prefix: no Wow6432Node, and the shared folder under Program Files.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sample_installation.h"

namespace {

int Usage() {
  std::fputs(
      "usage: samplegen PREFIX_DIR NEW_INSTALL_WINDOWS_PATH [--tasks N] [--no-history] [--no-settings]"
      " [--win32]\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  samplegen::SampleOptions options;
  options.prefixDir = argv[1];
  options.newInstallDir = argv[2];
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--tasks") == 0 && i + 1 < argc) {
      char* end = nullptr;
      long n = std::strtol(argv[++i], &end, 10);
      if (*end || n < 0 || n > 1000000) return Usage();
      options.tasks = static_cast<int>(n);
    } else if (std::strcmp(argv[i], "--no-history") == 0) {
      options.history = false;
    } else if (std::strcmp(argv[i], "--no-settings") == 0) {
      options.settings = false;
    } else if (std::strcmp(argv[i], "--win32") == 0) {
      options.win64 = false;
    } else {
      return Usage();
    }
  }
  std::string error;
  if (!samplegen::BuildSampleInstallation(options, &error)) {
    std::fprintf(stderr, "samplegen: %s\n", error.c_str());
    return 1;
  }
  std::fprintf(stderr, "samplegen: version-5 installation %s and version-6 folder %s in %s\n",
               options.oldInstallDir.c_str(), options.newInstallDir.c_str(), options.prefixDir.c_str());
  return 0;
}
