#pragma once
// RAII owners of Win32 handles.
#include <windows.h>

#include <utility>

namespace platform::win32 {

// A kernel handle closed with CloseHandle; invalid is INVALID_HANDLE_VALUE or null.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE release() { return std::exchange(handle_, nullptr); }
  // Closes the handle; false (with GetLastError set) when CloseHandle failed.
  bool reset() {
    if (!valid()) {
      handle_ = nullptr;
      return true;
    }
    return CloseHandle(std::exchange(handle_, nullptr)) != 0;
  }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace platform::win32
