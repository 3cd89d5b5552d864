#include "settings/migrate_settings.h"

#include "platform/codepage.h"
#include "settings/ds_config_settings.h"
#include "settings/ds_config_store.h"
#include "settings/setting_rules.h"

namespace settings {

namespace {

std::string WideToAnsi(const char16_t* text) {
  int bytes = win::WideCharToMultiByte(win::CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return std::string();
  std::string out(static_cast<size_t>(bytes), '\0');
  win::WideCharToMultiByte(win::CP_ACP, 0, text, -1, out.data(), bytes, nullptr, nullptr);
  out.resize(static_cast<size_t>(bytes) - 1);
  return out;
}

}  // namespace

SettingsOutcome MigrateSettings(const char* oldPath, const char* newPath) {
  SettingsOutcome outcome;
  TakeIniWriteFailures();
  DsConfigStore& store = GetDsConfigStore();
  // A store that fails to open makes every DSConfig write fail quietly; the
  // INI rows go on regardless.
  outcome.dsConfigOpened = store.OpenDsConfig();
  outcome.dsConfigOpenResult = store.lastResult();
  outcome.dsConfigPath = WideToAnsi(store.dsConfigPath());
  for (SettingRule& rule : SettingRules) {
    rule.read(oldPath, rule.section.c_str(), rule.key.c_str(), rule.defaultValue.c_str(),
              rule.value);
    rule.write(newPath, rule.section.c_str(), rule.key.c_str(), rule.value);
    if (rule.extra) rule.extra(oldPath, newPath, rule.value);
  }
  MigrateConnectionLimits(oldPath);
  outcome.iniWriteFailures = TakeIniWriteFailures();
  outcome.dsConfigValueFailures = store.failedValues();
  outcome.dsConfigValueFailure = store.firstValueFailure();
  return outcome;
}

}  // namespace settings
