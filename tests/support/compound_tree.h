// A whole compound file read through the system's own engine, as a map from
// path to content, for comparing what was written with what was meant.
#pragma once

#include <map>
#include <string>

#include "base/com.h"

namespace testing_support {

// Storages are paths ending in "/" with empty content; a stream or storage
// that does not open or read in full holds "<error>".
using StorageTree = std::map<std::string, std::string>;
inline constexpr char kUnreadable[] = "<error>";

// Every element under storage.
StorageTree ReadStorage(win::IStorage* storage);
// Opens path with mode and reads it; the open's result in *hr.
StorageTree ReadFileTree(const std::string& path, win::HRESULT* hr,
                         win::DWORD mode = win::STGM_READ | win::STGM_SHARE_EXCLUSIVE);

// UTF-16 to UTF-8 and back, for element names.
std::string Utf8(const std::u16string& s);
std::u16string Utf16(const std::string& s);

}  // namespace testing_support
