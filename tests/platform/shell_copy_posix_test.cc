// What only the POSIX shell copy has to answer for: copies are written
// beside their target and renamed over it, so a copy killed part way leaves
// the old file whole and leftovers for the next copy to remove; and links,
// which Windows folders of this kind do not hold.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <string>

#include "../support/injected_env.h"
#include "../support/test_support.h"
#include "platform/shell.h"

namespace {

using testing_support::MakeDirs;
using testing_support::PathExists;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr win::WORD kConverterFlags =
    win::FOF_SILENT | win::FOF_NOCONFIRMATION | win::FOF_NOCONFIRMMKDIR;

class ShellCopyPosixTest : public ::testing::Test {
 protected:
  ShellCopyPosixTest() {
    MakeDirs(dir_.Join("dosdevices"));
    symlink("../drive_c", dir_.Join("dosdevices/c:").c_str());
    c_ = dir_.Join("drive_c");
    WriteFile(c_ + "/OLD/Profiles/Torrents/a.torrent", "A");
    WriteFile(c_ + "/OLD/Profiles/Torrents/sub/b.torrent", "B");
    WriteFile(c_ + "/OLD/Program/server.met", "S");
  }

  // Lists are passed as the converter passes them: NUL, NUL behind each.
  int Copy(const std::string& from, const std::string& to) {
    std::string f = from + std::string(2, '\0');
    std::string t = to + std::string(2, '\0');
    win::SHFILEOPSTRUCTA op{nullptr, win::FO_COPY, f.c_str(), t.c_str(), kConverterFlags, 0,
                            nullptr, nullptr};
    return win::SHFileOperationA(&op);
  }

  TempDir dir_;
  testing_support::InjectedEnv env_{dir_.path()};
  std::string c_;
};

// Merging also takes names as long as a name can be (the temporary file
// beside each copy must not push past the limit) and removes what copies
// killed part way left, of this version and of the earlier one.
TEST_F(ShellCopyPosixTest, MergeRemovesLeftoversAndTakesLongestNames) {
  const std::string longest = std::string(247, 'x') + ".torrent";  // 255 bytes
  WriteFile(c_ + "/OLD/Profiles/Torrents/" + longest, "L");
  WriteFile(c_ + "/NEW/Profiles/Torrents/a.torrent.copy-99-0", "half");
  WriteFile(c_ + "/NEW/Profiles/Torrents/sub/.~tmp0000006300000001", "half");
  EXPECT_EQ(Copy("c:\\old\\profiles\\torrents", "C:\\NEW\\Profiles"), 0);
  EXPECT_EQ(ReadFile(c_ + "/NEW/Profiles/Torrents/" + longest), "L");
  std::set<std::string> names;
  for (const auto& e : std::filesystem::recursive_directory_iterator(c_ + "/NEW/Profiles/Torrents"))
    names.insert(e.path().lexically_relative(c_ + "/NEW/Profiles/Torrents").string());
  EXPECT_EQ(names, (std::set<std::string>{"a.torrent", "sub", "sub/b.torrent", longest}));

  WriteFile(c_ + "/Common Files/.~tmp0000006300000002", "half");
  EXPECT_EQ(Copy("C:\\OLD\\Program\\server.met", "C:\\Common Files\\server.met"), 0);
  EXPECT_FALSE(PathExists(c_ + "/Common Files/.~tmp0000006300000002"));
}

// A copy killed part way (here by the file size limit, SIGXFSZ) leaves the
// file it was replacing whole, and the copy that follows removes what the
// killed one left.
TEST_F(ShellCopyPosixTest, CopyKilledPartWayIsRepairedByTheNext) {
  const std::string big(100000, 'n');
  WriteFile(c_ + "/OLD/Profiles/Torrents/a.torrent", big);
  WriteFile(c_ + "/NEW/Profiles/Torrents/a.torrent", "old");
  pid_t child = fork();
  if (child == 0) {
    struct rlimit limit = {50000, 50000};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(Copy("C:\\OLD\\Profiles\\Torrents", "C:\\NEW\\Profiles\\"));
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ);
  EXPECT_EQ(ReadFile(c_ + "/NEW/Profiles/Torrents/a.torrent"), "old");
  EXPECT_EQ(Copy("C:\\OLD\\Profiles\\Torrents", "C:\\NEW\\Profiles\\"), 0);
  EXPECT_EQ(ReadFile(c_ + "/NEW/Profiles/Torrents/a.torrent"), big);
  const std::filesystem::directory_iterator left(c_ + "/NEW/Profiles/Torrents");
  EXPECT_EQ(std::distance(left, {}), 2);  // a.torrent, sub
}

// Links back to a folder being copied are left out: two of them would
// otherwise multiply the copy without end.
TEST_F(ShellCopyPosixTest, LinksBackToTheCopiedFoldersAreLeftOut) {
  ASSERT_EQ(symlink("..", (c_ + "/OLD/Profiles/Torrents/sub/up").c_str()), 0);
  ASSERT_EQ(symlink(".", (c_ + "/OLD/Profiles/Torrents/sub/self").c_str()), 0);
  EXPECT_EQ(Copy("C:\\OLD\\Profiles\\Torrents", "C:\\NEW\\"), 0);
  EXPECT_EQ(ReadFile(c_ + "/NEW/Torrents/sub/b.torrent"), "B");
  EXPECT_FALSE(PathExists(c_ + "/NEW/Torrents/sub/up"));
  EXPECT_FALSE(PathExists(c_ + "/NEW/Torrents/sub/self"));
}

}  // namespace
