#include "platform/win32/ui_folder_picker.h"

#include <shlobj.h>

#include <vector>

#include "platform/win32/com_ptr.h"

namespace platform::win32 {

namespace {

constexpr UINT kPickerFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON;
static_assert(kPickerFlags == 0x241);
constexpr std::size_t kPathUnits = MAX_PATH;

// Memory from the shell's allocator (an item identifier list, the display-name buffer),
// given back to it when it goes.
class ShellMemory {
 public:
  ShellMemory(IMalloc& allocator, void* memory) : allocator_(allocator), memory_(memory) {}
  ~ShellMemory() {
    if (memory_)
      allocator_.Free(memory_);
  }
  ShellMemory(const ShellMemory&) = delete;
  ShellMemory& operator=(const ShellMemory&) = delete;

 private:
  IMalloc& allocator_;
  void* memory_;
};

// The windows of the program that can be used now are disabled for as long as it lives.
class DisabledWindows {
 public:
  DisabledWindows() {
    EnumThreadWindows(GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(this));
    for (HWND window : windows_)
      EnableWindow(window, FALSE);
  }
  ~DisabledWindows() {
    for (HWND window : windows_) {
      if (IsWindow(window))
        EnableWindow(window, TRUE);
    }
  }
  DisabledWindows(const DisabledWindows&) = delete;
  DisabledWindows& operator=(const DisabledWindows&) = delete;

 private:
  static BOOL CALLBACK Collect(HWND window, LPARAM self) {
    if (IsWindowVisible(window) && IsWindowEnabled(window))
      reinterpret_cast<DisabledWindows*>(self)->windows_.push_back(window);
    return TRUE;
  }
  std::vector<HWND> windows_;
};

class ErrorModeScope {
 public:
  explicit ErrorModeScope(UINT mode) : previous_(SetErrorMode(mode)) {}
  ~ErrorModeScope() { SetErrorMode(previous_); }
  ErrorModeScope(const ErrorModeScope&) = delete;
  ErrorModeScope& operator=(const ErrorModeScope&) = delete;

 private:
  UINT previous_;
};

struct PickerContext {
  HWND centreOn = nullptr;
  const std::wstring* initialFolder = nullptr;
};

// On the full area of the monitor nearest the main window; size and stacking unchanged.
void CentreOnNearestMonitor(HWND picker, HWND centreOn) {
  HMONITOR monitor = MonitorFromWindow(centreOn ? centreOn : picker, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  RECT window{};
  if (!GetMonitorInfoW(monitor, &info) || !GetWindowRect(picker, &window))
    return;
  const RECT& area = info.rcMonitor;
  const int left = area.left + ((area.right - area.left) - (window.right - window.left)) / 2;
  const int top = area.top + ((area.bottom - area.top) - (window.bottom - window.top)) / 2;
  SetWindowPos(picker, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

int CALLBACK PickerCallback(HWND picker, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED) {
    const auto* context = reinterpret_cast<const PickerContext*>(data);
    CentreOnNearestMonitor(picker, context->centreOn);
    if (!context->initialFolder->empty()) {
      SendMessageW(picker, BFFM_SETSELECTIONW, TRUE,
                   reinterpret_cast<LPARAM>(context->initialFolder->c_str()));
    }
  }
  return 0;
}

// The root as the desktop folder parses it; null (the desktop itself) when it does not.
PIDLIST_ABSOLUTE ParseRoot(const std::wstring& root) {
  if (root.empty())
    return nullptr;
  ComPtr<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(desktop.put())) || !desktop)
    return nullptr;
  std::wstring name = root;  // ParseDisplayName takes a writable string
  PIDLIST_RELATIVE parsed = nullptr;
  ULONG eaten = 0;
  if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, name.data(), &eaten, &parsed, nullptr)))
    return nullptr;
  return reinterpret_cast<PIDLIST_ABSOLUTE>(parsed);
}

}  // namespace

std::optional<std::wstring> ShowFolderPicker(const ui::FolderPickerOptions& options, HWND owner,
                                             HWND centreOn) {
  ComPtr<IMalloc> allocator;
  if (FAILED(SHGetMalloc(allocator.put())) || !allocator)
    return std::nullopt;
  auto* displayName = static_cast<wchar_t*>(allocator->Alloc(kPathUnits * sizeof(wchar_t)));
  if (!displayName)
    return std::nullopt;
  ShellMemory displayNameMemory(*allocator.get(), displayName);

  const PIDLIST_ABSOLUTE root = ParseRoot(options.root);
  ShellMemory rootMemory(*allocator.get(), root);
  PickerContext context{centreOn, &options.initialFolder};
  BROWSEINFOW browse{};
  browse.hwndOwner = owner;
  browse.pidlRoot = root;
  browse.pszDisplayName = displayName;
  browse.lpszTitle = options.title.c_str();
  browse.ulFlags = kPickerFlags;
  browse.lpfn = PickerCallback;
  browse.lParam = reinterpret_cast<LPARAM>(&context);

  PIDLIST_ABSOLUTE chosen = nullptr;
  {
    ErrorModeScope errors(SEM_FAILCRITICALERRORS);
    DisabledWindows disabled;
    chosen = SHBrowseForFolderW(&browse);
  }
  if (!chosen)
    return std::nullopt;
  ShellMemory chosenMemory(*allocator.get(), chosen);
  wchar_t path[kPathUnits] = {};
  if (!SHGetPathFromIDListW(chosen, path))
    return std::nullopt;
  return std::wstring(path);
}

}  // namespace platform::win32
