// The engine and the system's own structured storage read each other's
// files whole: every name, size and byte, and no class or state bits where
// none were set. Under Wine the system's side is Wine's own ole32, a
// reimplementation that accepts more than Windows does (it walks the
// directory by its links without checking the tree's colours, for one), so
// a pass there is weaker than one on Windows; the layout itself is checked
// against the system writer's rules by the compound-file tests on Linux.
#include <gtest/gtest.h>

#include <string>

#include "base/com_ref.h"
#include "storage/storage.h"
#include "system_storage.h"
#include "test_support.h"

namespace {

using testing_support::DiffTrees;
using testing_support::Pattern;
using testing_support::StorageTree;
using testing_support::Utf16;

constexpr win::DWORD kCreate = win::STGM_READWRITE | win::STGM_SHARE_EXCLUSIVE | win::STGM_CREATE;
constexpr win::DWORD kOpenRw = win::STGM_READWRITE | win::STGM_SHARE_EXCLUSIVE;
constexpr win::DWORD kRead = win::STGM_READ | win::STGM_SHARE_EXCLUSIVE;
constexpr size_t kMiniCutoff = 4096;
// More FAT sectors than the header lists, so the DIFAT is needed.
constexpr size_t kBeyondHeaderFat = 8 * 1024 * 1024 + 5;
// Enough siblings for a directory of many sectors and a deep tree.
constexpr int kManyEntries = 600;

// Names whose order depends on length, on case folding beyond ASCII and on
// characters outside the BMP's Latin part: a reader that sorts otherwise
// than the writer cannot find them by name.
StorageTree Sample() {
  StorageTree tree = {
      {"Empty", ""},
      {"Small", "small value"},
      {"BelowCutoff", Pattern(kMiniCutoff - 1, 1)},
      {"AtCutoff", Pattern(kMiniCutoff, 2)},
      {"Large", Pattern(kBeyondHeaderFat, 3)},
      {"EmptyStorage/", ""},
      {"GlobalConfig/", ""},
      {"GlobalConfig/Cfg0000000D", Pattern(16, 4)},
      {"GlobalConfig/Nested/", ""},
      {"GlobalConfig/Nested/\xE4\xB8\xAD\xE6\x96\x87", "wide name"},
      {"GlobalConfig/Nested/\xC3\xA4pfel", "a-umlaut"},
      {"GlobalConfig/Nested/\xC3\x96l", "o-umlaut"},
      {"GlobalConfig/Nested/zz", "zz"},
      {"GlobalConfig/Nested/B", "B"},
      {"GlobalConfig/Nested/a", "a"},
      {"GlobalConfig/Nested/ThirtyOneCharacterNameAtTheEnd", "31"},
      {"Many/", ""},
  };
  for (int i = 0; i < kManyEntries; ++i)
    tree["Many/S" + std::to_string(i)] = Pattern(static_cast<size_t>(i) * 13, i);
  return tree;
}

TEST(SystemStorageTest, EngineAndSystemReadEachOthersFiles) {
  testing_support::TempDir dir;
  const StorageTree tree = Sample();

  const std::string ours = dir.Join("ours.cfb");
  {
    win::ComRef<win::IStorage> root;
    ASSERT_EQ(win::StgCreateDocfile(Utf16(ours).c_str(), kCreate, 0, root.out()), win::S_OK);
    ASSERT_TRUE(testing_support::WriteTree(root.get(), tree));
    ASSERT_EQ(root->Commit(win::STGC_DEFAULT), win::S_OK);
  }
  long hr = -1;
  EXPECT_EQ(DiffTrees(testing_support::ReadWithSystemStorage(ours, &hr), tree), "");
  EXPECT_EQ(hr, win::S_OK);

  const std::string theirs = dir.Join("theirs.cfb");
  ASSERT_TRUE(testing_support::WriteWithSystemStorage(theirs, tree));
  {
    win::ComRef<win::IStorage> root;
    ASSERT_EQ(win::StgOpenStorage(Utf16(theirs).c_str(), nullptr, kRead, nullptr, 0, root.out()),
              win::S_OK);
    EXPECT_EQ(DiffTrees(testing_support::ReadStorage(root.get()), tree), "");
  }

  // The converter's own case: a file the system wrote, changed by the
  // engine in place, must still open in the system.
  StorageTree changed = tree;
  changed.erase("Small");
  changed["GlobalConfig/Added"] = Pattern(kMiniCutoff + 1, 5);
  {
    win::ComRef<win::IStorage> root;
    ASSERT_EQ(win::StgOpenStorage(Utf16(theirs).c_str(), nullptr, kOpenRw, nullptr, 0, root.out()),
              win::S_OK);
    EXPECT_EQ(root->DestroyElement(u"Small"), win::S_OK);
    ASSERT_TRUE(testing_support::WriteTree(root.get(), {{"GlobalConfig/Added", changed["GlobalConfig/Added"]}}));
    ASSERT_EQ(root->Commit(win::STGC_DEFAULT), win::S_OK);
  }
  EXPECT_EQ(DiffTrees(testing_support::ReadWithSystemStorage(theirs, &hr), changed), "");
  EXPECT_EQ(hr, win::S_OK);
}

}  // namespace
