#include "driver/upgrade_run.h"

#include <cstdio>
#include <cstring>

#include "driver/install_locator.h"
#include "driver/old_program_wait.h"
#include "driver/path_buffer.h"
#include "platform/durable_file.h"
#include "platform/file.h"
#include "platform/file_lock.h"
#include "platform/paths.h"
#include "platform/shell.h"

namespace driver {

namespace {

// New paths are the new folder (no trailing backslash) + a suffix that
// begins with a backslash; old paths are the old folder (which ends with a
// backslash) + a suffix that does not.
constexpr const char kNewDatabaseSuffix[] = "\\Program\\history.mdb";
constexpr const char kNewTorrentsSuffix[] = "\\Profiles\\Torrents\\";
constexpr const char kNewProfilesSuffix[] = "\\Profiles\\";
constexpr const char kNewSettingsSuffix[] = "\\Profiles\\UserConfig.ini";
constexpr const char kNewCategorySuffix[] = "\\Components\\category\\Category.xml";
constexpr const char kSharedServerListSuffix[] = "\\Common Files\\Vorlake Network\\VorlakeS\\server.met";
constexpr const char kOldHistorySuffix[] = "Profiles\\history6.dat";
constexpr const char kOldSettingsSuffix[] = "Profiles\\UserConfig.ini";
constexpr const char kOldServerListSuffix[] = "Program\\server.met";
constexpr const char kOldTorrentsSuffix[] = "Profiles\\Torrents";
constexpr const char kOldEmuleSuffix[] = "Profiles\\emule";

// Beside the database: one run at a time converts into an installation.
constexpr char kLockSuffix[] = ".lock";

// FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR: no progress window,
// no question, existing files replaced.
constexpr win::WORD kCopyFlags = win::FOF_SILENT | win::FOF_NOCONFIRMATION | win::FOF_NOCONFIRMMKDIR;

class RunLog {
 public:
  explicit RunLog(std::vector<std::string>* lines) : lines_(lines) {}
  void Line(const std::string& line) {
    if (lines_) lines_->push_back(line);
  }

