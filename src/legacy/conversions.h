// The small value conversions that carry old task fields into the columns
// of the new database.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/win_types.h"
#include "legacy/stream_reader.h"

namespace legacy {

// New status codes.
constexpr int32_t kStatusFinished = 100;
constexpr int32_t kStatusStopped = 0;
constexpr int32_t kStatusPending = 200;

// Old state 7 and 11 are finished (100), 12 is stopped (0), every other
// state is waiting to go on (200).
int32_t MapLegacyState(uint32_t state);

// Two upper-case hexadecimal digits per byte, in order.
std::string BytesToHex(const uint8_t* bytes, size_t count);
std::string BytesToHex(const Raw20& bytes);

// The text behind the last "."; empty when there is none ("a.b.txt" gives
// "txt").
std::string FileExtension(const std::string& name);

// The time as an OLE automation date; 0.0 when it is not a valid date.
double SystemTimeToDate(const win::SYSTEMTIME& time);

// The 32-bit payload of the "NeedDrawUnopen" property; 0 without one.
int32_t NeedDrawUnopen(const PropertyMap& properties);

}  // namespace legacy
