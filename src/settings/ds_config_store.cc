#include "settings/ds_config_store.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "base/little_endian.h"
#include "platform/shell.h"

namespace settings {

namespace {

constexpr char16_t kDsConfigTail[] = u"\\Common Files\\Vorlake Network\\VorlakeS\\DSConfig.bin";
constexpr char16_t kGlobalConfig[] = u"GlobalConfig";
constexpr size_t kRecordSize = 16;      // a VARIANT record of a 32-bit program
constexpr size_t kValueOffset = 8;      // where its value field starts
constexpr size_t kTypeWordSize = 2;

std::unique_ptr<DsConfigStore>& StoreSlot() {
  static std::unique_ptr<DsConfigStore> store;
  return store;
}

uint64_t ValueBits(const win::VARIANT& v) {
  switch (v.vt) {
    case win::VT_UI1:
      return v.bVal;
    case win::VT_I2:
      return static_cast<uint16_t>(v.iVal);
    case win::VT_BOOL:
      return static_cast<uint16_t>(v.boolVal);
    case win::VT_I4:
      return static_cast<uint32_t>(v.lVal);
    case win::VT_UI4:
      return v.ulVal;
    case win::VT_ERROR:
      return static_cast<uint32_t>(v.scode);
    case win::VT_R4: {
      uint32_t bits;
      static_assert(sizeof bits == sizeof v.fltVal);
      std::memcpy(&bits, &v.fltVal, sizeof bits);
      return bits;
    }
    case win::VT_R8:
    case win::VT_DATE: {
      uint64_t bits;
      std::memcpy(&bits, &v.dblVal, sizeof bits);
      return bits;
    }
    default:
      return static_cast<uint64_t>(v.llVal);
  }
}

}  // namespace

DsConfigStore::DsConfigStore() = default;

DsConfigStore::~DsConfigStore() {
  CloseAll();
  win::SysFreeString(fileName_);
}

bool DsConfigStore::Record(win::HRESULT hr) {
  lastResult_ = hr;
  return hr == win::S_OK;
}

void DsConfigStore::SetFileName(const char16_t* path) {
  win::SysFreeString(fileName_);
  fileName_ = path ? win::SysAllocString(path) : nullptr;
}

void DsConfigStore::CloseAll() {
  while (!storages_.empty()) storages_.pop_back();  // top first
  SetFileName(nullptr);
  lastResult_ = win::S_OK;
  failedValues_ = 0;
  firstValueFailure_ = win::S_OK;
}

bool DsConfigStore::OpenExistingFile(const char16_t* path, win::DWORD mode) {
  CloseAll();
  win::ComRef<win::IStorage> root;
  if (!Record(win::StgOpenStorage(path, nullptr, mode, nullptr, 0, root.out()))) return false;
  storages_.push_back(std::move(root));
  SetFileName(path);
  return true;
}

bool DsConfigStore::CreateNewFile(const char16_t* path, win::DWORD mode) {
  CloseAll();
  win::ComRef<win::IStorage> root;
  if (!Record(win::StgCreateDocfile(path, mode, 0, root.out()))) return false;
  storages_.push_back(std::move(root));
  SetFileName(path);
  return true;
}

bool DsConfigStore::OpenChildStorage(const char16_t* name, win::DWORD mode) {
  win::IStorage* current = Current();
  if (!current) return Record(win::E_POINTER);
  win::ComRef<win::IStorage> child;
  if (!Record(current->OpenStorage(name, nullptr, mode, nullptr, 0, child.out()))) return false;
  storages_.push_back(std::move(child));
  return true;
}

bool DsConfigStore::CreateChildStorage(const char16_t* name, bool push, win::DWORD mode) {
  win::IStorage* current = Current();
  if (!current) return Record(win::E_POINTER);
  win::ComRef<win::IStorage> child;
  if (!Record(current->CreateStorage(name, mode, 0, 0, child.out()))) return false;
  if (push) storages_.push_back(std::move(child));
  return true;
}

bool DsConfigStore::OpenValueStream(const char16_t* name, win::DWORD mode,
                                    win::ComRef<win::IStream>& stream) {
  win::IStorage* current = Current();
  if (!current) return Record(win::E_POINTER);
  return Record(current->OpenStream(name, nullptr, mode, 0, stream.out()));
}

bool DsConfigStore::CreateValueStream(const char16_t* name, win::DWORD mode,
                                      win::ComRef<win::IStream>& stream) {
  win::IStorage* current = Current();
  if (!current) return Record(win::E_POINTER);
  return Record(current->CreateStream(name, mode, 0, 0, stream.out()));
}

// An existing file keeps every stream and storage the converter does not
// write: only a file that cannot be opened at all is created anew.
bool DsConfigStore::OpenDsConfig() {
  path_[0] = 0;
  if (!win::SHGetSpecialFolderPathW(nullptr, path_, win::CSIDL_PROGRAM_FILES, 0)) path_[0] = 0;
  win::StrCatW(path_, kDsConfigTail);
  if (!OpenExistingFile(path_, kOpenMode)) CreateNewFile(path_, kCreateMode);
  if (OpenChildStorage(kGlobalConfig, kOpenMode)) return true;
  return CreateChildStorage(kGlobalConfig, true, kCreateMode);
}

std::vector<uint8_t> SerializeConfigValue(const win::VARIANT& value) {
  std::vector<uint8_t> out;
  if (value.vt == win::VT_BSTR) {
    const win::UINT units = value.bstrVal ? win::SysStringLen(value.bstrVal) : 0;
    out.assign(kTypeWordSize + 2 * static_cast<size_t>(units) + 2, 0);
    base::StoreLe16(out.data(), value.vt);
    for (win::UINT i = 0; i < units; ++i)
      base::StoreLe16(out.data() + kTypeWordSize + 2 * i, value.bstrVal[i]);
    return out;  // the terminating zero unit is already there
  }
  out.assign(kRecordSize, 0);
  base::StoreLe16(out.data(), value.vt);
  // Only the bytes the type uses are written; the rest of the field stays zero.
  uint8_t field[win::kVariantValueBytes];
  base::StoreLe64(field, ValueBits(value));
  std::memcpy(out.data() + kValueOffset, field, win::VariantValueWidth(value.vt));
  return out;
}

bool DsConfigStore::SetConfigValue(uint32_t id, win::VARIANT value) {
  if (StoreValue(id, value)) return true;
  if (failedValues_++ == 0) firstValueFailure_ = lastResult_;
  return false;
}

bool DsConfigStore::StoreValue(uint32_t id, const win::VARIANT& value) {
  char narrow[16];
  std::snprintf(narrow, sizeof narrow, "Cfg%08X", id);
  char16_t name[16] = {};
  for (size_t i = 0; narrow[i]; ++i) name[i] = static_cast<char16_t>(narrow[i]);

  win::ComRef<win::IStream> stream;
  if (!OpenValueStream(name, kOpenMode, stream) && !CreateValueStream(name, kCreateMode, stream))
    return false;

  const std::vector<uint8_t> content = SerializeConfigValue(value);
  const auto length = static_cast<win::ULONG>(content.size());
  // The size is set first, so a shorter value leaves none of the old bytes.
  if (!Record(stream->SetSize(length))) return false;
  win::ULONG written = 0;
  if (!Record(stream->Write(content.data(), length, &written)) || written != length) return false;
  return Record(stream->Commit(0));
}

DsConfigStore& GetDsConfigStore() {
  auto& slot = StoreSlot();
  if (!slot) slot = std::make_unique<DsConfigStore>();
  return *slot;
}

void ReleaseDsConfigStore() { StoreSlot().reset(); }

}  // namespace settings
