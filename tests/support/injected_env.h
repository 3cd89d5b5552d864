// An Env for tests that forwards to the host's and changes what a test asks
// for: another prefix or ANSI code page, or a fault at a chosen call (a
// full disk after some bytes, a failed sync, rename or read). It wraps the
// Env in force when it is made and is in force until it goes, when that
// one is again, so a test sets it up on the stack (inside a FakePrefix, say)
// and the process environment is never touched; files opened through it
// must be closed before it goes.
#pragma once

#include <cstddef>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "platform/env.h"

namespace testing_support {

class InjectedEnv : public platform::EnvWrapper {
 public:
  static constexpr size_t kNoLimit = std::numeric_limits<size_t>::max();

  InjectedEnv();
  // A prefix as the converter meets it, with code page 936.
  explicit InjectedEnv(const std::string& prefixDir);
  ~InjectedEnv() override;
  InjectedEnv(const InjectedEnv&) = delete;
  InjectedEnv& operator=(const InjectedEnv&) = delete;

  std::optional<std::string> prefix;
  std::optional<unsigned> codePage;
  // Each file opened or created through this Env takes at most this many
  // bytes, then its writes fail as on a full disk.
  size_t writeLimit = kNoLimit;
  bool failSync = false;
  bool failRename = false;
  bool failRead = false;

  std::string Prefix() override;
  win::UINT AnsiCodePage() override;
  platform::IoStatus OpenFile(const std::string& path, bool writable,
                              std::unique_ptr<platform::File>* file) override;
  platform::IoStatus CreateLockedFile(const std::string& path, uint32_t permissions,
                                      std::unique_ptr<platform::File>* file) override;
  platform::IoStatus Rename(const std::string& from, const std::string& to) override;

 private:
  void Wrap(std::unique_ptr<platform::File>* file);
};

}  // namespace testing_support
