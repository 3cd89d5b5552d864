// A whole compound file as a map from path to content, read or written
// through the engine's interfaces, for comparing what was written with what
// was meant.
#pragma once

#include <map>
#include <string>
#include <vector>

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

// The element names along a tree path.
std::vector<std::string> SplitTreePath(const std::string& path);
// Writes every entry of tree under storage (storages created as needed).
bool WriteTree(win::IStorage* storage, const StorageTree& tree);

// "" when equal, else the first differing paths (with sizes, never contents).
std::string DiffTrees(const StorageTree& got, const StorageTree& want);
// n pseudo-random bytes, the same for the same seed.
std::string Pattern(size_t n, unsigned seed);

// UTF-16 to UTF-8 and back, for element names.
std::string Utf8(const std::u16string& s);
std::u16string Utf16(const std::string& s);

}  // namespace testing_support
