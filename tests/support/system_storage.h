// Compound files through the system's own structured storage (ole32's
// StgOpenStorage and StgCreateDocfile), for checking that the engine and
// the system read each other's files. Windows build only.
#pragma once

#include <string>

#include "compound_tree.h"

namespace testing_support {

// Every element of the file at path (UTF-8) as the system reads it, in the
// form ReadStorage gives. A storage whose class or state bits are set holds
// kClassSet instead of "", the root included under the key "/"; *hr is the
// open's result.
inline constexpr char kClassSet[] = "<class set>";
StorageTree ReadWithSystemStorage(const std::string& path, long* hr);

// Creates path with the system's StgCreateDocfile holding tree; false on any
// failure.
bool WriteWithSystemStorage(const std::string& path, const StorageTree& tree);

}  // namespace testing_support
