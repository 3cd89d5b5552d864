#include "driver/process_state.h"

#include "catalog/catalog_manager.h"
#include "dblayer/shared_database.h"
#include "platform/report.h"
#include "settings/ds_config_settings.h"
#include "settings/ds_config_store.h"
#include "settings/setting_rules.h"
#include "taskdb/container_record.h"
#include "taskdb/task_text.h"

namespace driver {

void ResetProcessState() {
  // The rules and the remembered DSConfig.bin values only feed the store,
  // so they go first; the store then closes DSConfig.bin.
  settings::ClearSettingRuleValues();
  settings::ForgetDsConfigValues();
  settings::ReleaseDsConfigStore();
  catalog::CatalogManager::Release();
  // Nothing is attached to the connection any longer.
  dblayer::FinishSharedDatabase(false);
  platform::ClearReport();
  taskdb::ContainerIdCounter = taskdb::kContainerIdCounterStart;
  taskdb::StampCounter = taskdb::kStampCounterStart;
}

}  // namespace driver
