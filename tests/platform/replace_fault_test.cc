// A replacement that fails at any step (the disk full after any byte, a
// failed sync, a failed rename) leaves the old file, whole, and no stray
// temporary file beside it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "../support/injected_env.h"
#include "../support/test_support.h"
#include "platform/paths.h"

namespace {

using testing_support::InjectedEnv;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

size_t EntriesIn(const std::string& dir) {
  size_t n = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}

TEST(ReplaceFaultTest, EveryFaultKeepsTheOldFile) {
  TempDir dir;
  const std::string path = dir.Join("UserConfig.ini");
  const std::string old = "[Old]\r\nkey=value\r\n";
  const std::string fresh = "[New]\r\nkey=a longer value than before\r\n";
  struct Fault {
    const char* name;
    void (*set)(InjectedEnv&, size_t);
    size_t cuts;  // how many settings of the fault to try
  };
  const Fault faults[] = {
      {"disk full", [](InjectedEnv& env, size_t n) { env.writeLimit = n; }, fresh.size()},
      {"sync", [](InjectedEnv& env, size_t) { env.failSync = true; }, 1},
      {"rename", [](InjectedEnv& env, size_t) { env.failRename = true; }, 1},
  };
  for (const Fault& fault : faults) {
    for (size_t n = 0; n < fault.cuts; ++n) {
      WriteFile(path, old);
      {
        InjectedEnv env;
        fault.set(env, n);
        EXPECT_FALSE(platform::ReplaceFileAtomically(path, fresh)) << fault.name << " " << n;
      }
      EXPECT_EQ(ReadFile(path), old) << fault.name << " " << n;
      EXPECT_EQ(EntriesIn(dir.path()), 1u) << fault.name << " " << n;
    }
  }
  InjectedEnv env;
  env.writeLimit = fresh.size();
  EXPECT_TRUE(platform::ReplaceFileAtomically(path, fresh));
  EXPECT_EQ(ReadFile(path), fresh);
}

TEST(ReplaceFaultTest, NewFileCutShortIsNotCreated) {
  TempDir dir;
  InjectedEnv env;
  env.writeLimit = 3;
  EXPECT_FALSE(platform::ReplaceFileAtomically(dir.Join("Category.xml"), "<?xml?>"));
  EXPECT_EQ(EntriesIn(dir.path()), 0u);
}

}  // namespace
