#include "settings/migrate_settings.h"

#include "settings/ds_config_settings.h"
#include "settings/ds_config_store.h"
#include "settings/setting_rules.h"

void MigrateSettings(const char* oldPath, const char* newPath) {
  // A store that fails to open makes every DSConfig write fail quietly; the
  // INI rows go on regardless.
  GetDsConfigStore().OpenDsConfig();
  for (SettingRule& rule : SettingRules) {
    rule.read(oldPath, rule.section.c_str(), rule.key.c_str(), rule.defaultValue.c_str(),
              rule.value);
    rule.write(newPath, rule.section.c_str(), rule.key.c_str(), rule.value);
    if (rule.extra) rule.extra(oldPath, newPath, rule.value);
  }
  MigrateConnectionLimits(oldPath);
}
