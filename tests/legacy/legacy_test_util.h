// Shared pieces of the legacy tests: old tasks whose every field holds a
// different value, and a loader over bytes in memory.
#pragma once

#include <memory>
#include <string>

#include "history_builder.h"
#include "legacy/legacy_task.h"

namespace legacy_test {

historygen::GenericTask DistinctGeneric(uint32_t version, uint64_t id = 0x1122334455667788ull);
historygen::BtTask DistinctBt(uint32_t version, uint64_t id = 0x0102030405060708ull);
historygen::EmuleTask DistinctEmule(uint32_t version, uint64_t id = 0x0A0B0C0D0E0F1011ull);

// Loads a task stream (class identifier included) through the class factory;
// null when the identifier is unknown or the load fails. buffered reads it
// through a BufferedStream, as the walk does.
std::unique_ptr<legacy::LegacyTask> LoadStream(const std::string& bytes, bool buffered = false);

// Twenty bytes counting up from first.
historygen::Hash20 HashFrom(uint8_t first);

}  // namespace legacy_test
