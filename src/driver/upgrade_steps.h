// The conversion steps that the run calls, one per module, gathered in one
// structure so that the run itself only decides the order and the paths.
// ModuleSteps() binds them to the modules; tests may bind stand-ins. An
// empty step is one this build does not have: the run notes it and goes on.
#pragma once

#include <functional>
#include <string>

struct UpgradeSteps {
  // Makes the new database path known process-wide (NewDatabasePath) before
  // anything opens the database.
  std::function<void(const char* newDatabasePath)> setNewDatabasePath;
  // Makes the new seed-file folder known process-wide (NewTorrentsDir).
  std::function<void(const std::string& newTorrentsDir)> setNewTorrentsDir;
  // Creates the version-6 tables, and with them the database file.
  std::function<bool()> createTaskSchema;
  // Converts the old history file into the database and the folder catalog.
  std::function<bool(const char* oldHistoryPath)> convertHistory;
  // Gathers the old download folders and writes Category.xml.
  std::function<void(const char* oldSettingsPath, const char* categoryXmlPath)> rebuildCatalog;
  // Carries the old settings into the new INI file and DSConfig.bin.
  std::function<void(const char* oldSettingsPath, const char* newSettingsPath)> migrateSettings;
};

UpgradeSteps ModuleSteps();
