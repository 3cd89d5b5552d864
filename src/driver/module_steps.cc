#include <cstring>

#include "catalog/new_task_folders.h"
#include "dblayer/shared_database.h"
#include "driver/path_buffer.h"
#include "driver/upgrade_steps.h"
#include "legacy/history_converter.h"
#include "legacy/new_torrents_dir.h"
#include "settings/migrate_settings.h"
#include "taskdb/schema.h"
#include "taskdb/stored_rows.h"

namespace driver {

static_assert(dblayer::kDatabasePathCapacity == static_cast<int>(kPathBufferSize),
              "the run's path buffers and NewDatabasePath must have one size");

namespace {

void SetNewDatabasePath(const char* path) {
  std::memset(dblayer::NewDatabasePath, 0, sizeof(dblayer::NewDatabasePath));
  std::strncpy(dblayer::NewDatabasePath, path, sizeof(dblayer::NewDatabasePath) - 1);
}

void SetNewTorrentsDir(const std::string& dir) { NewTorrentsDir = dir; }

DatabaseResult FinishDatabase(bool keep) {
  DatabaseResult result;
  if (!dblayer::SharedDatabaseInUse()) return result;
  // Counted before the file is closed; a count that fails is one more sign
  // that the file cannot be trusted.
  dblayer::DbConnection* connection = dblayer::GetSharedDatabase();
  if (keep && connection->IsOpen()) {
    result.counted = taskdb::CountStoredRows(connection, &result.rows);
    keep = result.counted;
  }
  result.outcome = dblayer::FinishSharedDatabase(keep);
  if (result.outcome.kind != dblayer::SharedDatabaseOutcome::kFinished) result.counted = false;
  return result;
}

bool ConvertHistory(const char* oldHistoryPath) {
  legacy::HistoryConverter converter;
  return converter.ConvertHistory(oldHistoryPath);
}

}  // namespace

UpgradeSteps ModuleSteps() {
  UpgradeSteps steps;
  steps.setNewDatabasePath = SetNewDatabasePath;
  steps.setNewTorrentsDir = SetNewTorrentsDir;
  steps.discardUnfinishedDatabase = dblayer::DiscardUnfinishedDatabase;
  steps.createTaskSchema = taskdb::CreateTaskSchema;
  steps.convertHistory = ConvertHistory;
  steps.rebuildCatalog = catalog::RebuildCatalog;
  steps.migrateSettings = settings::MigrateSettings;
  steps.finishDatabase = FinishDatabase;
  return steps;
}

}  // namespace driver
