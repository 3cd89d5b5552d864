#include "settings/ds_config_settings.h"

#include <climits>
#include <cstring>

#include "platform/profile.h"
#include "platform/system.h"
#include "platform/text_codec.h"
#include "platform/variant.h"
#include "settings/ds_config_store.h"

namespace settings {

namespace {

constexpr uint32_t kMegabyte = 1048576;
constexpr uint32_t kMaxDefaultDiskCache = 0x10000000;  // 256 megabytes
constexpr int32_t kEmuleCreditOn = 2000;
constexpr int32_t kEmuleIdentifyOn = 3;
constexpr uint32_t kUploadSpeedUnit = 1024;  // the old file counts kilobytes

constexpr char kConnectSection[] = "Connect";

// Set by the "UDPPort" and "TCPPort" rows; the rule table puts UDP first.
uint16_t udpPort = 0;
uint16_t tcpPort = 0;
// Physical memory in bytes; 0 until measured.
uint32_t cachedMemorySize = 0;

// Stores one value and clears it, whatever the store made of it.
void Store(uint32_t id, win::VARIANT value) {
  GetDsConfigStore().SetConfigValue(id, value);
  win::VariantClear(&value);
}

void StoreI4(uint32_t id, int32_t n) {
  win::VARIANT v;
  win::VariantInit(&v);
  v.vt = win::VT_I4;
  v.lVal = n;
  Store(id, v);
}

void StoreUI4(uint32_t id, uint32_t n) {
  win::VARIANT v;
  win::VariantInit(&v);
  v.vt = win::VT_UI4;
  v.ulVal = n;
  Store(id, v);
}

void StoreI2(uint32_t id, int32_t n) {
  win::VARIANT v;
  win::VariantInit(&v);
  v.vt = win::VT_I2;
  v.iVal = static_cast<win::SHORT>(static_cast<uint16_t>(n));  // the low 16 bits
  Store(id, v);
}

// True is stored as 1, as the engine expects, not as VARIANT_TRUE.
void StoreBool(uint32_t id, bool on) {
  win::VARIANT v;
  win::VariantInit(&v);
  v.vt = win::VT_BOOL;
  v.boolVal = on ? 1 : 0;
  Store(id, v);
}

void StoreAnsiText(uint32_t id, const std::string& text) {
  const std::u16string wide = platform::ToUtf16(text);
  win::VARIANT v;
  win::VariantInit(&v);
  v.vt = win::VT_BSTR;
  v.bstrVal = win::SysAllocString(wide.c_str());
  Store(id, v);
}

// Products of 32-bit numbers wrap, as they did in the old program.
int32_t Times(int32_t n, uint32_t factor) {
  return static_cast<int32_t>(static_cast<uint32_t>(n) * factor);
}

bool Is(const char* key, const char* name) { return std::strcmp(key, name) == 0; }

}  // namespace

int32_t ParseDecimal(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t n = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    n = n * 10 + (text[i] - '0');
    if (n > static_cast<int64_t>(INT_MAX) + 1) break;  // saturates below
  }
  if (negative) n = -n;
  if (n > INT_MAX) return INT_MAX;
  if (n < INT_MIN) return INT_MIN;
  return static_cast<int32_t>(n);
}

uint32_t DefaultDiskCacheSize() {
  if (cachedMemorySize == 0) {
    win::MEMORYSTATUS status = {};
    status.dwLength = sizeof status;
    win::GlobalMemoryStatus(&status);
    cachedMemorySize = status.dwTotalPhys;
  }
  uint32_t half = cachedMemorySize / 2;
  return half < kMaxDefaultDiskCache ? half : kMaxDefaultDiskCache;
}

void WriteDsConfigRule(const char* newSettingsPath, const char* section, const char* key,
                       std::string& value) {
  namespace id = ds_config_id;
  const int32_t n = ParseDecimal(value);
  if (Is(key, "DiskCacheFlushSize")) {
    StoreI4(id::kDiskCacheFlushSize, Times(n, kMegabyte));
  } else if (Is(key, "DiskCacheTotalSize")) {
    uint32_t size = static_cast<uint32_t>(Times(n, kMegabyte));
    StoreUI4(id::kDiskCacheTotalSize, size != 0 ? size : DefaultDiskCacheSize());
  } else if (Is(key, "UDPPort")) {
    udpPort = static_cast<uint16_t>(n);
  } else if (Is(key, "TCPPort")) {
    tcpPort = static_cast<uint16_t>(n);
    StoreI4(id::kPorts, static_cast<int32_t>((static_cast<uint32_t>(tcpPort) << 16) | udpPort));
  } else if (Is(key, "DHT")) {
    StoreBool(id::kDht, n > 0);
  } else if (Is(key, "EMuleED2kEnable")) {
    StoreBool(id::kEmuleEd2kEnable, n > 0);
  } else if (Is(key, "EMuleKADEnable")) {
    StoreBool(id::kEmuleKadEnable, n > 0);
  } else if (Is(key, "EMuleCompress")) {
    StoreBool(id::kEmuleCompress, n > 0);
  } else if (Is(key, "EMuleAICH")) {
    StoreBool(id::kEmuleAich, n > 0);
  } else if (Is(key, "EMuleAutoLink")) {
    StoreBool(id::kEmuleAutoLink, n > 0);
  } else if (Is(key, "EMuleNickName")) {
    StoreAnsiText(id::kEmuleNickName, value);
  } else if (Is(key, "EMuleListenPort")) {
    StoreI2(id::kEmuleListenPort, n);
  } else if (Is(key, "EMuleKADPort")) {
    StoreI2(id::kEmuleKadPort, n);
  } else if (Is(key, "EMuleCryptOption")) {
    StoreI4(id::kEmuleCryptOption, n);
  } else if (Is(key, "EMuleCredit")) {
    StoreI4(id::kEmuleCredit, n != 0 ? kEmuleCreditOn : 0);
  } else if (Is(key, "EMuleIdentify")) {
    StoreI4(id::kEmuleIdentify, n > 0 ? kEmuleIdentifyOn : 0);
  }
}

void MigrateConnectionLimits(const char* oldSettingsPath) {
  namespace id = ds_config_id;
  auto read = [&](const char* key, int def) {
    return static_cast<int32_t>(win::GetPrivateProfileIntA(kConnectSection, key, def, oldSettingsPath));
  };
  const int32_t limitSpeed = read("LimitSpeed", 0);
  const int32_t limitUploadSpeed = read("LimitUploadSpeed", 0);
  const int32_t limitGlobalConnection = read("iIsLimitGlobalConnection", 1);
  const int32_t maxSpeed = read("MaxSpeed", 256);
  const int32_t maxUploadSpeed = read("MaxUploadSpeed", 1024);
  const int32_t maxGlobalConnection = read("MaxGlobalConnection", 256);

  if (limitGlobalConnection != 0) StoreI4(id::kMaxGlobalConnection, maxGlobalConnection);
  if (limitUploadSpeed < 1 && limitSpeed < 1) return;
  if (limitSpeed > 0) StoreI4(id::kMaxSpeed, maxSpeed);
  if (limitUploadSpeed > 0) StoreI4(id::kMaxUploadSpeed, Times(maxUploadSpeed, kUploadSpeedUnit));
  StoreI4(id::kSpeedLimitMode, 0);
}

void ForgetDsConfigValues() {
  udpPort = 0;
  tcpPort = 0;
  cachedMemorySize = 0;
}

}  // namespace settings
