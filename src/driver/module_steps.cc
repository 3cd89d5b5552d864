#include <cstring>

#include "catalog/new_task_folders.h"
#include "dblayer/shared_database.h"
#include "driver/path_buffer.h"
#include "driver/upgrade_steps.h"

static_assert(kDatabasePathCapacity == static_cast<int>(kPathBufferSize),
              "the run's path buffers and NewDatabasePath must have one size");

namespace {

void SetNewDatabasePath(const char* path) {
  std::memset(NewDatabasePath, 0, sizeof(NewDatabasePath));
  std::strncpy(NewDatabasePath, path, sizeof(NewDatabasePath) - 1);
}

}  // namespace

// The modules of the conversion are bound here as they join the build.
UpgradeSteps ModuleSteps() {
  UpgradeSteps steps;
  steps.setNewDatabasePath = SetNewDatabasePath;
  steps.rebuildCatalog = RebuildCatalog;
  return steps;
}
