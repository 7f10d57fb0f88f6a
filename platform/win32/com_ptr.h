#pragma once
// An owning COM interface pointer: Release when it goes, AddRef when it is copied.
#include <unknwn.h>

#include <utility>

namespace platform::win32 {

template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr& other) : pointer_(other.pointer_) {
    if (pointer_)
      pointer_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(pointer_, other.pointer_);
    return *this;
  }

  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  // Releases what is held and hands out the slot, for calls that return a new reference.
  Interface** put() {
    reset();
    return &pointer_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }

  void reset() {
    if (pointer_)
      std::exchange(pointer_, nullptr)->Release();
  }

  // QueryInterface; empty when the object does not offer the interface.
  template <typename Other>
  ComPtr<Other> As(REFIID iid) const {
    ComPtr<Other> other;
    if (pointer_)
      pointer_->QueryInterface(iid, other.put_void());
    return other;
  }

 private:
  Interface* pointer_ = nullptr;
};

}  // namespace platform::win32
