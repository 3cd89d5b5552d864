// Variant owns one OLE automation value: it clears the value (freeing a
// BSTR) when it goes, and copies it with VariantCopy, so values can live in
// standard containers.
#pragma once

#include "platform/variant.h"

namespace legacy {

class Variant {
 public:
  Variant();
  ~Variant();
  Variant(const Variant& other);
  Variant& operator=(const Variant& other);

  // Replaces the held value by a copy of src. When the copy fails the value
  // becomes VT_ERROR carrying the failure code.
  void CopyFrom(const win::VARIANT& src);

  const win::VARIANT& get() const { return value_; }
  // For filling in place; the previous value is cleared first.
  win::VARIANT* Reset();

 private:
  win::VARIANT value_;
};

}  // namespace legacy
