#pragma once
// The shell's folder browser (SHBrowseForFolderW) as a modal dialog over the program.
#include <windows.h>

#include <optional>
#include <string>

#include "platform/ui.h"

namespace platform::win32 {

// Owned by `owner` (the application window) with every visible window of the program
// disabled while it is open and critical-error boxes suppressed; centred on the monitor
// nearest `centreOn` when it opens. The chosen file-system path, or nothing when the user
// cancels or the shell's allocator is unavailable.
std::optional<std::wstring> ShowFolderPicker(const ui::FolderPickerOptions& options, HWND owner,
                                             HWND centreOn);

}  // namespace platform::win32
