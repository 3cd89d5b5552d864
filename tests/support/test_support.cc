#include "test_support.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "host_env.h"

namespace fs = std::filesystem;

namespace testing_support {

TempDir::TempDir() {
  // A random name that nobody holds yet: create_directory fails on an
  // existing one, so two tests never share a folder.
  static std::mt19937_64 generator{std::random_device{}()};
  constexpr int kAttempts = 100;
  constexpr uint64_t kNames = 1000000000;
  for (int i = 0; i < kAttempts; ++i) {
    fs::path p = fs::temp_directory_path() / ("vorlake-test-" + std::to_string(generator() % kNames));
    std::error_code ec;
    if (fs::create_directory(p, ec)) {
      path_ = p.generic_string();
      return;
    }
  }
  throw std::runtime_error("no temporary folder could be made");
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

ScopedEnv::ScopedEnv(const std::string& name, const std::string& value, bool unset) : name_(name) {
  const char* old = getenv(name.c_str());
  had_ = old != nullptr;
  if (had_) old_ = old;
  if (unset)
    UnsetHostEnv(name);
  else
    SetHostEnv(name, value);
}

ScopedEnv::~ScopedEnv() {
  if (had_)
    SetHostEnv(name_, old_);
  else
    UnsetHostEnv(name_);
}

std::string WindowsPath(const std::string& hostPath) {
  std::string out = hostPath;
  for (char& c : out)
    if (c == '/') c = '\\';
  return out;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const std::string& path, const std::string& data) {
  fs::path p(path);
  if (p.has_parent_path()) fs::create_directories(p.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

void MakeDirs(const std::string& path) { fs::create_directories(path); }

bool PathExists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

std::string BuildDir() {
  const char* d = getenv("VORLAKE_BUILD_DIR");
  return d ? d : fs::current_path().string();
}

}  // namespace testing_support
