// ComRef holds one reference to a COM-shaped object (storage, stream,
// enumerator) and releases it when it goes, so every path out of a walk
// step lets go of what it opened. ElementName does the same for the names
// that Stat and the enumerator hand out.
#pragma once

#include "platform/storage.h"

namespace legacy {

template <typename T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() { reset(); }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;

  // For the out-parameter of an Open or Enum call; drops any held object.
  T** out() {
    reset();
    return &p_;
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

  void reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

// Owns a name from STATSTG and frees it with CoTaskMemFree.
class ElementName {
 public:
  explicit ElementName(char16_t* name) : name_(name) {}
  ~ElementName() { win::CoTaskMemFree(name_); }
  ElementName(const ElementName&) = delete;
  ElementName& operator=(const ElementName&) = delete;

  const char16_t* get() const { return name_ ? name_ : u""; }

 private:
  char16_t* name_;
};

}  // namespace legacy
