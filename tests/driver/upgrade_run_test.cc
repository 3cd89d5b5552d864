#include "driver/upgrade_run.h"

#include <gtest/gtest.h>

#include <cstring>

#include "driver/path_buffer.h"
#include "test_prefix.h"

namespace driver_test {
namespace {

constexpr char kNew[] = "C:\\New6";
constexpr char kOld[] = "C:\\Old5\\";

// Stand-in steps that only record what the run asked of them, in order.
struct Recorder {
  std::vector<std::string> calls;

  UpgradeSteps Steps() {
    UpgradeSteps steps;
    steps.setNewDatabasePath = [this](const char* p) { calls.push_back(std::string("database ") + p); };
    steps.setNewTorrentsDir = [this](const std::string& d) { calls.push_back("torrents " + d); };
    steps.createTaskSchema = [this] {
      calls.push_back("schema");
      return true;
    };
    steps.convertHistory = [this](const char* p) {
      calls.push_back(std::string("history ") + p);
      return true;
    };
    steps.rebuildCatalog = [this](const char* s, const char* x) {
      calls.push_back(std::string("catalog ") + s + " " + x);
    };
    steps.migrateSettings = [this](const char* o, const char* n) {
      calls.push_back(std::string("settings ") + o + " " + n);
      return SettingsOutcome{};
    };
    steps.finishDatabase = [this](bool keep) {
      calls.push_back(keep ? "finish" : "drop");
      return DatabaseResult{};
    };
    return steps;
  }
};

class UpgradeRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prefix_.InstallOldProgram(std::string(kOld) + "vorlake_backwnd.exe", "5.9.1.100");
    prefix_.MakeDir(kNew);
  }
  std::vector<std::string> Run(const std::string& commandLine = kNew) {
    Recorder recorder;
    EXPECT_EQ(RunUpgrade(commandLine.c_str(), recorder.Steps(), nullptr), 0);
    return recorder.calls;
  }
  TestPrefix prefix_;
};

TEST_F(UpgradeRunTest, CallsTheStepsInOrderWithTheirPaths) {
  prefix_.WriteFile("C:\\Old5\\Profiles\\history6.dat", "h");
  prefix_.WriteFile("C:\\Old5\\Profiles\\UserConfig.ini", "[General]\r\n");
  std::vector<std::string> expected = {
      "database C:\\New6\\Program\\history.mdb",
      "torrents C:\\New6\\Profiles\\Torrents\\",
      "schema",
      "history C:\\Old5\\Profiles\\history6.dat",
      "catalog C:\\Old5\\Profiles\\UserConfig.ini C:\\New6\\Components\\category\\Category.xml",
      "settings C:\\Old5\\Profiles\\UserConfig.ini C:\\New6\\Profiles\\UserConfig.ini",
      "finish",
  };
  EXPECT_EQ(Run(), expected);
}

TEST_F(UpgradeRunTest, MissingOldFilesSkipOnlyTheirSteps) {
  // A folder where the history file should be does not count as the file.
  prefix_.MakeDir("C:\\Old5\\Profiles\\history6.dat");
  std::vector<std::string> expected = {
      "database C:\\New6\\Program\\history.mdb",
      "torrents C:\\New6\\Profiles\\Torrents\\",
      "settings C:\\Old5\\Profiles\\UserConfig.ini C:\\New6\\Profiles\\UserConfig.ini",
  };
  EXPECT_EQ(Run(), expected);
}

TEST_F(UpgradeRunTest, ExistingDatabaseEndsTheRun) {
  prefix_.WriteFile("C:\\Old5\\Profiles\\history6.dat", "h");
  prefix_.WriteFile("C:\\New6\\Program\\history.mdb", "");
  EXPECT_EQ(Run(), std::vector<std::string>{"database C:\\New6\\Program\\history.mdb"});
}

TEST_F(UpgradeRunTest, NoOldInstallationEndsTheRunAfterThePaths) {
  prefix_.WriteRegistry(false, "");
  EXPECT_EQ(Run(), std::vector<std::string>{"database C:\\New6\\Program\\history.mdb"});
}

// New paths that would not fit their buffers are never built: the steps
// that need them are skipped, and no buffer is written past its end.
TEST_F(UpgradeRunTest, OverlongNewFolderSkipsWhatDoesNotFit) {
  prefix_.WriteFile("C:\\Old5\\Profiles\\history6.dat", "h");
  prefix_.WriteFile("C:\\Old5\\Profiles\\UserConfig.ini", "[General]\r\n");
  // The database suffix (20 characters) no longer fits, the settings one
  // (24) neither; "\Profiles\" (10) still would.
  std::string longNew = "C:\\" + std::string(kMaxPathChars - 3 - 15, 'n');
  std::vector<std::string> calls = Run(longNew);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], "torrents " + longNew + "\\Profiles\\Torrents\\");

  std::string fits = "C:\\" + std::string(kMaxPathChars - 3 - 33, 'n');  // Category.xml's suffix is 33
  calls = Run(fits);
  ASSERT_EQ(calls.size(), 7u);
  EXPECT_EQ(calls[4].size(), std::string("catalog C:\\Old5\\Profiles\\UserConfig.ini ").size() + kMaxPathChars);
}

TEST(BuildPathTest, FitsAtMost1022CharactersAndLeavesTwoNuls) {
  PathBuffer buffer;
  std::string dir(1000, 'd');
  EXPECT_TRUE(BuildPath(buffer, dir.c_str(), std::string(22, 's').c_str()));
  EXPECT_EQ(std::strlen(buffer), 1022u);
  EXPECT_EQ(buffer[1023], '\0');
  EXPECT_FALSE(BuildPath(buffer, dir.c_str(), std::string(23, 's').c_str()));
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_FALSE(BuildPath(buffer, std::string(2000, 'd').c_str(), ""));
}

TEST(FileExistsTest, OnlyFilesCount) {
  TestPrefix prefix;
  prefix.WriteFile("C:\\dir\\file.txt", "x");
  prefix.WriteFile("C:\\dir\\empty", "");
  EXPECT_TRUE(FileExists("C:\\dir\\file.txt"));
  EXPECT_TRUE(FileExists("c:\\DIR\\FILE.TXT"));
  EXPECT_TRUE(FileExists("C:\\dir\\empty"));
  EXPECT_FALSE(FileExists("C:\\dir"));
  EXPECT_FALSE(FileExists("C:\\dir\\"));
  EXPECT_FALSE(FileExists("C:\\dir\\missing.txt"));
  EXPECT_FALSE(FileExists("C:\\dir\\file.txt\\below"));
}

}  // namespace
}  // namespace driver_test
