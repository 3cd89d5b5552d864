// What only the POSIX shell copy has: copies written beside their target and
// renamed over it, and links, which Windows folders of this kind do not hold.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <set>
#include <string>

#include "shell_copy_fixture.h"

namespace {

using testing_support::PathExists;
using testing_support::ReadFile;
using testing_support::WriteFile;

using ShellCopyPosixTest = platform_test::ShellCopyFixture;

// Merging also takes names as long as a name can be (the temporary file
// beside each copy must not push past the limit) and removes what copies
// killed part way left, of this version and of the earlier one.
TEST_F(ShellCopyPosixTest, MergeRemovesLeftoversAndTakesLongestNames) {
  const std::string longest = std::string(247, 'x') + ".torrent";  // 255 bytes
  WriteFile(Host("OLD/Profiles/Torrents/" + longest), "L");
  WriteFile(Host("NEW/Profiles/Torrents/a.torrent.copy-99-0"), "half");
  WriteFile(Host("NEW/Profiles/Torrents/sub/.~tmp0000006300000001"), "half");
  EXPECT_EQ(Copy(Win("old\\profiles\\torrents"), Win("NEW\\Profiles")), 0);
  EXPECT_EQ(ReadFile(Host("NEW/Profiles/Torrents/" + longest)), "L");
  EXPECT_EQ(Names("NEW/Profiles/Torrents"),
            (std::set<std::string>{"a.torrent", "sub", "sub/b.torrent", longest}));
}

// A copy killed part way (here by the file size limit, SIGXFSZ) leaves the
// file it was replacing whole, and the copy that follows removes what the
// killed one left.
TEST_F(ShellCopyPosixTest, CopyKilledPartWayIsRepairedByTheNext) {
  const std::string big(100000, 'n');
  WriteFile(Host("OLD/Profiles/Torrents/a.torrent"), big);
  WriteFile(Host("NEW/Profiles/Torrents/a.torrent"), "old");
  pid_t child = fork();
  if (child == 0) {
    struct rlimit limit = {50000, 50000};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(Copy(Win("OLD\\Profiles\\Torrents"), Win("NEW\\Profiles\\")));
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ);
  EXPECT_EQ(ReadFile(Host("NEW/Profiles/Torrents/a.torrent")), "old");
  EXPECT_EQ(Copy(Win("OLD\\Profiles\\Torrents"), Win("NEW\\Profiles\\")), 0);
  EXPECT_EQ(ReadFile(Host("NEW/Profiles/Torrents/a.torrent")), big);
  EXPECT_EQ(Names("NEW/Profiles/Torrents"),
            (std::set<std::string>{"a.torrent", "sub", "sub/b.torrent"}));
}

// Links back to a folder being copied are left out: two of them would
// otherwise multiply the copy without end.
TEST_F(ShellCopyPosixTest, LinksBackToTheCopiedFoldersAreLeftOut) {
  ASSERT_EQ(symlink("..", Host("OLD/Profiles/Torrents/sub/up").c_str()), 0);
  ASSERT_EQ(symlink(".", Host("OLD/Profiles/Torrents/sub/self").c_str()), 0);
  EXPECT_EQ(Copy(Win("OLD\\Profiles\\Torrents"), Win("NEW\\")), 0);
  EXPECT_EQ(ReadFile(Host("NEW/Torrents/sub/b.torrent")), "B");
  EXPECT_FALSE(PathExists(Host("NEW/Torrents/sub/up")));
  EXPECT_FALSE(PathExists(Host("NEW/Torrents/sub/self")));
}

}  // namespace
