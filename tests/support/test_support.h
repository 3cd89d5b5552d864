// Helpers shared by the tests: temporary folders, environment variables and
// whole-file reads and writes on the host.
#pragma once

#include <string>

namespace testing_support {

// A fresh folder under the temporary folder, removed with its contents.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string Join(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

// Sets (or, with unset, removes) an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const std::string& name, const std::string& value, bool unset = false);
  ~ScopedEnv();

 private:
  std::string name_;
  std::string old_;
  bool had_;
};

// A host path as a Windows program names it: backslashes. On Windows that is
// a drive path; on POSIX a path from the root, which names the host's own
// file without a prefix, so one test runs on both builds.
std::string WindowsPath(const std::string& hostPath);

std::string ReadFile(const std::string& path);
// Creates missing parent folders.
void WriteFile(const std::string& path, const std::string& data);
void MakeDirs(const std::string& path);
bool PathExists(const std::string& path);

// The build folder (where the executable and the tools are), from
// VORLAKE_BUILD_DIR, else the current folder.
std::string BuildDir();

}  // namespace testing_support
