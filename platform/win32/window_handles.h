#pragma once
// RAII owners of user-interface handles: windows, GDI objects, menus and icons.
#include <windows.h>

#include <utility>

namespace platform::win32 {

// Owns a handle and frees it with Free(handle) when it goes; null is the empty state.
template <class Handle, BOOL(WINAPI* Free)(Handle)>
class UniqueUiHandle {
 public:
  UniqueUiHandle() = default;
  explicit UniqueUiHandle(Handle handle) : handle_(handle) {}
  ~UniqueUiHandle() { reset(); }
  UniqueUiHandle(UniqueUiHandle&& other) noexcept
      : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueUiHandle& operator=(UniqueUiHandle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  UniqueUiHandle(const UniqueUiHandle&) = delete;
  UniqueUiHandle& operator=(const UniqueUiHandle&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  Handle release() { return std::exchange(handle_, nullptr); }
  void reset(Handle handle = nullptr) {
    if (handle_)
      Free(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

inline BOOL WINAPI DeleteFontObject(HFONT font) {
  return DeleteObject(font);
}
inline BOOL WINAPI DeleteBrushObject(HBRUSH brush) {
  return DeleteObject(brush);
}
inline BOOL WINAPI DeleteRegionObject(HRGN region) {
  return DeleteObject(region);
}

using UniqueWindow = UniqueUiHandle<HWND, DestroyWindow>;
using UniqueFont = UniqueUiHandle<HFONT, DeleteFontObject>;
using UniqueBrush = UniqueUiHandle<HBRUSH, DeleteBrushObject>;
using UniqueRegion = UniqueUiHandle<HRGN, DeleteRegionObject>;
using UniqueMenu = UniqueUiHandle<HMENU, DestroyMenu>;

// An icon that is destroyed only when it was loaded for this owner: icons from LoadIcon
// are shared by the system and must not be destroyed.
class UniqueIcon {
 public:
  UniqueIcon() = default;
  UniqueIcon(HICON icon, bool owned) : icon_(icon), owned_(owned) {}
  ~UniqueIcon() { reset(); }
  UniqueIcon(UniqueIcon&& other) noexcept
      : icon_(std::exchange(other.icon_, nullptr)), owned_(other.owned_) {}
  UniqueIcon& operator=(UniqueIcon&& other) noexcept {
    if (this != &other) {
      reset();
      icon_ = std::exchange(other.icon_, nullptr);
      owned_ = other.owned_;
    }
    return *this;
  }
  UniqueIcon(const UniqueIcon&) = delete;
  UniqueIcon& operator=(const UniqueIcon&) = delete;

  HICON get() const { return icon_; }
  void reset() {
    if (icon_ && owned_)
      DestroyIcon(icon_);
    icon_ = nullptr;
  }

 private:
  HICON icon_ = nullptr;
  bool owned_ = false;
};

}  // namespace platform::win32
