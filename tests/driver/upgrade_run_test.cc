#include "driver/upgrade_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "driver/path_buffer.h"
#include "platform/file_lock.h"
#include "test_prefix.h"

namespace driver_test {
namespace {

constexpr char kNew[] = "C:\\New6";
constexpr char kOld[] = "C:\\Old5\\";

// Stand-in steps that only record what the run asked of them, in order.
struct Recorder {
  std::vector<std::string> calls;

  driver::UpgradeSteps Steps() {
    driver::UpgradeSteps steps;
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
      return true;
    };
    steps.migrateSettings = [this](const char* o, const char* n) {
      calls.push_back(std::string("settings ") + o + " " + n);
      return settings::SettingsOutcome{};
    };
    steps.finishDatabase = [this](bool keep) {
      calls.push_back(keep ? "finish" : "drop");
      return driver::DatabaseResult{};
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
    EXPECT_EQ(driver::RunUpgrade(commandLine.c_str(), recorder.Steps(), nullptr), 0);
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

// An existing database, or no old installation, ends the run after the paths.
TEST_F(UpgradeRunTest, ExistingDatabaseOrNoOldInstallationEndsTheRun) {
  const std::vector<std::string> pathsOnly = {"database C:\\New6\\Program\\history.mdb"};
  prefix_.WriteFile("C:\\Old5\\Profiles\\history6.dat", "h");
  prefix_.WriteFile("C:\\New6\\Program\\history.mdb", "");
  EXPECT_EQ(Run(), pathsOnly);
  std::remove(prefix_.Host("C:\\New6\\Program\\history.mdb").c_str());
  prefix_.WriteRegistry(false, "");
  EXPECT_EQ(Run(), pathsOnly);
}

// New paths that would not fit their buffers are never built: the steps
// that need them are skipped, and no buffer is written past its end.
TEST_F(UpgradeRunTest, OverlongNewFolderSkipsWhatDoesNotFit) {
  prefix_.WriteFile("C:\\Old5\\Profiles\\history6.dat", "h");
  prefix_.WriteFile("C:\\Old5\\Profiles\\UserConfig.ini", "[General]\r\n");
  // The database suffix (20 characters) no longer fits, the settings one
  // (24) neither; "\Profiles\" (10) still would.
  std::string longNew = "C:\\" + std::string(driver::kMaxPathChars - 3 - 15, 'n');
  std::vector<std::string> calls = Run(longNew);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], "torrents " + longNew + "\\Profiles\\Torrents\\");

