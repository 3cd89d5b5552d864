#include "settings/setting_rules.h"

#include <cstdio>
#include <cstring>

#include "platform/profile.h"
#include "settings/ds_config_settings.h"

namespace settings {

namespace {

constexpr int kValueBufferSize = 4096;

constexpr char kProxySection[] = "Proxy";
constexpr char kUseProxyKey[] = "UseProxy";
constexpr char kUseProxyOn[] = "2";

// A damaged count must not keep the run writing INI entries for hours; the
// old program's proxy list never came near this many entries.
constexpr int kMaxProxyEntries = 100;

constexpr const char* kProxyKeyPatterns[] = {
    "Proxy%dProxyName", "Proxy%dPassword", "Proxy%dProxyAddress", "Proxy%dProxyID",
    "Proxy%dUserName",  "Proxy%dProxyPort", "Proxy%dProxyStyle",
};

struct DurationChoice {
  const char* seconds;
  const char* choice;
};
constexpr DurationChoice kDurationChoices[] = {
    {"1800", "0"}, {"3600", "1"}, {"7200", "2"}, {"18000", "3"}};
constexpr char kOtherDuration[] = "4";

int ini_write_failures = 0;

// Every write to the new INI file goes through here, so the step can tell
// afterwards whether the file took all of them.
void WriteNewIni(const char* section, const char* key, const char* value, const char* path) {
  if (!win::WritePrivateProfileStringA(section, key, value, path)) ++ini_write_failures;
}

bool Equal(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

bool IsUploadDuration(const char* section, const char* key) {
  return (Equal(section, "BtGenericSettings") && Equal(key, "BtUpDuration")) ||
         (Equal(section, "EMuleGenericSettings") && Equal(key, "EMuleUpDuration"));
}

SettingRule Ini(const char* section, const char* key, const char* defaultValue,
                SettingRule::ExtraFn extra = nullptr) {
  return SettingRule{section, key, "", defaultValue, ReadRuleValue, WriteIniRule, extra};
}

SettingRule Ds(const char* section, const char* key, const char* defaultValue) {
  return SettingRule{section, key, "", defaultValue, ReadRuleValue, WriteDsConfigRule, nullptr};
}

}  // namespace

std::array<SettingRule, kSettingRuleCount> SettingRules = {
    Ini("Proxy", "HttpProxy", "", SetUseProxy),
    Ini("Proxy", "FtpProxy", "", SetUseProxy),
    Ini("Proxy", "MMSProxy", "", SetUseProxy),
    Ini("Proxy", "ServerProxy", "", SetUseProxy),
    Ini("Proxy", "ProxyCount", "0", CopyProxyEntries),
    Ds("General", "DiskCacheFlushSize", "8"),
    Ds("General", "DiskCacheTotalSize", "256"),
    Ini("BtGenericSettings", "BtUpDuration", "1"),
    Ini("BtGenericSettings", "AutoBTNewTask", "1"),
    Ds("BtGenericSettings", "DHT", "1"),
    Ds("Connect", "UDPPort", "15000"),
    Ds("Connect", "TCPPort", "80"),
    Ds("EMuleGenericSettings", "EMuleNickName", "[CHN]yourname"),
    Ds("EMuleGenericSettings", "EMuleED2kEnable", "1"),
    Ds("EMuleGenericSettings", "EMuleKADEnable", "1"),
    Ds("EMuleGenericSettings", "EMuleListenPort", "16423"),
    Ds("EMuleGenericSettings", "EMuleKADPort", "17368"),
    Ini("EMuleGenericSettings", "EMuleUpDuration", "1"),
    Ini("EMuleGenericSettings", "UseAutoUploadMode", "0"),
    Ds("EMuleGenericSettings", "EMuleCryptOption", "0"),
    Ds("EMuleGenericSettings", "EMuleCredit", "1"),
    Ds("EMuleGenericSettings", "EMuleCompress", "1"),
    Ds("EMuleGenericSettings", "EMuleAICH", "1"),
    Ds("EMuleGenericSettings", "EMuleIdentify", "1"),
    Ds("EMuleGenericSettings", "EMuleAutoLink", "0"),
    Ini("Monitor", "ExtendNames",
        ".asf;.avi;.exe;.iso;.mp3;.mpeg;.mpg;.mpga;.ra;.rar;.rm;.rmvb;.tar;.wma;.wmp;.wmv;.mov;"
        ".zip;.3gp;.chm;.mdf;.torrent;.mp4;"),
    Ini("Monitor", "MonitorClipBoard", "1"),
    Ini("TaskDefaultSettings", "OrignHostThreads", "5"),
    Ini("TaskDefaultSettings", "NewTaskStartMode", "1"),
    Ini("TaskDefaultSettings", "OpenFile", "0"),
    Ini("TaskDefaultSettings", "UseLastCategory", "0"),
};

void ReadRuleValue(const char* path, const char* section, const char* key,
                   const char* defaultValue, std::string& value) {
  char buffer[kValueBufferSize] = {};
  win::GetPrivateProfileStringA(section, key, defaultValue, buffer, kValueBufferSize - 1, path);
  value = buffer;
}

void WriteIniRule(const char* path, const char* section, const char* key, std::string& value) {
  if (IsUploadDuration(section, key)) {
    const char* choice = kOtherDuration;
    for (const auto& d : kDurationChoices) {
      if (value == d.seconds) choice = d.choice;
    }
    value = choice;
  }
  if (Equal(key, "NewTaskStartMode")) value = value == "0" ? "1" : "0";
  WriteNewIni(section, key, value.c_str(), path);
}

void SetUseProxy(const char* oldPath, const char* newPath, const std::string& value) {
  if (!value.empty()) WriteNewIni(kProxySection, kUseProxyKey, kUseProxyOn, newPath);
}

void CopyProxyEntries(const char* oldPath, const char* newPath, const std::string& value) {
  int count = ParseDecimal(value);
  if (count > kMaxProxyEntries) count = kMaxProxyEntries;
  for (int i = 0; i < count; ++i) {
    for (const char* pattern : kProxyKeyPatterns) {
      char key[64];
      std::snprintf(key, sizeof key, pattern, i);
      char buffer[kValueBufferSize] = {};
      win::GetPrivateProfileStringA(kProxySection, key, "", buffer, kValueBufferSize - 1, oldPath);
      WriteNewIni(kProxySection, key, buffer, newPath);
    }
  }
}

int TakeIniWriteFailures() {
  int failures = ini_write_failures;
  ini_write_failures = 0;
  return failures;
}

void ClearSettingRuleValues() {
  ini_write_failures = 0;
  for (auto& rule : SettingRules) rule.value.clear();
}

}  // namespace settings
