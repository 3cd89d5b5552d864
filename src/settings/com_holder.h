// ComHolder holds one reference to a COM-shaped object (a storage or a
// stream) and releases it when it goes, on every path out of an operation.
#pragma once

#include <utility>

template <typename T>
class ComHolder {
 public:
  ComHolder() = default;
  explicit ComHolder(T* p) : p_(p) {}
  ~ComHolder() { reset(); }
  ComHolder(ComHolder&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComHolder& operator=(ComHolder&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ComHolder(const ComHolder&) = delete;
  ComHolder& operator=(const ComHolder&) = delete;

  // For the out-parameter of an open or create call; drops any held object.
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
