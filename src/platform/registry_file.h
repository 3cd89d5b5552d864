// The machine registry as the prefix keeps it on disk: the text format of
// system.reg ("WINE REGISTRY Version 2") parsed into a tree of keys and
// values. Key and value names compare case-insensitively, as the registry
// compares them. The registry functions of registry.h and the special
// folders are built on it.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/win_types.h"

namespace platform {

struct RegistryValue {
  std::u16string name;  // empty for the default value ("@")
  win::DWORD type = 0;
  std::string data;  // the stored bytes; text types hold UTF-16LE
};

class RegistryKey {
 public:
  explicit RegistryKey(std::u16string name = std::u16string()) : name_(std::move(name)) {}
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  const std::u16string& name() const { return name_; }
  const RegistryKey* Subkey(std::u16string_view name) const;
  // The subkey of that name, created when missing.
  RegistryKey* AddSubkey(std::u16string_view name);
  const RegistryValue* Value(std::u16string_view name) const;
  // A value of the same name is replaced, as a later line wins on load.
  void SetValue(RegistryValue value);
  size_t subkey_count() const { return subkeys_.size(); }
  size_t value_count() const { return values_.size(); }

 private:
  std::u16string name_;
  std::map<std::u16string, std::unique_ptr<RegistryKey>> subkeys_;  // by folded name
  std::vector<RegistryValue> values_;
};

enum class RegistryArch { kUnknown, kWin32, kWin64 };

struct RegistryFile {
  RegistryArch arch = RegistryArch::kUnknown;
  RegistryKey root;
};

// Parses the text of a registry file into file, which must be fresh. False,
// with nothing loaded, when the first line is not the format's header; lines
// that cannot be understood are skipped and the rest still loads.
bool ParseRegistryText(std::string_view text, RegistryFile* file);

// Reads <prefix>/system.reg. False when it is missing or rejected.
bool LoadMachineRegistry(RegistryFile* file);

// The key at a path of names below from; nullptr when a name is missing.
const RegistryKey* FindKey(const RegistryKey& from, const std::vector<std::u16string>& names);
// Whether the file is a 64-bit prefix's. A file without an "#arch" line
// (older prefixes have none) counts as 64-bit when it holds
// Software\Wow6432Node, which only a 64-bit prefix has.
bool IsWin64Prefix(const RegistryFile& file);
// Splits a registry path at its backslashes; empty names are dropped.
std::vector<std::u16string> SplitKeyPath(std::u16string_view path);

bool RegistryNamesEqual(std::u16string_view a, std::u16string_view b);

// The text of a REG_SZ, REG_EXPAND_SZ or REG_MULTI_SZ value as stored (a
// terminating NUL included when the file has one, an odd last byte
// dropped); false for other types.
bool RegistryValueUnits(const RegistryValue& value, std::u16string* units);

}  // namespace platform
