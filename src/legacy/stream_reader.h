// Readers for the little-endian fields of the old history streams: fixed
// numbers, counted ANSI texts, automation values and property maps. Every
// reader answers true only when all of its bytes were there; a short read
// leaves the stream wherever it stopped.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "base/com.h"
#include "base/win_types.h"
#include "legacy/owned_variant.h"

namespace legacy {

// Named values of an old task, ordered by byte-wise comparison of the names.
using PropertyMap = std::map<std::string, Variant>;

// Twenty raw bytes, a hash in the old records.
using Raw20 = std::array<uint8_t, 20>;

// True only when the stream delivers all n bytes; false for no stream.
bool ReadExact(win::IStream* stream, void* dst, size_t n);

bool ReadU32(win::IStream* stream, uint32_t* value);
bool ReadI32(win::IStream* stream, int32_t* value);
bool ReadU64(win::IStream* stream, uint64_t* value);
bool ReadI64(win::IStream* stream, int64_t* value);
// One byte; anything but 0 is true.
bool ReadFlag(win::IStream* stream, bool* value);
bool ReadTime(win::IStream* stream, win::SYSTEMTIME* value);
bool ReadRaw20(win::IStream* stream, Raw20* value);
// Reads and drops n bytes (fields nobody converts).
bool Skip(win::IStream* stream, size_t n);

// A u32 byte count and that many bytes. The destination is emptied first.
// The text grows only as its bytes arrive, so a count larger than the stream
// fails without reserving the count. All the bytes are consumed, but the
// text ends at the first NUL among them.
bool ReadText(win::IStream* stream, std::string* text);

// A u16 value type and its payload. A type the old format does not write
// fails after the type has been read, leaving the value empty; a payload cut
// short keeps the type and the bytes that were there, and fails.
bool ReadValue(win::IStream* stream, Variant* value);

// A u32 count and up to that many (name, value) pairs. A later pair replaces
// an earlier one of the same name. The map ends early, and still succeeds,
// when no further name can be read; only a missing count fails.
bool ReadPropertyMap(win::IStream* stream, PropertyMap* properties);

// Reads a run of fields in order and stops at the first that fails, so a
// loader can read its whole layout and ask once whether it was all there.
class FieldReader {
 public:
  explicit FieldReader(win::IStream* stream) : stream_(stream) {}

  FieldReader& U32(uint32_t* v) { return Step(ok_ && ReadU32(stream_, v)); }
  FieldReader& I32(int32_t* v) { return Step(ok_ && ReadI32(stream_, v)); }
  FieldReader& U64(uint64_t* v) { return Step(ok_ && ReadU64(stream_, v)); }
  FieldReader& I64(int64_t* v) { return Step(ok_ && ReadI64(stream_, v)); }
  FieldReader& Flag(bool* v) { return Step(ok_ && ReadFlag(stream_, v)); }
  FieldReader& Time(win::SYSTEMTIME* v) { return Step(ok_ && ReadTime(stream_, v)); }
  FieldReader& Hash(Raw20* v) { return Step(ok_ && ReadRaw20(stream_, v)); }
  FieldReader& Text(std::string* v) { return Step(ok_ && ReadText(stream_, v)); }
  FieldReader& Map(PropertyMap* v) { return Step(ok_ && ReadPropertyMap(stream_, v)); }

  bool ok() const { return ok_; }

 private:
  FieldReader& Step(bool result) {
    ok_ = result;
    return *this;
  }

  win::IStream* stream_;
  bool ok_ = true;
};

}  // namespace legacy
