// A throw-away Wine-style prefix for the driver's tests: drive C:, a
// system.reg written by the test, and an Env mapping Windows paths into it
// with code page 936 (and a private lock folder for the named mutex) for the
// test's scope.
#pragma once

#include <string>

#include "fake_prefix.h"

namespace driver_test {

class TestPrefix {
 public:
  // C:\A\b.exe (UTF-8) -> <prefix>/drive_c/A/b.exe
  std::string Host(const std::string& windowsPath) const;
  void WriteFile(const std::string& windowsPath, const std::string& data) const;
  void MakeDir(const std::string& windowsPath) const;

  // Writes system.reg. keyLines are the value lines of the version-5 key,
  // which is left out entirely when hasKey is false.
  void WriteRegistry(bool hasKey, const std::string& keyLines) const;
  // Registers C:\... program path (UTF-8) with the given version resource
  // ("" for a file without one).
  void InstallOldProgram(const std::string& windowsPath, const std::string& productVersion) const;

  const std::string& path() const { return prefixDir_.path(); }

 private:
  testing_support::FakePrefix prefixDir_;
  testing_support::TempDir runDir_;
  // The named mutex keeps its lock files there; it reaches the host itself.
  testing_support::ScopedEnv runtimeDir_{"XDG_RUNTIME_DIR", runDir_.path()};
};

std::string RegString(const std::string& text);  // quoted, backslashes escaped
std::string Gbk(const std::string& utf8);

}  // namespace driver_test
