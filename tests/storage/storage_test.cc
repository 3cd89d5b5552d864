#include "storage/storage.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "fake_prefix.h"
#include "base/com_ref.h"

namespace {

using testing_support::MakeDirs;
using testing_support::PathExists;
using testing_support::TempDir;

constexpr win::DWORD kWrite =
    win::STGM_READWRITE | win::STGM_SHARE_EXCLUSIVE | win::STGM_CREATE;
constexpr win::DWORD kRead = win::STGM_READ | win::STGM_SHARE_EXCLUSIVE;

TEST(StorageTest, WindowsPathsReachTheEngineInThePrefix) {
  testing_support::FakePrefix dir;
  MakeDirs(dir.Join("drive_c/Profiles"));

  win::ComRef<win::IStorage> root;
  win::ComRef<win::IStream> stream;
  ASSERT_EQ(win::StgCreateDocfile(u"C:\\Profiles\\历史.dat", kWrite, 0, root.out()), win::S_OK);
  ASSERT_EQ(root->CreateStream(u"s", kWrite & ~win::STGM_CREATE, 0, 0, stream.out()), win::S_OK);
  EXPECT_EQ(stream->Write("abc", 3, nullptr), win::S_OK);
  stream.reset();
  EXPECT_EQ(root->Commit(win::STGC_DEFAULT), win::S_OK);
  root.reset();
  EXPECT_TRUE(PathExists(dir.Join("drive_c/Profiles/历史.dat")));

  // Opened again through a path spelled in another case; the name that Stat
  // hands out goes back with CoTaskMemFree.
  ASSERT_EQ(win::StgOpenStorage(u"c:\\PROFILES\\历史.dat", nullptr, kRead, nullptr, 0, root.out()),
            win::S_OK);
  win::STATSTG stat{};
  ASSERT_EQ(root->OpenStream(u"s", nullptr, kRead, 0, stream.out()), win::S_OK);
  EXPECT_EQ(stream->Stat(&stat, win::STATFLAG_DEFAULT), win::S_OK);
  EXPECT_EQ(std::u16string(stat.pwcsName), u"s");
  EXPECT_EQ(stat.cbSize, 3u);
  win::CoTaskMemFree(stat.pwcsName);
  stream.reset();

  EXPECT_NE(win::StgOpenStorage(u"C:\\Profiles\\none.dat", nullptr, kRead, nullptr, 0, root.out()),
            win::S_OK);
  EXPECT_EQ(win::StgOpenStorage(nullptr, nullptr, kRead, nullptr, 0, root.out()),
            win::STG_E_INVALIDPOINTER);
  EXPECT_EQ(win::StgCreateDocfile(u"C:\\x.dat", kWrite, 0, nullptr), win::STG_E_INVALIDPOINTER);
  EXPECT_FALSE(PathExists(dir.Join("drive_c/x.dat")));
}

}  // namespace
