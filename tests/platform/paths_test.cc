#include "platform/paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "../support/fake_prefix.h"
#include "../support/injected_env.h"
#include "../support/test_support.h"
#include "platform/file.h"

namespace {

using testing_support::InjectedEnv;
using testing_support::MakeDirs;
using testing_support::PathExists;
using testing_support::ReadFile;
using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::WriteFile;

size_t EntriesIn(const std::string& dir) {
  size_t n = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}

class PrefixTest : public ::testing::Test {
 protected:
  testing_support::FakePrefix prefix_;
  const std::string drive_ = prefix_.Join("drive_c");
};

TEST(PrefixEnvTest, PrefixFromEnvironment) {
  {
    ScopedEnv prefix("WINEPREFIX", "/srv/prefix//");
    EXPECT_EQ(platform::PrefixDir(), "/srv/prefix");
  }
  ScopedEnv unset("WINEPREFIX", "", true);
  ScopedEnv home("HOME", "/srv/someone");
  EXPECT_EQ(platform::PrefixDir(), "/srv/someone/.wine");
}

// Names resolve case-insensitively (outside ASCII too), an exact match
// first; ANSI names are code page 936 (also with no locale at all).
TEST_F(PrefixTest, ResolvesDrivePaths) {
  for (const char* d : {"Program Files/Vorlake/Profiles", "data", "DATA", "Ärger", "下载"})
    MakeDirs(drive_ + "/" + d);
  const struct {
    const char* windows;
    std::string host;
  } cases[] = {
      {"C:\\Program Files\\Vorlake", drive_ + "/Program Files/Vorlake"},
      {"c:\\PROGRAM FILES\\vorlake\\profiles\\x.ini", drive_ + "/Program Files/Vorlake/Profiles/x.ini"},
      {"C:\\Program Files\\New\\Sub\\", drive_ + "/Program Files/New/Sub/"},
      {"C:\\\\Program Files\\.\\Other\\..\\Vorlake", drive_ + "/Program Files/Vorlake"},
      {"C:\\..\\..\\Program Files", drive_ + "/Program Files"},
      {"C:/Program Files/Vorlake", drive_ + "/Program Files/Vorlake"},
      {"C:\\", drive_ + "/"},
      {"\\tmp\\x", "/tmp/x"},
      {"C:\\DATA", drive_ + "/DATA"},
      {"C:\\data", drive_ + "/data"},
      {"C:\\\xCF\xC2\xD4\xD8\\\xD2\xD1\xCF\xC2\xD4\xD8", drive_ + "/下载/已下载"},  // in 936
      {"a\\b\\..\\c", "a/c"},
      {"..\\x", "../x"},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.windows);
    EXPECT_EQ(platform::HostPathFromAnsi(c.windows), c.host);
  }
  EXPECT_EQ(platform::HostPathFromWide(u"C:\\program files"), drive_ + "/Program Files");
  EXPECT_EQ(platform::HostPathFromWide(u"C:\\\u00e4RGER\\f"), drive_ + "/Ärger/f");
  EXPECT_EQ(platform::HostPathFromAnsi("C:\\\xD2\xF4\xC0\xD6"), drive_ + "/音乐");
  // Without the dosdevices link C: is still drive_c; other drives are not.
  unlink(prefix_.Join("dosdevices/c:").c_str());
  EXPECT_EQ(platform::HostPathFromAnsi("C:\\x"), drive_ + "/x");
  EXPECT_EQ(platform::HostPathFromAnsi("D:\\x"), prefix_.Join("dosdevices/d:/x"));
}

// A quoted command line stays quoted in every path built from it; Windows
// refuses such names, so they name nothing here either.
TEST_F(PrefixTest, NamesWindowsRefusesNameNoFile) {
  for (const char* path : {"\"C:\\Program Files\"\\Program\\history.mdb", "C:\\a<b", "C:\\a>b",
                           "C:\\a|b", "\"rel\"\\x"}) {
    EXPECT_EQ(platform::HostPathFromAnsi(path), "") << path;
  }
}

TEST_F(PrefixTest, ReplaceFileAtomically) {
  std::string file = drive_ + "/f.txt";
  // What a killed replacement left goes with the next one.
  WriteFile(drive_ + "/.f.txt.tmp-12-3", "half");
  WriteFile(drive_ + "/.~tmp0000000c00000004", "half");
  EXPECT_TRUE(platform::ReplaceFileAtomically(file, "one"));
  EXPECT_TRUE(platform::ReplaceFileAtomically(file, "two"));
  EXPECT_EQ(ReadFile(file), "two");
  chmod(file.c_str(), 0640);
  EXPECT_TRUE(platform::ReplaceFileAtomically(file, ""));
  struct stat st;
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(st.st_size, 0);

  // No folder is made, and a failure leaves nothing behind.
  EXPECT_FALSE(platform::ReplaceFileAtomically(drive_ + "/missing/f.txt", "x"));
  EXPECT_FALSE(PathExists(drive_ + "/missing"));
  MakeDirs(drive_ + "/adir");
  EXPECT_FALSE(platform::ReplaceFileAtomically(drive_ + "/adir", "x"));
  EXPECT_EQ(EntriesIn(drive_), 2u);  // f.txt, adir
}

// A replacement that fails at any step (the disk full after any byte, a
// failed sync, a failed rename) leaves the old file, whole, and no stray
// temporary file beside it.
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
