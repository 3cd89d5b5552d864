// The name list blob of the task tables (BTTask.F609, GenericTask.F422): a
// 32-bit little-endian count followed by one 2048-byte slot per name, each
// holding the name in UTF-16 with its terminator, padded with zero bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace taskdb {

constexpr int32_t kNameSlotUnits = 1024;
constexpr int32_t kNameSlotBytes = kNameSlotUnits * 2;
constexpr int32_t kNameCountBytes = 4;

// The list of a BitTorrent task, names in the system ANSI code page. An
// empty list still carries one empty slot (2052 bytes in all).
std::vector<uint8_t> FileNameListBlob(const std::vector<std::string>& names);

// The 4-byte empty list: a zero count and no slot.
std::vector<uint8_t> EmptyFileNameList();

}  // namespace taskdb
