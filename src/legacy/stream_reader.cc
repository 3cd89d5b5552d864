#include "legacy/stream_reader.h"

#include <algorithm>
#include <cstring>

#include "base/little_endian.h"
#include "platform/variant.h"

namespace legacy {
namespace {

// Texts and strings are read in pieces of this size, so memory follows the
// bytes that really are in the stream and not the count that claims them.
constexpr size_t kTextChunk = 64 * 1024;

// Appends count bytes to out, chunk by chunk.
bool ReadCounted(win::IStream* stream, uint32_t count, std::string* out) {
  size_t remaining = count;
  while (remaining > 0) {
    const size_t piece = std::min(remaining, kTextChunk);
    const size_t old = out->size();
    out->resize(old + piece);
    if (!ReadExact(stream, out->data() + old, piece)) return false;
    remaining -= piece;
  }
  return true;
}

// The types the old program wrote with a payload of fixed size, which is the
// width of their value in a VARIANT (VT_CY's two halves come low half first,
// which is the little-endian 8 bytes).
bool HasFixedPayload(win::VARTYPE type) {
  switch (type) {
    case win::VT_UI1:
    case win::VT_I2:
    case win::VT_BOOL:
    case win::VT_I4:
    case win::VT_R4:
    case win::VT_ERROR:
    case win::VT_R8:
    case win::VT_DATE:
    case win::VT_CY:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool ReadExact(win::IStream* stream, void* dst, size_t n) {
  if (stream == nullptr) return false;
  if (n == 0) return true;
  win::ULONG got = 0;
  const win::HRESULT hr = stream->Read(dst, static_cast<win::ULONG>(n), &got);
  return win::SUCCEEDED(hr) && got == n;
}

bool ReadU32(win::IStream* stream, uint32_t* value) {
  uint8_t b[4];
  if (!ReadExact(stream, b, sizeof b)) return false;
  *value = base::LoadLe32(b);
  return true;
}

bool ReadI32(win::IStream* stream, int32_t* value) {
  uint32_t u;
  if (!ReadU32(stream, &u)) return false;
  *value = static_cast<int32_t>(u);
  return true;
}

bool ReadU64(win::IStream* stream, uint64_t* value) {
  uint8_t b[8];
  if (!ReadExact(stream, b, sizeof b)) return false;
  *value = base::LoadLe64(b);
  return true;
}

bool ReadI64(win::IStream* stream, int64_t* value) {
  uint64_t u;
  if (!ReadU64(stream, &u)) return false;
  *value = static_cast<int64_t>(u);
  return true;
}

bool ReadFlag(win::IStream* stream, bool* value) {
  uint8_t b;
  if (!ReadExact(stream, &b, 1)) return false;
  *value = b != 0;
  return true;
}

bool ReadTime(win::IStream* stream, win::SYSTEMTIME* value) {
  uint8_t b[16];
  if (!ReadExact(stream, b, sizeof b)) return false;
  win::WORD w[8];
  for (int i = 0; i < 8; ++i) w[i] = base::LoadLe16(b + 2 * i);
  *value = win::SYSTEMTIME{w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7]};
  return true;
}

bool ReadRaw20(win::IStream* stream, Raw20* value) {
  return ReadExact(stream, value->data(), value->size());
}

bool Skip(win::IStream* stream, size_t n) {
  uint8_t b[64];
  while (n > 0) {
    const size_t piece = std::min(n, sizeof b);
    if (!ReadExact(stream, b, piece)) return false;
    n -= piece;
  }
  return true;
}

bool ReadText(win::IStream* stream, std::string* text) {
  text->clear();
  uint32_t count;
  if (!ReadU32(stream, &count)) return false;
  const bool complete = ReadCounted(stream, count, text);
  // The old program kept its texts as C strings: a NUL among the bytes (a
  // count that took in the terminator, say) ends the text there. Cutting it
  // here lets every comparison, emptiness test and extension see the text
  // that the new database gets.
  text->resize(std::strlen(text->c_str()));
  return complete;
}

bool ReadValue(win::IStream* stream, Variant* value) {
  win::VARIANT* v = value->Reset();
  uint8_t t[2];
  if (!ReadExact(stream, t, sizeof t)) return false;
  const win::VARTYPE type = base::LoadLe16(t);

  if (type == win::VT_BSTR) {
    uint32_t count;
    if (!ReadU32(stream, &count)) return false;
    std::string bytes;
    if (!ReadCounted(stream, count, &bytes)) return false;
    v->vt = win::VT_BSTR;
    v->bstrVal = count == 0 ? nullptr : win::SysAllocStringByteLen(bytes.data(), count);
    return true;
  }

  if (!HasFixedPayload(type)) return false;  // not a type the old program wrote
  const size_t size = win::VariantValueWidth(type);
  // The type goes into the value before its payload is read, so a payload
  // cut short by the end of the stream leaves the type and the bytes that
  // were there; the caller stores such a value all the same.
  uint8_t payload[win::kVariantValueBytes] = {};
  const bool complete = ReadExact(stream, payload, size);
  v->vt = type;
  std::memcpy(&v->llVal, payload, sizeof payload);  // the value's bytes as they lie in memory
  return complete;
}

bool ReadPropertyMap(win::IStream* stream, PropertyMap* properties) {
  uint32_t count;
  if (!ReadU32(stream, &count)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    std::string name;
    if (!ReadText(stream, &name)) break;  // the stream is exhausted
    // A value that fails to read is still stored (empty), and the next pair
    // follows the bytes it consumed.
    Variant value;
    ReadValue(stream, &value);
    (*properties)[name] = value;
  }
  return true;
}

}  // namespace legacy