 private:
  std::vector<std::string>* lines_;
};

// Every path of one run. A path whose flag is false did not fit its buffer
// and names nothing.
struct RunPaths {
  PathBuffer newDatabase;
  PathBuffer sharedServerList;
  PathBuffer oldHistory;
  PathBuffer oldSettings;
  PathBuffer oldServerList;
  PathBuffer newSettings;
  PathBuffer oldTorrents;
  PathBuffer newProfiles;
  PathBuffer oldEmule;
  PathBuffer newCategory;
  bool hasNewDatabase = false;
  bool hasSharedServerList = false;
  bool hasOldHistory = false;
  bool hasOldSettings = false;
  bool hasOldServerList = false;
  bool hasNewSettings = false;
  bool hasOldTorrents = false;
  bool hasNewProfiles = false;
  bool hasOldEmule = false;
  bool hasNewCategory = false;
};

void LayOutPaths(const char* newDir, const char* oldDir, RunPaths* paths) {
  paths->hasOldHistory = BuildPath(paths->oldHistory, oldDir, kOldHistorySuffix);
  paths->hasOldSettings = BuildPath(paths->oldSettings, oldDir, kOldSettingsSuffix);
  paths->hasOldServerList = BuildPath(paths->oldServerList, oldDir, kOldServerListSuffix);
  paths->hasNewSettings = BuildPath(paths->newSettings, newDir, kNewSettingsSuffix);
  paths->hasOldTorrents = BuildPath(paths->oldTorrents, oldDir, kOldTorrentsSuffix);
  paths->hasNewProfiles = BuildPath(paths->newProfiles, newDir, kNewProfilesSuffix);
  paths->hasOldEmule = BuildPath(paths->oldEmule, oldDir, kOldEmuleSuffix);
  paths->hasNewCategory = BuildPath(paths->newCategory, newDir, kNewCategorySuffix);
}

// The history step's result, for the end of the run: whether a database
// was begun, and whether what it holds is a whole conversion.
struct HistoryResult {
  bool databaseBegun = false;
  bool complete = false;
};

HistoryResult ConvertHistoryStep(const RunPaths& paths, const UpgradeSteps& steps, RunLog* log) {
  HistoryResult result;
  if (!paths.hasOldHistory || !FileExists(paths.oldHistory)) {
    log->Line("no old history file: the task database is not created");
    return result;
  }
  // Without its own path the database would be opened under a name cut
  // short, so the history is not converted at all.
  if (!paths.hasNewDatabase) {
    log->Line("history not converted: the new database path is too long");
    return result;
  }
  if (!steps.createTaskSchema || !steps.convertHistory) {
    log->Line("history not converted: this build has no history conversion");
    return result;
  }
  result.databaseBegun = true;
  // A database without all its tables would count as converted once in
  // place, so it is dropped at the end; the walk still runs, as the other
  // steps do, and fails row by row without harm.
  result.complete = steps.createTaskSchema();
  if (!result.complete) log->Line("step failed: creating the task tables");
  // A history that cannot be opened or read in part is still converted as
  // far as it goes: running again would give no more.
  if (!steps.convertHistory(paths.oldHistory))
    log->Line(std::string("step failed: the old history cannot be opened ") + paths.oldHistory);
  return result;
}

std::string HexResult(win::HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

// A compound-file failure in the user's words, with what to do about it.
std::string StorageFailureText(win::HRESULT hr) {
  switch (static_cast<uint32_t>(hr)) {
    case static_cast<uint32_t>(win::STG_E_MEDIUMFULL):
      return "the disk is full; free some space and run the upgrade again";
    case static_cast<uint32_t>(win::STG_E_ACCESSDENIED):
      return "no rights to write it, or it is not a file; fix that and run the upgrade again";
    default:
      return "error " + HexResult(hr);
  }
}

std::string Plural(long count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// The run's last act: the database goes in place only now, after every
// other output, so that its existence means the whole run was done.
void FinishDatabaseStep(const RunPaths& paths, const HistoryResult& history,
                        const UpgradeSteps& steps, RunLog* log) {
  if (!history.databaseBegun || !steps.finishDatabase) return;
  const DatabaseResult result = steps.finishDatabase(history.complete);
  const dblayer::SharedDatabaseOutcome& outcome = result.outcome;
  if (outcome.kind == dblayer::SharedDatabaseOutcome::kFinished) {
    std::string line = std::string("history converted from ") + paths.oldHistory + " into " +
                       paths.newDatabase;
    if (result.counted) {
      const taskdb::StoredRows& r = result.rows;
      line += ": " + Plural(r.genericTasks, "generic task", "generic tasks") + ", " +
              Plural(r.btTasks, "BitTorrent task", "BitTorrent tasks") + " (" +
              Plural(r.btFiles, "file", "files") + "), " +
              Plural(r.emuleTasks, "eMule task", "eMule tasks") + ", " +
              Plural(r.containers, "category", "categories");
    }
    log->Line(line);
    return;
  }
  if (outcome.kind != dblayer::SharedDatabaseOutcome::kDiscarded) return;
  std::string advice = outcome.diskFull
                           ? "free some space and run the upgrade again"
                           : "make sure the folder can be written and run the upgrade again";
  log->Line(std::string("step failed: the task database ") + paths.newDatabase +
            " was not written (" + outcome.reason +
            "); nothing of it was kept; " + advice);
}

void CopyStep(win::SHFILEOPSTRUCTA* op, const char* from, bool hasFrom, const char* to, bool hasTo,
              RunLog* log) {
  if (!hasFrom || !hasTo) {
    log->Line("copy skipped: a path is too long");
    return;
  }
  op->pFrom = from;
  op->pTo = to;
  int result = win::SHFileOperationA(op);
  std::string what = std::string(from) + " -> " + to;
  if (result == 0)
    log->Line("copied " + what);
  else if (result == static_cast<int>(win::ERROR_FILE_NOT_FOUND))
    log->Line("not copied (no source) " + what);
  else
    log->Line("copy failed (" + std::to_string(result) + ") " + what);
}

// The three copies, made whether or not their sources exist.
void CopyStep(const RunPaths& paths, RunLog* log) {
  win::SHFILEOPSTRUCTA op{};
  op.hwnd = nullptr;
  op.wFunc = win::FO_COPY;
  op.fFlags = kCopyFlags;
  CopyStep(&op, paths.oldTorrents, paths.hasOldTorrents, paths.newProfiles, paths.hasNewProfiles, log);
  CopyStep(&op, paths.oldEmule, paths.hasOldEmule, paths.newProfiles, paths.hasNewProfiles, log);
  CopyStep(&op, paths.oldServerList, paths.hasOldServerList, paths.sharedServerList,
           paths.hasSharedServerList, log);
}

void CatalogStep(const RunPaths& paths, const UpgradeSteps& steps, RunLog* log) {
  if (!paths.hasOldSettings || !FileExists(paths.oldSettings)) {
    log->Line("no old settings file: Category.xml is not written");
    return;
  }
  if (!paths.hasNewCategory) {
    log->Line("Category.xml not written: its path is too long");
    return;
  }
  if (!steps.rebuildCatalog) {
    log->Line("Category.xml not written: this build has no folder catalog");
    return;
  }
  if (steps.rebuildCatalog(paths.oldSettings, paths.newCategory))
    log->Line(std::string("folder catalog written to ") + paths.newCategory);
  else
    log->Line(std::string("step failed: writing the folder catalog ") + paths.newCategory +
              " (its folder is missing, it is read-only, or the disk is full; the old file, if"
              " any, is unchanged)");
}

// Runs whether or not the old settings file exists: a missing file gives
// every setting its default.
void SettingsStep(const RunPaths& paths, const UpgradeSteps& steps, RunLog* log) {
  if (!paths.hasOldSettings || !paths.hasNewSettings) {
    log->Line("settings not converted: a settings path is too long");
    return;
  }
  if (!steps.migrateSettings) {
    log->Line("settings not converted: this build has no settings conversion");
    return;
  }
  const settings::SettingsOutcome outcome =
      steps.migrateSettings(paths.oldSettings, paths.newSettings);
  if (outcome.iniWriteFailures == 0)
    log->Line(std::string("settings converted into ") + paths.newSettings);
  else
    log->Line(std::string("step failed: writing the settings ") + paths.newSettings + " (" +
              Plural(outcome.iniWriteFailures, "write", "writes") +
              " failed; it must be a writable file: fix that and run the upgrade again)");
  const std::string store = outcome.dsConfigPath.empty() ? "DSConfig.bin" : outcome.dsConfigPath;
  if (!outcome.dsConfigOpened) {
    log->Line("step failed: the shared settings " + store + " cannot be opened or created (" +
              StorageFailureText(outcome.dsConfigOpenResult) +
              "); the download settings were not carried over");
  } else if (outcome.dsConfigValueFailures > 0) {
    log->Line("step failed: " + Plural(outcome.dsConfigValueFailures, "setting", "settings") +
              " not stored in the shared settings " + store + " (" +
              StorageFailureText(outcome.dsConfigValueFailure) + ")");
  } else {
    log->Line("download settings stored in " + store);
  }
}

}  // namespace

bool FileExists(const char* path) {
  win::DWORD attributes = win::GetFileAttributesA(path);
  return attributes != win::INVALID_FILE_ATTRIBUTES && !(attributes & win::FILE_ATTRIBUTE_DIRECTORY);
}

int RunUpgrade(const char* commandLine) { return RunUpgrade(commandLine, ModuleSteps(), nullptr); }

int RunUpgrade(const char* commandLine, const UpgradeSteps& steps, std::vector<std::string>* lines) {
  RunLog log(lines);
  const char* newDir = commandLine ? commandLine : "";
  log.Line(std::string("new installation: ") + newDir);
  // An empty command line names no installation; its paths would be those
  // of the drive's root folder (\Program\history.mdb), which the run must
  // not fill.
  if (!*newDir) {
    log.Line("no new installation folder given: nothing to do");
    return 0;
  }

  RunPaths paths;
  paths.hasNewDatabase = BuildPath(paths.newDatabase, newDir, kNewDatabaseSuffix);
  if (paths.hasNewDatabase && steps.setNewDatabasePath) steps.setNewDatabasePath(paths.newDatabase);
  // A file here is a finished conversion: the database takes this name only
  // as the last act of a run that completed.
  if (paths.hasNewDatabase && FileExists(paths.newDatabase)) {
    log.Line(std::string("the new database exists already, nothing to do: ") + paths.newDatabase);
    return 0;
  }

  if (!WaitForOldProgram()) {
    log.Line("cancelled while the version-5 program was running: nothing converted");
    return 0;
  }

  // Without the Program Files folder the server list would land under a
  // path relative to the current drive; that copy is skipped instead.
  char programFiles[kPathBufferSize] = {};
  if (win::SHGetSpecialFolderPathA(nullptr, programFiles, win::CSIDL_PROGRAM_FILES, 0) &&
      programFiles[0])
    paths.hasSharedServerList = BuildPath(paths.sharedServerList, programFiles, kSharedServerListSuffix);

  char oldDir[kPathBufferSize] = {};
  if (!FindOldInstallation(oldDir, sizeof(oldDir))) {
    log.Line("no version-5 installation registered: nothing converted");
    return 0;
  }
  log.Line(std::string("old installation: ") + oldDir);

  LayOutPaths(newDir, oldDir, &paths);
  if (steps.setNewTorrentsDir) steps.setNewTorrentsDir(std::string(newDir) + kNewTorrentsSuffix);

  // Two runs on one installation would write the same files at once and
  // could each take the other's half-made database for a finished one: the
  // second waits here, and finds the work done when the first has finished.
  platform::FileLock lock;
  if (paths.hasNewDatabase) {
    const std::string lockPath = platform::HostPathFromAnsi(paths.newDatabase) + kLockSuffix;
    switch (lock.Acquire(lockPath, steps.lockWaitMilliseconds)) {
      case platform::FileLock::kLocked:
        break;
      case platform::FileLock::kBusy:
        log.Line("another upgrade of this installation is still running: this run stands aside");
        return 0;
      case platform::FileLock::kUnavailable:
        log.Line("runs of the upgrade are not kept apart: no lock can be made beside " +
                 std::string(paths.newDatabase));
        break;
    }
    if (FileExists(paths.newDatabase)) {
      log.Line(std::string("another run has converted this installation meanwhile, nothing to do: ") +
               paths.newDatabase);
      return 0;
    }
    if (steps.discardUnfinishedDatabase && !steps.discardUnfinishedDatabase())
      log.Line("an unfinished task database of an earlier run cannot be removed");
  }

  const HistoryResult history = ConvertHistoryStep(paths, steps, &log);
  CopyStep(paths, &log);
  CatalogStep(paths, steps, &log);
  SettingsStep(paths, steps, &log);
  FinishDatabaseStep(paths, history, steps, &log);
  // The lock file goes right behind the rename, and one folder sync makes
  // both last: a run killed in between leaves no file beside a finished
  // database that no later run would remove.
  lock.Release();
  if (paths.hasNewDatabase)
    platform::SyncFolder(platform::HostFolderOf(platform::HostPathFromAnsi(paths.newDatabase)));
  return 0;
}

}  // namespace driver