  std::string fits =
      "C:\\" + std::string(driver::kMaxPathChars - 3 - 33, 'n');  // Category.xml's suffix is 33
  calls = Run(fits);
  ASSERT_EQ(calls.size(), 7u);
  EXPECT_EQ(calls[4].size(), std::string("catalog C:\\Old5\\Profiles\\UserConfig.ini ").size() +
                                 driver::kMaxPathChars);
  // One character more and it no longer fits (the path list of a shell copy
  // needs both NULs left); a folder longer than any buffer fits nowhere, and
  // only the torrents folder, a string, is handed on.
  EXPECT_EQ(Run(fits + "n").size(), 6u);
  EXPECT_EQ(Run(std::string(2000, 'n')).size(), 1u);
}

// The report says what each step achieved, from what the steps returned.
TEST_F(UpgradeRunTest, ReportFollowsTheStepResults) {
  prefix_.WriteFile("C:\\Old5\\Profiles\\history6.dat", "h");
  using Outcome = dblayer::SharedDatabaseOutcome;
  struct Case {
    const char* name;
    bool schema;
    Outcome::Kind database;
    bool diskFull;
    settings::SettingsOutcome settings;
    std::vector<std::string> want;   // lines that must be there
    std::vector<std::string> never;  // and lines that must not
  };
  settings::SettingsOutcome fine;
  fine.dsConfigOpened = true;
  fine.dsConfigPath = "C:\\DSConfig.bin";
  settings::SettingsOutcome broken;
  broken.iniWriteFailures = 3;
  broken.dsConfigOpenResult = static_cast<win::HRESULT>(0x80030005u);
  settings::SettingsOutcome full = fine;
  full.dsConfigValueFailures = 2;
  full.dsConfigValueFailure = static_cast<win::HRESULT>(0x80030070u);
  const Case cases[] = {
      {"complete", true, Outcome::kFinished, false, fine,
       {"history converted from C:\\Old5\\Profiles\\history6.dat into "
        "C:\\New6\\Program\\history.mdb: 4 generic tasks, 1 BitTorrent task (2 files), "
        "0 eMule tasks, 1 category",
        "settings converted into C:\\New6\\Profiles\\UserConfig.ini",
        "download settings stored in C:\\DSConfig.bin"},
       {"step failed"}},
      {"no tables", false, Outcome::kDiscarded, false, fine,
       {"step failed: creating the task tables",
        "step failed: the task database C:\\New6\\Program\\history.mdb was not written (why); "
        "nothing of it was kept; make sure the folder can be written and run the upgrade again"},
       {"history converted"}},
      {"disk full", true, Outcome::kDiscarded, true, full,
       {"free some space and run the upgrade again",
        "step failed: 2 settings not stored in the shared settings C:\\DSConfig.bin (the disk is "
        "full; free some space and run the upgrade again)"},
       {"history converted", "download settings stored"}},
      {"settings unwritable", true, Outcome::kFinished, false, broken,
       {"step failed: writing the settings C:\\New6\\Profiles\\UserConfig.ini (3 writes failed; "
        "it must be a writable file: fix that and run the upgrade again)",
        "step failed: the shared settings DSConfig.bin cannot be opened or created (no rights to "
        "write it, or it is not a file; fix that and run the upgrade again); the download settings "
        "were not carried over"},
       {"settings converted"}},
  };
  for (const Case& c : cases) {
    Recorder recorder;
    driver::UpgradeSteps steps = recorder.Steps();
    steps.createTaskSchema = [&] { return c.schema; };
    steps.migrateSettings = [&](const char*, const char*) { return c.settings; };
    steps.finishDatabase = [&](bool keep) {
      EXPECT_EQ(keep, c.schema) << c.name;
      driver::DatabaseResult result;
      result.outcome.kind = c.database;
      result.outcome.diskFull = c.diskFull;
      result.outcome.reason = c.diskFull ? "the disk is full" : "why";
      result.counted = c.database == Outcome::kFinished;
      result.rows = {4, 0, 1, 2, 1};
      return result;
    };
    std::vector<std::string> lines;
    driver::RunUpgrade(kNew, steps, &lines);
    std::string all;
    for (const std::string& line : lines) all += line + "\n";
    for (const std::string& want : c.want)
      EXPECT_NE(all.find(want + "\n"), std::string::npos) << c.name << ": " << want << "\n" << all;
    for (const std::string& never : c.never)
      EXPECT_EQ(all.find(never), std::string::npos) << c.name << ": " << never << "\n" << all;
  }
}

// A second run waits for the first; one that waits in vain stands aside,
// and one that gets the lock after the first finished has nothing to do.
TEST_F(UpgradeRunTest, SecondRunWaitsForTheFirst) {
  prefix_.WriteFile("C:\\Old5\\Profiles\\history6.dat", "h");
  prefix_.MakeDir("C:\\New6\\Program");
  const std::string lockPath = prefix_.Host("C:\\New6\\Program\\history.mdb") + ".lock";
  platform::FileLock first;
  ASSERT_EQ(first.Acquire(lockPath, 0), platform::FileLock::kLocked);
  Recorder recorder;
  driver::UpgradeSteps steps = recorder.Steps();
  steps.lockWaitMilliseconds = 100;
  std::vector<std::string> lines;
  driver::RunUpgrade(kNew, steps, &lines);
  EXPECT_EQ(recorder.calls.size(), 2u);  // the two paths, no step
  EXPECT_EQ(lines.back(), "another upgrade of this installation is still running: this run stands aside");

  // The first finishes while the second waits.
  std::thread finish([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    prefix_.WriteFile("C:\\New6\\Program\\history.mdb", "");
    first.Release();
  });
  steps.lockWaitMilliseconds = 5000;
  recorder.calls.clear();
  lines.clear();
  driver::RunUpgrade(kNew, steps, &lines);
  finish.join();
  EXPECT_EQ(recorder.calls.size(), 2u);
  EXPECT_EQ(lines.back(), "another run has converted this installation meanwhile, nothing to do: "
                          "C:\\New6\\Program\\history.mdb");
  EXPECT_FALSE(testing_support::PathExists(lockPath));
}

TEST(FileLockTest, WaitersNeverHoldARemovedFile) {
  testing_support::TempDir dir;
  const std::string path = dir.Join("lock");
  platform::FileLock a, b;
  ASSERT_EQ(a.Acquire(path, 0), platform::FileLock::kLocked);
  EXPECT_EQ(b.Acquire(path, 50), platform::FileLock::kBusy);
  // Released while the other waits: it starts over on a new file.
  std::thread release([&a] {
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    a.Release();
  });
  EXPECT_EQ(b.Acquire(path, 5000), platform::FileLock::kLocked);
  release.join();
  EXPECT_TRUE(testing_support::PathExists(path));
  EXPECT_EQ(a.Acquire(path, 0), platform::FileLock::kBusy);
  b.Release();
  EXPECT_FALSE(testing_support::PathExists(path));
  EXPECT_EQ(a.Acquire(dir.Join("no/such/folder/lock"), 0), platform::FileLock::kUnavailable);
}

}  // namespace
}  // namespace driver_test
