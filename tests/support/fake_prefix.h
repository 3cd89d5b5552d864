// A throw-away Wine-style prefix: a temporary folder with drive_c, the
// dosdevices link that maps C: onto it, and an Env in force for the
// object's lifetime that maps Windows paths into it, with code page 936.
#pragma once

#include <string>

#include "injected_env.h"
#include "test_support.h"

namespace testing_support {

class FakePrefix {
 public:
  FakePrefix();
  FakePrefix(const FakePrefix&) = delete;
  FakePrefix& operator=(const FakePrefix&) = delete;

  const std::string& path() const { return dir_.path(); }
  // A path relative to the prefix folder ("drive_c/...").
  std::string Join(const std::string& relative) const { return dir_.Join(relative); }
  // C:\A\b.exe -> <prefix>/drive_c/A/b.exe, without case folding.
  std::string Host(const std::string& windowsPath) const;

 private:
  TempDir dir_;
  InjectedEnv env_;
};

}  // namespace testing_support
