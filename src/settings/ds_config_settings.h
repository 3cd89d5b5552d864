// The download settings that go from the old UserConfig.ini into
// DSConfig.bin as typed values: the per-key conversions of the settings
// rows, and the connection and speed limits read after the table.
#pragma once

#include <cstdint>
#include <string>

namespace settings {

// DSConfig.bin identifiers of the values the converter writes.
namespace ds_config_id {
constexpr uint32_t kMaxSpeed = 2;
constexpr uint32_t kMaxGlobalConnection = 4;
constexpr uint32_t kMaxUploadSpeed = 5;
constexpr uint32_t kDht = 8;
constexpr uint32_t kPorts = 10;
constexpr uint32_t kEmuleAutoLink = 11;
constexpr uint32_t kDiskCacheTotalSize = 12;
constexpr uint32_t kDiskCacheFlushSize = 13;
constexpr uint32_t kSpeedLimitMode = 16;
constexpr uint32_t kEmuleCryptOption = 201;
constexpr uint32_t kEmuleListenPort = 203;
constexpr uint32_t kEmuleKadPort = 204;
constexpr uint32_t kEmuleNickName = 205;
constexpr uint32_t kEmuleCredit = 208;
constexpr uint32_t kEmuleEd2kEnable = 209;
constexpr uint32_t kEmuleKadEnable = 210;
constexpr uint32_t kEmuleCompress = 212;
constexpr uint32_t kEmuleAich = 213;
constexpr uint32_t kEmuleIdentify = 214;
}  // namespace ds_config_id

// The write operation of the DSConfig rows: converts the old text value
// selected by key and stores it in the process-wide DsConfigStore. The path
// and section are not used; a key without a conversion is ignored. "UDPPort"
// only remembers its port for the "TCPPort" row that follows it.
void WriteDsConfigRule(const char* newSettingsPath, const char* section, const char* key,
                       std::string& value);

// Reads the old connection and speed limits and stores identifiers 4, 2, 5
// and 16 as the limits that are switched on require.
void MigrateConnectionLimits(const char* oldSettingsPath);

// Half the physical memory, at most 256 megabytes; the memory size is
// measured once per process.
uint32_t DefaultDiskCacheSize();

// The C runtime's atoi as the old program used it: leading white space, an
// optional sign, digits up to the first non-digit; no digits give 0, and a
// value beyond the int range gives INT_MAX or INT_MIN.
int32_t ParseDecimal(const std::string& text);

// Forgets the remembered ports and the measured memory size.
void ForgetDsConfigValues();

}  // namespace settings
