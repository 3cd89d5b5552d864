#include "platform/version_resource.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "../support/test_support.h"
#include "pegen/pe_builder.h"
#include "platform/version.h"

namespace {

// A block is found only when the bytes given hold all of it (damage inside
// the bytes is the fuzz target's).
TEST(VersionResourceTest, TruncatedImagesHoldNoBlock) {
  for (bool plus : {false, true}) {
    pegen::PeSpec pe;
    pe.pe32plus = plus;
    const std::string image = pegen::BuildPe(pe);
    size_t offset, size;
    ASSERT_TRUE(platform::FindVersionBlock(image, &offset, &size));
    for (size_t n = 0; n < image.size(); ++n) {
      size_t o, s;
      EXPECT_EQ(platform::FindVersionBlock(image.substr(0, n), &o, &s), n >= offset + size) << n;
    }
  }
}

// A program file of any size costs a few pages of memory: the lookup reads
// the headers, the resource directories and the block, not the file.
TEST(VersionResourceTest, LargeProgramFilesAreNotReadWhole) {
  testing_support::TempDir dir;
  const std::string path = dir.Join("big.exe");
  testing_support::WriteFile(path, pegen::BuildPe(pegen::PeSpec{}));
  struct rusage before;
  getrusage(RUSAGE_SELF, &before);
  for (off_t size : {off_t{1} << 30, off_t{3} << 30}) {
    ASSERT_EQ(truncate(path.c_str(), size), 0);  // sparse: no disk taken
    win::DWORD n = win::GetFileVersionInfoSizeA(path.c_str(), nullptr);
    ASSERT_GT(n, 0u) << size;
    std::vector<char> data(n);
    ASSERT_TRUE(win::GetFileVersionInfoA(path.c_str(), 0, n, data.data()));
    void* value = nullptr;
    win::UINT length = 0;
    ASSERT_TRUE(win::VerQueryValueA(data.data(), "\\StringFileInfo\\080403a8\\ProductVersion",
                                    &value, &length));
    EXPECT_STREQ(static_cast<const char*>(value), "5.9.1.100");
  }
  struct rusage after;
  getrusage(RUSAGE_SELF, &after);
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "KiB";
}

}  // namespace
