// Writing: round trips, the element API the callers rely on, the layout of
// the files written and their durability.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../support/test_support.h"
#include "cfb_test_util.h"

using cfbtest::Ref;
using cfbtest::Tree;
using testing_support::TempDir;

namespace {

std::string Pattern(size_t n, char seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(seed + i * 7 + (i >> 9));
  return s;
}

Tree Sample() {
  return {
      {"Empty", ""},
      {"Small", "small value"},
      {"Edge4095", Pattern(4095, 'a')},
      {"Edge4096", Pattern(4096, 'b')},
      {"Large", Pattern(100000, 'c')},
      {"GlobalConfig/", ""},
      {"GlobalConfig/Cfg0000000D", Pattern(16, 'd')},
      {"GlobalConfig/Nested/", ""},
      {"GlobalConfig/Nested/\xE4\xB8\xAD\xE6\x96\x87", "wide name"},
      {"EmptyStorage/", ""},
  };
}

TEST(CfbWrite, RoundTrip) {
  TempDir dir;
  std::string path = dir.Join("round.cfb");
  ASSERT_TRUE(cfbtest::CreateFileTree(path, Sample()));
  win::HRESULT hr;
  EXPECT_EQ(cfbtest::DiffTrees(cfbtest::ReadFileTree(path, &hr), Sample()), "");
  EXPECT_EQ(hr, win::S_OK);
}

}  // namespace
