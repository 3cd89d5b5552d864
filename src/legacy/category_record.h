// The record of a category storage, held in its "CAT_STREAM" stream: eight
// bytes nobody converts, the category's name and its download folder, both
// narrow texts in the system ANSI code page.
#pragma once

#include <cstdint>
#include <string>

#include "base/com.h"

namespace legacy {

class CategoryRecord {
 public:
  // False when any of the three fields is short; the fields read so far stay.
  bool Load(win::IStream* stream);

  uint64_t Header = 0;
  std::string Name;
  std::string Folder;
};

}  // namespace legacy
