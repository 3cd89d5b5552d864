// DsConfigStore writes typed setting values into DSConfig.bin, the compound
// file that the download engine shares: one stream per setting, named after
// its numeric identifier, in the storage "GlobalConfig". The store keeps a
// stack of the storages it opened; the top one is where values go.
#pragma once

#include <cstdint>
#include <vector>

#include "base/com_ref.h"
#include "base/win_types.h"
#include "platform/variant.h"
#include "storage/storage.h"

namespace settings {

class DsConfigStore {
 public:
  // Direct mode, read-write, exclusive: to open, and to create.
  static constexpr win::DWORD kOpenMode = 0x12;
  static constexpr win::DWORD kCreateMode = 0x1012;
  static constexpr int kPathCapacity = 1024;

  DsConfigStore();
  virtual ~DsConfigStore();

  DsConfigStore(const DsConfigStore&) = delete;
  DsConfigStore& operator=(const DsConfigStore&) = delete;

  // Opens DSConfig.bin under the Program Files folder, creating it when it
  // cannot be opened, and then its "GlobalConfig" storage, likewise. True
  // when the last step made succeeded.
  bool OpenDsConfig();

  // Each of these records its HRESULT as the last result and is true on
  // S_OK; the storage operations record E_POINTER when no storage is open.
  bool OpenExistingFile(const char16_t* path, win::DWORD mode);
  bool CreateNewFile(const char16_t* path, win::DWORD mode);
  bool OpenChildStorage(const char16_t* name, win::DWORD mode);
  bool CreateChildStorage(const char16_t* name, bool push, win::DWORD mode);
  bool OpenValueStream(const char16_t* name, win::DWORD mode, win::ComRef<win::IStream>& stream);
  bool CreateValueStream(const char16_t* name, win::DWORD mode, win::ComRef<win::IStream>& stream);

  // Writes one value as the stream "Cfg%08X" of the identifier in the
  // current storage, replacing what it held. The caller keeps the value
  // and clears it.
  bool SetConfigValue(uint32_t id, win::VARIANT value);

  // Values that SetConfigValue could not store since the file was opened,
  // and the result of the first of them.
  int failedValues() const { return failedValues_; }
  win::HRESULT firstValueFailure() const { return firstValueFailure_; }

  // Releases every storage, top first.
  void CloseAll();

  win::HRESULT lastResult() const { return lastResult_; }
  size_t openStorages() const { return storages_.size(); }
  // The open file's path; empty when none is open.
  const char16_t* fileName() const { return fileName_ ? fileName_ : u""; }
  // The path OpenDsConfig last tried, open or not.
  const char16_t* dsConfigPath() const { return path_; }

 private:
  win::IStorage* Current() const { return storages_.empty() ? nullptr : storages_.back().get(); }
  bool Record(win::HRESULT hr);
  bool StoreValue(uint32_t id, const win::VARIANT& value);
  void SetFileName(const char16_t* path);

  win::BSTR fileName_ = nullptr;
  std::vector<win::ComRef<win::IStorage>> storages_;
  win::HRESULT lastResult_ = win::S_OK;
  int failedValues_ = 0;
  win::HRESULT firstValueFailure_ = win::S_OK;
  char16_t path_[kPathCapacity] = {};
};

// The process-wide store, created empty on the first call and destroyed at
// exit, which closes DSConfig.bin.
DsConfigStore& GetDsConfigStore();
// Destroys the process-wide store, which closes DSConfig.bin; the next
// GetDsConfigStore starts afresh.
void ReleaseDsConfigStore();

// The bytes of a value stream: the VARTYPE, then for VT_BSTR the UTF-16
// text with its terminating zero unit, for every other type the rest of the
// 16-byte VARIANT record (three zero words and the 8-byte value field).
std::vector<uint8_t> SerializeConfigValue(const win::VARIANT& value);

}  // namespace settings
