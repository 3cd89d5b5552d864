// A replacement cut short at every possible byte leaves the old file,
// whole, and no stray temporary file beside it.
#include "platform/fault_injection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "../support/test_support.h"
#include "platform/paths.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

struct FaultOff {
  ~FaultOff() { platform::SetWriteFaultForTesting(platform::kNoWriteFault); }
};

size_t EntriesIn(const std::string& dir) {
  size_t n = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}

TEST(WriteFaultTest, ReplaceCutShortKeepsTheOldFile) {
  TempDir dir;
  const std::string path = dir.Join("UserConfig.ini");
  const std::string old = "[Old]\r\nkey=value\r\n";
  const std::string fresh = "[New]\r\nkey=a longer value than before\r\n";
  FaultOff off;
  for (size_t n = 0; n <= fresh.size(); ++n) {
    WriteFile(path, old);
    platform::SetWriteFaultForTesting(n);
    bool replaced = platform::ReplaceFileAtomically(path, fresh);
    platform::SetWriteFaultForTesting(platform::kNoWriteFault);
    EXPECT_EQ(replaced, n == fresh.size()) << n;
    EXPECT_EQ(ReadFile(path), replaced ? fresh : old) << n;
    EXPECT_EQ(EntriesIn(dir.path()), 1u) << n;
  }
}

TEST(WriteFaultTest, NewFileCutShortIsNotCreated) {
  TempDir dir;
  const std::string path = dir.Join("Category.xml");
  FaultOff off;
  platform::SetWriteFaultForTesting(3);
  EXPECT_FALSE(platform::ReplaceFileAtomically(path, "<?xml?>"));
  EXPECT_EQ(EntriesIn(dir.path()), 0u);
}

}  // namespace
