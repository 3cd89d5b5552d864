#include "platform/registry.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/codepage.h"
#include "platform/registry_file.h"
#include "platform/text_codec.h"

namespace win {

// An open key: the tree it was opened in (kept alive by every key of it)
// and the path it was asked for, as the program sees it, so that keys
// opened below it go through the same view.
struct RegKey {
  std::shared_ptr<const platform::RegistryFile> file;
  const platform::RegistryKey* node = nullptr;
  std::vector<std::u16string> path;
};

namespace {

constexpr char16_t kSoftware[] = u"Software";
constexpr char16_t kWow64Node[] = u"Wow6432Node";

RegKey g_local_machine;  // stands for the root; each open reads the file anew

std::mutex g_keys_lock;
std::unordered_set<RegKey*> g_keys;

bool IsOpen(HKEY key) {
  std::lock_guard<std::mutex> guard(g_keys_lock);
  return g_keys.count(key) != 0;
}

std::u16string AnsiToUnits(const char* ansi) {
  if (ansi == nullptr) return std::u16string();
  return platform::ToUtf16(ansi);
}

// Where a 32-bit program's path lies in the file: in a 64-bit prefix the
// keys below Software are the ones under Software\Wow6432Node (the native
// ones stay out of sight), in a 32-bit prefix they are the native ones.
std::vector<std::u16string> ViewPath(const std::vector<std::u16string>& path,
                                     const platform::RegistryFile& file) {
  if (path.size() < 2 || !platform::IsWin64Prefix(file) ||
      !platform::RegistryNamesEqual(path[0], kSoftware) ||
      platform::RegistryNamesEqual(path[1], kWow64Node))
    return path;
  std::vector<std::u16string> redirected = path;
  redirected.insert(redirected.begin() + 1, kWow64Node);
  return redirected;
}

// The bytes RegQueryValueExA hands out: text types in the ANSI code page
// and NUL-terminated, whether or not the file stored the NUL.
std::string QueryBytes(const platform::RegistryValue& value) {
  std::u16string units;
  if (!platform::RegistryValueUnits(value, &units)) return value.data;
  if (units.empty() || units.back() != u'\0') units.push_back(u'\0');
  std::string ansi = platform::FromUtf16(units);
  if (ansi.empty()) return std::string(1, '\0');
  return ansi;
}

}  // namespace

const HKEY HKEY_LOCAL_MACHINE = &g_local_machine;

LSTATUS RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, DWORD access, HKEY* result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  auto opened = std::make_unique<RegKey>();
  if (key == HKEY_LOCAL_MACHINE) {
    auto file = std::make_shared<platform::RegistryFile>();
    // A prefix without a readable registry has no keys at all.
    if (!platform::LoadMachineRegistry(file.get())) return ERROR_FILE_NOT_FOUND;
    opened->file = std::move(file);
  } else if (IsOpen(key)) {
    opened->file = key->file;
    opened->path = key->path;
  } else {
    return ERROR_INVALID_HANDLE;
  }
  for (std::u16string& name : platform::SplitKeyPath(AnsiToUnits(subKey)))
    opened->path.push_back(std::move(name));
  opened->node = platform::FindKey(opened->file->root, ViewPath(opened->path, *opened->file));
  if (opened->node == nullptr) return ERROR_FILE_NOT_FOUND;
  std::lock_guard<std::mutex> guard(g_keys_lock);
  g_keys.insert(opened.get());
  *result = opened.release();
  return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                         DWORD* dataSize) {
  if (reserved != nullptr || (data != nullptr && dataSize == nullptr))
    return ERROR_INVALID_PARAMETER;
  if (key == HKEY_LOCAL_MACHINE) {
    // The root holds no values of its own.
    return ERROR_FILE_NOT_FOUND;
  }
  if (!IsOpen(key)) return ERROR_INVALID_HANDLE;
  const platform::RegistryValue* value = key->node->Value(AnsiToUnits(valueName));
  if (value == nullptr) return ERROR_FILE_NOT_FOUND;
  std::string bytes = QueryBytes(*value);
  if (type != nullptr) *type = value->type;
  if (dataSize == nullptr) return ERROR_SUCCESS;
  DWORD room = *dataSize;
  *dataSize = static_cast<DWORD>(bytes.size());
  if (data == nullptr) return ERROR_SUCCESS;
  if (room < bytes.size()) return ERROR_MORE_DATA;
  std::memcpy(data, bytes.data(), bytes.size());
  return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key) {
  if (key == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
  {
    std::lock_guard<std::mutex> guard(g_keys_lock);
    if (g_keys.erase(key) == 0) return ERROR_INVALID_HANDLE;
  }
  delete key;
  return ERROR_SUCCESS;
}

}  // namespace win
