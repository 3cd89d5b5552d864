// A save that fails part way through the new file leaves the old file as it
// was, and the changes stay pending: saved again once the fault is gone,
// they all arrive.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "../support/test_support.h"
#include "cfb_test_util.h"
#include "platform/fault_injection.h"

namespace {

using cfbtest::Ref;
using cfbtest::Tree;
using testing_support::ReadFile;
using testing_support::TempDir;

constexpr win::DWORD kWrite = win::STGM_READWRITE | win::STGM_SHARE_EXCLUSIVE;

struct FaultOff {
  ~FaultOff() { platform::SetWriteFaultForTesting(platform::kNoWriteFault); }
};

size_t EntriesIn(const std::string& dir) {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

TEST(CfbWriteFaultTest, SaveCutShortKeepsTheOldFile) {
  TempDir dir;
  const std::string path = dir.Join("DSConfig.bin");
  const Tree before = {{"DownloadSettings/", ""}, {"DownloadSettings/MaxTasks", "\x05\x01\x02"}};
  // The new file: one more stream in the mini stream, one in regular sectors.
  Tree after = before;
  after["DownloadSettings/Threads"] = std::string(300, 't');
  after["Big"] = std::string(5000, 'b');

  ASSERT_TRUE(cfbtest::CreateFileTree(path, after));
  const size_t newSize = ReadFile(path).size();
  FaultOff off;
  // The cuts that differ: inside the header, at either side of every
  // sector boundary, and the last byte. Each save costs an fsync, so not
  // every byte.
  std::set<size_t> cuts = {0, 1, 75, newSize - 1};
  for (size_t b = 512; b < newSize; b += 512) cuts.insert({b - 1, b, b + 1});
  for (size_t n : cuts) {
    ASSERT_TRUE(cfbtest::CreateFileTree(path, before));
    const std::string oldBytes = ReadFile(path);
    {
      Ref<win::IStorage> root;
      ASSERT_EQ(cfb::OpenCompoundFile(path.c_str(), kWrite, root.out()), win::S_OK);
      platform::SetWriteFaultForTesting(n);
      ASSERT_TRUE(cfbtest::WriteTree(root.get(), after));
      EXPECT_NE(root->Commit(win::STGC_DEFAULT), win::S_OK) << n;
      ASSERT_EQ(ReadFile(path), oldBytes) << n;
      ASSERT_EQ(EntriesIn(dir.path()), 1u) << n;
      platform::SetWriteFaultForTesting(platform::kNoWriteFault);
    }
    win::HRESULT hr;
    ASSERT_EQ(cfbtest::DiffTrees(cfbtest::ReadFileTree(path, &hr), after), "") << n;
  }
}

}  // namespace
