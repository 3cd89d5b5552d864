// The table that carries the old UserConfig.ini into the new installation:
// one row per INI key, with how it is read, where it is written (the new
// INI file or DSConfig.bin) and what else it triggers.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace settings {

struct SettingRule {
  using ReadFn = void (*)(const char* path, const char* section, const char* key,
                          const char* defaultValue, std::string& value);
  using WriteFn = void (*)(const char* path, const char* section, const char* key,
                           std::string& value);
  using ExtraFn = void (*)(const char* oldPath, const char* newPath, const std::string& value);

  std::string section;
  std::string key;
  std::string value;  // filled by read; the INI write may convert it in place
  std::string defaultValue;
  ReadFn read;
  WriteFn write;
  ExtraFn extra;  // or null
};

constexpr size_t kSettingRuleCount = 31;

// The rows in the order they run ("UDPPort" before "TCPPort").
extern std::array<SettingRule, kSettingRuleCount> SettingRules;

// GetPrivateProfileStringA into a 4096-byte buffer (at most 4094 characters).
void ReadRuleValue(const char* path, const char* section, const char* key,
                   const char* defaultValue, std::string& value);

// Writes the value to the new INI file after the two conversions whose
// meaning changed: upload durations in seconds become a choice index, and
// the new-task start mode is inverted.
void WriteIniRule(const char* path, const char* section, const char* key, std::string& value);

// A proxy that is set switches the new "UseProxy" on.
void SetUseProxy(const char* oldPath, const char* newPath, const std::string& value);

// Copies the seven keys of each of the value's number of numbered proxies.
void CopyProxyEntries(const char* oldPath, const char* newPath, const std::string& value);

// How many writes to the new INI file failed since the last call.
int TakeIniWriteFailures();

// Empties every row's value and forgets the failed INI writes.
void ClearSettingRuleValues();

}  // namespace settings
