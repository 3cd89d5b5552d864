// The shell copy against what Windows does with the same folders.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>

#include "platform/file.h"
#include "platform/implementation.h"
#include "shell_copy_fixture.h"

namespace {

namespace fs = std::filesystem;
using testing_support::MakeDirs;
using testing_support::PathExists;
using testing_support::ReadFile;
using testing_support::WriteFile;

constexpr int kErrorFileNotFound = 2;

using ShellCopyTest = platform_test::ShellCopyFixture;

TEST_F(ShellCopyTest, FolderIntoMissingFolderWrittenWithBackslash) {
  // Copies keep the last-write time of their sources.
  const std::string b = Host("OLD/Profiles/Torrents/sub/b.torrent");
  const fs::file_time_type old =
      std::chrono::floor<std::chrono::seconds>(fs::last_write_time(b) - std::chrono::hours(24 * 3650));
  fs::last_write_time(b, old);
  MakeDirs(Host("OLD/Profiles/Torrents/empty"));
  EXPECT_EQ(Copy(Win("OLD\\Profiles\\Torrents"), Win("NEW\\Profiles\\")), 0);
  EXPECT_TRUE(fs::is_directory(Host("NEW/Profiles/Torrents/empty")));
  EXPECT_EQ(ReadFile(Host("NEW/Profiles/Torrents/a.torrent")), "A");
  EXPECT_EQ(ReadFile(Host("NEW/Profiles/Torrents/sub/b.torrent")), "B");
  EXPECT_EQ(fs::last_write_time(Host("NEW/Profiles/Torrents/sub/b.torrent")), old);
}

// A folder copied into one that holds it already merges with it. Names are
// one in any letter case, as on Windows: what exists already takes the copy
// under its own spelling, and what the source lacks stays.
TEST_F(ShellCopyTest, FolderIntoExistingFolderMerges) {
  WriteFile(Host("NEW/Profiles/torrents/A.TORRENT"), "old");
  WriteFile(Host("NEW/Profiles/torrents/keep.torrent"), "K");
  MakeDirs(Host("NEW/Profiles/torrents/SUB"));
  EXPECT_EQ(Copy(Win("old\\profiles\\torrents"), Win("NEW\\Profiles")), 0);
  EXPECT_EQ(ReadFile(Host("NEW/Profiles/torrents/A.TORRENT")), "A");
  EXPECT_EQ(ReadFile(Host("NEW/Profiles/torrents/keep.torrent")), "K");
  EXPECT_EQ(ReadFile(Host("NEW/Profiles/torrents/SUB/b.torrent")), "B");
  EXPECT_EQ(Names("NEW/Profiles"),
            (std::set<std::string>{"torrents", "torrents/A.TORRENT", "torrents/keep.torrent",
                                   "torrents/SUB", "torrents/SUB/b.torrent"}));
}

TEST_F(ShellCopyTest, FolderToMissingNameBecomesTheCopy) {
  EXPECT_EQ(Copy(Win("OLD\\Profiles\\Torrents"), Win("NEW\\Seeds")), 0);
  EXPECT_EQ(ReadFile(Host("NEW/Seeds/a.torrent")), "A");
}

TEST_F(ShellCopyTest, FileToNewNameCreatesFolders) {
  EXPECT_EQ(Copy(Win("OLD\\Program\\server.met"), Win("Common Files\\Net\\S\\server.met")), 0);
  EXPECT_EQ(ReadFile(Host("Common Files/Net/S/server.met")), "S");
  WriteFile(Host("OLD/Program/server.met"), "S2");
  EXPECT_EQ(Copy(Win("OLD\\Program\\server.met"), Win("Common Files\\Net\\S\\server.met")), 0);
  EXPECT_EQ(ReadFile(Host("Common Files/Net/S/server.met")), "S2");
  // An existing folder as destination takes the file inside.
  EXPECT_EQ(Copy(Win("OLD\\Program\\server.met"), Win("Common Files")), 0);
  EXPECT_EQ(ReadFile(Host("Common Files/server.met")), "S2");
  // A copy keeps its source's attributes, read-only among them.
  const fs::perms write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  fs::permissions(Host("OLD/Program/server.met"), write, fs::perm_options::remove);
  EXPECT_EQ(Copy(Win("OLD\\Program\\server.met"), Win("Copied\\server.met")), 0);
  EXPECT_EQ(win::GetFileAttributesA(Win("Copied\\server.met").c_str()),
            win::FILE_ATTRIBUTE_ARCHIVE | win::FILE_ATTRIBUTE_READONLY);
  fs::permissions(Host("OLD/Program/server.met"), write, fs::perm_options::add);
  fs::permissions(Host("Copied/server.met"), write, fs::perm_options::add);
}

TEST_F(ShellCopyTest, MissingSourceCopiesAndCreatesNothing) {
  // Wine answers 0x402 as Windows XP did, where later Windows return
  // ERROR_FILE_NOT_FOUND; both create nothing.
  const bool codeAsWindows = !platform::RunningUnderWine();
  int rc = Copy(Win("OLD\\Profiles\\emule"), Win("NEW\\Profiles\\"));
  if (codeAsWindows) EXPECT_EQ(rc, kErrorFileNotFound);
  EXPECT_NE(rc, 0);
  EXPECT_FALSE(PathExists(Host("NEW")));
  // One missing source among several stops all of them.
  std::string both = Win("OLD\\Program\\server.met") + '\0' + Win("OLD\\none");
  rc = Copy(both, Win("NEW\\"));
  if (codeAsWindows) EXPECT_EQ(rc, kErrorFileNotFound);
  EXPECT_NE(rc, 0);
  EXPECT_FALSE(PathExists(Host("NEW")));
}

TEST_F(ShellCopyTest, RefusesCopiesIntoThemselves) {
  if (platform::RunningUnderWine())
    GTEST_SKIP() << "Wine copies the folder into itself; Windows refuses with DE_DESTSUBTREE "
                    "and creates nothing";
  EXPECT_NE(Copy(Win("OLD"), Win("OLD\\Profiles\\")), 0);
  EXPECT_FALSE(PathExists(Host("OLD/Profiles/OLD")));
}

}  // namespace
