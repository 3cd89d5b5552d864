// A folder of a fuzz target's own for the files it writes: on a memory file
// system when the host has one (a run writes thousands of files), else in
// the temporary folder; removed with what it holds at exit. Portable C++
// only, so the targets build for every host the engine runs on.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace fuzzwork {

inline const std::filesystem::path& WorkDir(const char* prefix) {
  namespace fs = std::filesystem;
  static const fs::path dir = [prefix] {
    std::error_code ec;
    std::random_device random;
    for (const fs::path& base : {fs::path("/dev/shm"), fs::temp_directory_path(ec)}) {
      if (!fs::is_directory(base, ec)) continue;
      for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path p = base / (prefix + std::to_string(random()));
        if (fs::create_directory(p, ec)) return p;
        if (ec) break;  // not writable: the next base
      }
    }
    abort();
  }();
  static const bool cleanup = atexit([] {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }) == 0;
  (void)cleanup;
  return dir;
}

}  // namespace fuzzwork
