// A run that is cut short (killed, a failing disk, a full disk) or that
// meets a second run must leave the installation so that one more run gives
// exactly what a single uninterrupted run gives, and must never leave a
// task database that looks finished but is not.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "converted_outputs.h"
#include "converter_process.h"
#include "driver/upgrade_run.h"
#include "outside_readers.h"
#include "platform/codepage.h"
#include "sample_installation.h"
#include "test_support.h"
#include "tree_snapshot.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;
using testing_support::PathExists;
using testing_support::TempDir;

constexpr char kDatabase[] = "drive_c/Program Files (x86)/Vorlake6/Program/history.mdb";
constexpr char kStore[] =
    "drive_c/Program Files (x86)/Common Files/Vorlake Network/VorlakeS/DSConfig.bin";

// ---- An SQLite VFS that fails the Nth write to a database file ----------

struct FaultVfs {
  sqlite3_vfs vfs{};
  sqlite3_vfs* base = nullptr;
  sqlite3_io_methods methods{};
  const sqlite3_io_methods* baseMethods = nullptr;
  long writes = 0;     // calls of xWrite, xTruncate and xSync so far
  long failAt = 0;     // the call that fails (1-based); 0: none
  int failWith = SQLITE_FULL;
};
FaultVfs g_fault;

// The base file is kept right behind our header, in the size the base VFS
// asks for.
struct FaultFile {
  sqlite3_file header;
  sqlite3_file* base() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

bool Fails() { return ++g_fault.writes == g_fault.failAt; }

// The base file's method, called with the same arguments; FAULTY fails
// instead with error when this call is the one that fails.
#define FORWARD(name)                                          \
  [](sqlite3_file* f, auto... a) {                             \
    sqlite3_file* b = reinterpret_cast<FaultFile*>(f)->base(); \
    return b->pMethods->name(b, a...);                         \
  }
#define FAULTY(name, error)                                    \
  [](sqlite3_file* f, auto... a) {                             \
    if (Fails()) return static_cast<int>(error);               \
    sqlite3_file* b = reinterpret_cast<FaultFile*>(f)->base(); \
    return b->pMethods->name(b, a...);                         \
  }

int FaultOpen(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags) {
  sqlite3_file* b = reinterpret_cast<FaultFile*>(f)->base();
  int rc = g_fault.base->xOpen(g_fault.base, name, b, flags, outFlags);
  if (rc != SQLITE_OK || b->pMethods == nullptr) {
    f->pMethods = nullptr;
    return rc;
  }
  if (g_fault.baseMethods == nullptr) {
    g_fault.baseMethods = b->pMethods;
    sqlite3_io_methods& m = g_fault.methods;
    m = *b->pMethods;
    m.iVersion = 1;  // no shared memory or memory maps: neither is used here
    m.xClose = FORWARD(xClose);
    m.xRead = FORWARD(xRead);
    m.xWrite = FAULTY(xWrite, g_fault.failWith == SQLITE_FULL ? SQLITE_FULL : SQLITE_IOERR_WRITE);
    m.xTruncate = FAULTY(xTruncate, SQLITE_IOERR_TRUNCATE);
    m.xSync = FAULTY(xSync, SQLITE_IOERR_FSYNC);
    m.xFileSize = FORWARD(xFileSize);
    m.xLock = FORWARD(xLock);
    m.xUnlock = FORWARD(xUnlock);
    m.xCheckReservedLock = FORWARD(xCheckReservedLock);
    m.xFileControl = FORWARD(xFileControl);
    m.xSectorSize = FORWARD(xSectorSize);
    m.xDeviceCharacteristics = FORWARD(xDeviceCharacteristics);
  }
  f->pMethods = &g_fault.methods;
  return SQLITE_OK;
}

// Made the default, so that the converter's own connection uses it.
void InstallFaultVfs(long failAt, int failWith) {
  g_fault.base = sqlite3_vfs_find(nullptr);
  g_fault.vfs = *g_fault.base;
  g_fault.vfs.iVersion = 1;
  g_fault.vfs.zName = "fault";
  g_fault.vfs.szOsFile = static_cast<int>(sizeof(FaultFile)) + g_fault.base->szOsFile;
  g_fault.vfs.xOpen = FaultOpen;
  g_fault.failAt = failAt;
  g_fault.failWith = failWith;
  g_fault.writes = 0;
  sqlite3_vfs_register(&g_fault.vfs, 1);
}

// ---- What a run leaves ----------------------------------------------------

// Every table, row by row, as text; the creation stamps (time and chance)
// are left out.
std::string DatabaseDump(const std::string& path) {
  std::string out;
  for (const auto& table : QueryRows(path, "select name from sqlite_master order by rowid")) {
    out += table[0] + "\n";
    const std::string all = "select * from " + table[0] + " order by rowid";
    for (const testing_support::SqlRow& row : testing_support::QueryDatabase(path, all)) {
      for (size_t c = 0; c < row.cells.size(); ++c) {
        if (row.names[c] == "F34") continue;
        out += row.cells[c].type == SQLITE_NULL ? "<null>" : row.cells[c].text;
        out += '|';
      }
      out += '\n';
    }
  }
  return out;
}

struct Outputs {
  TreeSnapshot files;  // the prefix but for the database and DSConfig.bin
  std::string database;
  std::map<std::string, std::string> store;
};

Outputs Take(const std::string& prefix) {
  Outputs o;
  o.files = Snapshot(prefix);
  o.files.erase(kDatabase);
  o.files.erase(kStore);
  o.database = PathExists(prefix + "/" + kDatabase) ? DatabaseDump(prefix + "/" + kDatabase) : "";
  o.store = ReadCompoundStreams(prefix + "/" + kStore);
  return o;
}

// A temporary file of the shell copy or of a file replacement that the kill
// cut short; removing such leftovers is those services' own business,
// checked with them.
bool CopyInProgress(const std::string& path) {
  const std::string name = path.substr(path.rfind('/') + 1);
  return name.find(".copy-") != std::string::npos ||
         (name[0] == '.' && name.find(".tmp-") != std::string::npos);
}

// Where two results differ, in a few words.
std::string Differences(const Outputs& want, const Outputs& got) {
  std::string text;
  TreeChanges c = Compare(want.files, got.files);
  for (const auto& p : c.created)
    if (!CopyInProgress(p)) text += "  extra " + p + "\n";
  for (const auto& p : c.changed) text += "  differs " + p + "\n";
  for (const auto& p : c.removed) text += "  missing " + p + "\n";
  if (want.database != got.database) text += "  the database differs\n";
  if (want.store != got.store) text += "  DSConfig.bin differs\n";
  return text;
}

class ResumeE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    options_.prefixDir = dir_.Join("pristine");
    options_.tasks = 60;
  }

  void Generate() {
    std::string error;
    ASSERT_TRUE(samplegen::BuildSampleInstallation(options_, &error)) << error;
    testing_support::MakeDirs(dir_.Join("run"));
    Fresh();
    ASSERT_EQ(RunConverter(Job()).exitCode, 0);
    reference_ = Take(prefix());
    ASSERT_FALSE(reference_.database.empty());
    ASSERT_FALSE(reference_.store.empty());
  }

  // The work prefix, as the generator left it.
  void Fresh() const {
    fs::remove_all(prefix());
    fs::copy(options_.prefixDir, prefix(), fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  }

  std::string prefix() const { return dir_.Join("prefix"); }

  ProcessSpec Job() const {
    ProcessSpec job;
    job.args = {options_.newInstallDir};
    job.env = PrefixEnv(prefix(), dir_.Join("run"), dir_.Join("home"));
    return job;
  }

  // The same run in a forked child of this process, with the fault VFS and
  // the report dropped.
  int RunWithDatabaseFault(long failAt, int failWith) const {
    pid_t pid = fork();
    if (pid == 0) {
      ApplyEnv(Job().env);
      if (!freopen("/dev/null", "w", stderr)) _exit(126);
      InstallFaultVfs(failAt, failWith);
      driver::RunUpgrade(options_.newInstallDir.c_str());
      // How many writes the run made, for a run without a fault.
      _exit(failAt == 0 ? static_cast<int>(std::min<long>(g_fault.writes, 255)) : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  void ExpectLikeTheReference(const std::string& context) const {
    ProcessResult again = RunConverter(Job());
    ASSERT_EQ(again.exitCode, 0);
    EXPECT_EQ(Differences(reference_, Take(prefix())), "") << context << "\n" << again.err;
  }

  TempDir dir_;
  samplegen::SampleOptions options_;
  Outputs reference_;
};

TEST_F(ResumeE2eTest, FailedDatabaseWritesLeaveNoDatabaseAndTheNextRunCompletes) {
  Generate();
  // The code page tables are built once per process: built here, every
  // child inherits them.
  char16_t unit[4];
  win::MultiByteToWideChar(936, 0, "\xb5\x5d", 2, unit, 4);
  Fresh();
  const int writes = RunWithDatabaseFault(0, SQLITE_OK);
  ASSERT_GT(writes, 3);
  ASSERT_LT(writes, 255) << "a bigger sample than needed";
  ASSERT_EQ(Differences(reference_, Take(prefix())), "");
  // The first writes (the schema), then a dozen spread over the rest; full
  // disks and I/O errors alternate.
  std::set<long> points = {1, 2, 3, writes};
  for (long i = 1; i <= 10; ++i) points.insert(3 + (writes - 3) * i / 11);
  for (long n : points) {
    Fresh();
    const int code = n % 2 ? SQLITE_FULL : SQLITE_IOERR;
    ASSERT_EQ(RunWithDatabaseFault(n, code), 0);
    // No finished-looking database, and none of the run's own files left.
    for (const char* left : {"", ".tmp", ".lock"})
      EXPECT_FALSE(PathExists(prefix() + "/" + kDatabase + left)) << "write " << n << left;
    ExpectLikeTheReference("after a failure at write " + std::to_string(n));
  }
}

TEST_F(ResumeE2eTest, KilledRunsLeaveWhatTheNextRunCompletes) {
  options_.tasks = 800;
  Generate();
  Fresh();
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(RunConverter(Job()).exitCode, 0);
  const auto whole = std::chrono::steady_clock::now() - start;
  constexpr int kKills = 5;
  for (int k = 1; k <= kKills; ++k) {
    Fresh();
    pid_t pid = StartConverter(Job());
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(whole * k / (kKills + 1));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    // A database in place is a finished one.
    if (PathExists(prefix() + "/" + kDatabase)) {
      EXPECT_EQ(DatabaseDump(prefix() + "/" + kDatabase), reference_.database) << k;
    }
    ExpectLikeTheReference("after a kill at " + std::to_string(k) + "/" + std::to_string(kKills + 1));
  }
}

TEST_F(ResumeE2eTest, TwoRunsAtOnceEndWithOneCompleteResult) {
  options_.tasks = 300;
  Generate();
  for (int trial = 0; trial < 3; ++trial) {
    Fresh();
    pid_t first = StartConverter(Job());
    pid_t second = StartConverter(Job());
    int a = 0, b = 0;
    waitpid(first, &a, 0);
    waitpid(second, &b, 0);
    EXPECT_TRUE(WIFEXITED(a) && WEXITSTATUS(a) == 0 && WIFEXITED(b) && WEXITSTATUS(b) == 0);
    EXPECT_EQ(Differences(reference_, Take(prefix())), "") << "trial " << trial;
    EXPECT_FALSE(PathExists(prefix() + "/" + kDatabase + ".lock"));
  }
}

}  // namespace
}  // namespace e2e
