#include "driver/upgrade_run.h"

#include <cstring>

#include "driver/install_locator.h"
#include "driver/old_program_wait.h"
#include "driver/path_buffer.h"
#include "platform/file.h"
#include "platform/shell.h"

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

void ConvertHistoryStep(const RunPaths& paths, const UpgradeSteps& steps, RunLog* log) {
  if (!paths.hasOldHistory || !FileExists(paths.oldHistory)) {
    log->Line("no old history file: the task database is not created");
    return;
  }
  // Without its own path the database would be opened under a name cut
  // short, so the history is not converted at all.
  if (!paths.hasNewDatabase) {
    log->Line("history not converted: the new database path is too long");
    return;
  }
  if (!steps.createTaskSchema || !steps.convertHistory) {
    log->Line("history not converted: this build has no history conversion");
    return;
  }
  // Neither result stops the run: a failed schema still lets the walk try,
  // which then fails row by row without harm.
  if (!steps.createTaskSchema()) log->Line("step failed: creating the task tables");
  if (steps.convertHistory(paths.oldHistory))
    log->Line(std::string("history converted from ") + paths.oldHistory);
  else
    log->Line(std::string("step failed: converting the history ") + paths.oldHistory);
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
  steps.rebuildCatalog(paths.oldSettings, paths.newCategory);
  // The step reports nothing; whether the file is there tells how it went.
  log->Line(std::string(FileExists(paths.newCategory) ? "folder catalog written to "
                                                      : "step failed: writing the folder catalog ") +
            paths.newCategory);
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
  steps.migrateSettings(paths.oldSettings, paths.newSettings);
  log->Line(std::string(FileExists(paths.newSettings) ? "settings converted into "
                                                      : "step failed: writing the settings ") +
            paths.newSettings);
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

  ConvertHistoryStep(paths, steps, &log);
  CopyStep(paths, &log);
  CatalogStep(paths, steps, &log);
  SettingsStep(paths, steps, &log);
  return 0;
}
