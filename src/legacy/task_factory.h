// The class factory of the old task streams: the 16-byte class identifier at
// the start of a task stream names the class that loads the rest.
#pragma once

#include <memory>

#include "base/com.h"
#include "legacy/legacy_task.h"

namespace legacy {

// Class indexes, in the order of the identifiers below.
constexpr int kGenericClass = 0;
constexpr int kBtClass = 1;
constexpr int kEmuleClass = 2;

// {9DBF7DB6-F4E1-4F4B-9AA0-A08499D72908}
extern const win::CLSID kGenericTaskClsid;
// {822A27AE-FA3E-46EF-BFFC-AC6BC4392D77}
extern const win::CLSID kBtTaskClsid;
// {EFA09ACF-12FD-41E2-8472-C49426BA45E1}
extern const win::CLSID kEmuleTaskClsid;

// 16 bytes in the Windows memory layout (Data1..Data3 little-endian).
win::CLSID ClsidFromBytes(const uint8_t bytes[16]);

// 0, 1 or 2 for the three known identifiers; -1 for any other.
int LegacyClassIndex(const win::CLSID& clsid);

// A new, empty object of the identifier's class; null for an unknown one.
std::unique_ptr<LegacyTask> CreateLegacyTask(const win::CLSID& clsid);

}  // namespace legacy
