#include "legacy/owned_variant.h"

namespace legacy {

Variant::Variant() { win::VariantInit(&value_); }

Variant::~Variant() { win::VariantClear(&value_); }

Variant::Variant(const Variant& other) {
  win::VariantInit(&value_);
  CopyFrom(other.value_);
}

Variant& Variant::operator=(const Variant& other) {
  if (this != &other) CopyFrom(other.value_);
  return *this;
}

void Variant::CopyFrom(const win::VARIANT& src) {
  win::VariantClear(&value_);
  const win::HRESULT hr = win::VariantCopy(&value_, &src);
  if (win::FAILED(hr)) {
    win::VariantInit(&value_);
    value_.vt = win::VT_ERROR;
    value_.scode = hr;
  }
}

win::VARIANT* Variant::Reset() {
  win::VariantClear(&value_);
  win::VariantInit(&value_);
  return &value_;
}

}  // namespace legacy
