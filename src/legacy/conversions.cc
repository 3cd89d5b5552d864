#include "legacy/conversions.h"

#include "platform/variant.h"

namespace legacy {

int32_t MapLegacyState(uint32_t state) {
  switch (state) {
    case 7:
    case 11:
      return kStatusFinished;
    case 12:
      return kStatusStopped;
    default:
      return kStatusPending;
  }
}

std::string BytesToHex(const uint8_t* bytes, size_t count) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(count * 2);
  for (size_t i = 0; i < count; ++i) {
    hex.push_back(kDigits[bytes[i] >> 4]);
    hex.push_back(kDigits[bytes[i] & 0xF]);
  }
  return hex;
}

std::string BytesToHex(const Raw20& bytes) { return BytesToHex(bytes.data(), bytes.size()); }

std::string FileExtension(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

double SystemTimeToDate(const win::SYSTEMTIME& time) {
  double date = 0.0;
  if (!win::SystemTimeToVariantTime(&time, &date)) return 0.0;
  return date;
}

int32_t NeedDrawUnopen(const PropertyMap& properties) {
  const auto it = properties.find("NeedDrawUnopen");
  if (it == properties.end()) return 0;
  const win::VARIANT& v = it->second.get();
  // A string holds a pointer, not a number: it reads as 0 rather than as
  // whatever address it happens to have.
  if (v.vt == win::VT_BSTR) return 0;
  return v.lVal;
}

}  // namespace legacy
