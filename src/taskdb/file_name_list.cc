#include "taskdb/file_name_list.h"

#include "base/little_endian.h"
#include "taskdb/task_text.h"

namespace taskdb {

namespace {

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

}  // namespace

std::vector<uint8_t> FileNameListBlob(const std::vector<std::string>& names) {
  const size_t slots = names.empty() ? 1 : names.size();
  std::vector<uint8_t> blob(kNameCountBytes + kNameSlotBytes * slots, 0);
  static_assert(kNameCountBytes == 4);
  base::StoreLe32(blob.data(), static_cast<uint32_t>(names.size()));
  for (size_t i = 0; i < names.size(); ++i) {
    std::u16string wide = AnsiToWide(names[i]);
    wide.resize(std::u16string(wide.c_str()).size());
    // The slot is fixed by the format, so a name of 1024 units or more cannot
    // be kept whole: it is cut to the 1023 units that fit before the
    // terminator (one less when that would split a surrogate pair), which
    // keeps the list readable and every other name in its place.
    size_t keep = wide.size();
    if (keep > kNameSlotUnits - 1) {
      keep = kNameSlotUnits - 1;
      if (IsHighSurrogate(wide[keep - 1])) --keep;
    }
    uint8_t* slot = blob.data() + kNameCountBytes + kNameSlotBytes * i;
    for (size_t u = 0; u < keep; ++u) base::StoreLe16(slot + 2 * u, wide[u]);
  }
  return blob;
}

std::vector<uint8_t> EmptyFileNameList() { return std::vector<uint8_t>(kNameCountBytes, 0); }

}  // namespace taskdb
