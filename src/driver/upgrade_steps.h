// The conversion steps that the run calls, one per module, gathered in one
// structure so that the run itself only decides the order and the paths.
// ModuleSteps() binds them to the modules; tests may bind stand-ins. An
// empty step is one this build does not have: the run notes it and goes on.
#pragma once

#include <functional>
#include <string>

#include "dblayer/shared_database.h"
#include "settings/migrate_settings.h"
#include "taskdb/stored_rows.h"

namespace driver {

// What became of the task database at the end of the run, and what it
// holds when it was put in place.
struct DatabaseResult {
  dblayer::SharedDatabaseOutcome outcome;
  bool counted = false;  // rows was read from the finished file
  taskdb::StoredRows rows;
};

// A second run waits this long for the first to finish before it stands
// aside; a run of 100,000 tasks with its copies takes well under a minute.
constexpr int kDefaultLockWaitMilliseconds = 5 * 60 * 1000;

struct UpgradeSteps {
  // Makes the new database path known process-wide (NewDatabasePath) before
  // anything opens the database.
  std::function<void(const char* newDatabasePath)> setNewDatabasePath;
  // Makes the new seed-file folder known process-wide (NewTorrentsDir).
  std::function<void(const std::string& newTorrentsDir)> setNewTorrentsDir;
  // Removes what an earlier, unfinished run left of the database.
  std::function<bool()> discardUnfinishedDatabase;
  // Creates the version-6 tables, and with them the database file.
  std::function<bool()> createTaskSchema;
  // Converts the old history file into the database and the folder catalog.
  std::function<bool(const char* oldHistoryPath)> convertHistory;
  // Gathers the old download folders and writes Category.xml.
  std::function<bool(const char* oldSettingsPath, const char* categoryXmlPath)> rebuildCatalog;
  // Carries the old settings into the new INI file and DSConfig.bin.
  std::function<settings::SettingsOutcome(const char* oldSettingsPath, const char* newSettingsPath)>
      migrateSettings;
  // The run's last act: counts what the database holds and, when keep is
  // true and every write went through, puts it in place under
  // NewDatabasePath; otherwise drops it.
  std::function<DatabaseResult(bool keep)> finishDatabase;
  // How long to wait for another run on the same installation.
  int lockWaitMilliseconds = kDefaultLockWaitMilliseconds;
};

UpgradeSteps ModuleSteps();

}  // namespace driver
