#include "driver/install_locator.h"

#include <cstdio>
#include <cstring>

#include "platform/codepage.h"
#include "platform/registry.h"
#include "platform/version.h"

namespace driver {

namespace {

// The key's handle, closed on every path.
class RegKeyHolder {
 public:
  ~RegKeyHolder() {
    if (key_) win::RegCloseKey(key_);
  }
  win::HKEY* out() { return &key_; }
  win::HKEY get() const { return key_; }

 private:
  win::HKEY key_ = nullptr;
};

// A Translation entry is two 16-bit words: language, then code page.
constexpr win::UINT kTranslationEntryBytes = 4;

bool IsDbcsLeadByte936(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// The last backslash of an ANSI path. In code page 936 the second byte of a
// double-byte character may be 0x5C, so the scan steps over whole
// characters there instead of searching bytes from the end; in single-byte
// code pages this is strrchr.
char* LastBackslash(char* path) {
  if (win::GetACP() != win::CP_GBK) return std::strrchr(path, '\\');
  char* last = nullptr;
  for (char* p = path; *p; ++p) {
    if (*p == '\\')
      last = p;
    else if (IsDbcsLeadByte936(static_cast<unsigned char>(*p)) && p[1])
      ++p;
  }
  return last;
}

// Reads the registered program path into buffer; false when the key or the
// value is missing or the value does not fit with its terminator.
bool ReadRegisteredPath(char* buffer, win::DWORD size) {
  RegKeyHolder key;
  if (win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, kOldInstallKey, 0, win::KEY_READ, key.out()) !=
          static_cast<win::LSTATUS>(win::ERROR_SUCCESS) ||
      !key.get())
    return false;
  // The value's type is not checked: whatever is stored is taken as the path.
  win::DWORD dataSize = size;
  if (win::RegQueryValueExA(key.get(), kOldInstallValue, nullptr, nullptr,
                            reinterpret_cast<win::BYTE*>(buffer), &dataSize) !=
      static_cast<win::LSTATUS>(win::ERROR_SUCCESS))
    return false;
  // A stored string need not carry its NUL. One that fills the whole buffer
  // without it cannot be terminated there, so it is refused rather than
  // read past the end.
  if (dataSize < size) {
    buffer[dataSize] = '\0';
    return true;
  }
  return buffer[size - 1] == '\0';
}

}  // namespace

FileVersionInfo::FileVersionInfo(const char* path) : path_(path) {
  size_ = win::GetFileVersionInfoSizeA(path_, &handle_);
  if (size_ == 0) return;
  block_.assign(size_, 0);
  if (!win::GetFileVersionInfoA(path_, 0, size_, block_.data())) {
    block_.clear();
    return;
  }
  if (Query("\\VarFileInfo\\Translation") && valueLength_ >= kTranslationEntryBytes) {
    win::WORD words[2];
    std::memcpy(words, value_, sizeof(words));
    std::snprintf(translation_, sizeof(translation_), "%04x%04x", words[0], words[1]);
  }
}

std::string FileVersionInfo::ProductVersion() {
  char subBlock[64];
  std::snprintf(subBlock, sizeof(subBlock), "\\StringFileInfo\\%s\\ProductVersion", translation_);
  if (!Query(subBlock)) return std::string();
  // The returned length counts the terminator; stay inside it in case the
  // block holds no NUL there.
  const char* text = static_cast<const char*>(value_);
  return std::string(text, strnlen(text, valueLength_));
}

bool FileVersionInfo::Query(const char* subBlock) {
  if (block_.empty()) return false;
  void* value = nullptr;
  win::UINT length = 0;
  if (!win::VerQueryValueA(block_.data(), subBlock, &value, &length) || !value) return false;
  value_ = value;
  valueLength_ = length;
  return true;
}

bool FindOldInstallation(char* buffer, win::DWORD size) {
  if (!buffer || size == 0) return false;
  if (!ReadRegisteredPath(buffer, size)) return false;
  std::string version = FileVersionInfo(buffer).ProductVersion();
  if (version.empty() || version[0] != '5') return false;
  // The folder keeps its trailing backslash; a value without any backslash
  // is used as it stands.
  if (char* slash = LastBackslash(buffer)) slash[1] = '\0';
  return true;
}

}  // namespace driver
