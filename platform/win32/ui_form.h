#pragma once
// A form: a top-level window owned by the application window, with its controls made from
// the layout table and scaled to the window's DPI.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "platform/win32/ui_controls.h"
#include "platform/win32/ui_fonts.h"
#include "platform/win32/ui_timer.h"
#include "platform/win32/ui_window.h"

namespace platform::win32 {

class Win32Application;

// The control of row i of the layout table has the id kFirstControlId + i, clear of IDOK
// and IDCANCEL, which the dialog keys send.
inline constexpr int kFirstControlId = 100;

class Win32Form : public ui::Form, public MessageWindow {
 public:
  // Raises when the window or one of its controls cannot be made; the windows made by then
  // are destroyed again.
  Win32Form(Win32Application& app, const ui::FormSpec& design);
  ~Win32Form() override;

  ui::Control& Find(const std::wstring& name) override;
  std::wstring Caption() const override;
  void SetCaption(const std::wstring& caption) override;
  bool Visible() const override;
  // Shown and brought to the top; the first showing centres a form that code has not
  // placed on the desktop (all monitors together).
  void Show() override;
  void Hide() override;
  ui::Bounds GetBounds() const override;
  void MoveTo(int left, int top) override;
  std::unique_ptr<ui::Timer> CreateTimer(std::uint32_t interval, bool enabled) override;

  // A close request (WM_CLOSE, SC_CLOSE, Alt+F4, the task-bar button's Close): OnCloseQuery
  // decides, and the form hides when it may close.
  void RequestClose();
  // WM_QUERYENDSESSION: whether the session may end.
  bool QueryEndSession();

  UINT Dpi() const { return dpi_; }
  Win32Control* ControlNamed(const std::wstring& name) const;

  const ui::FormSpec design;

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Fonts, controls, hints and layout of the window just made; raises when a control cannot
  // be made (the web browser without atl.dll, say).
  void Build();
  DWORD WindowStyle() const;
  void CreateChildren(const std::wstring& parentName, HWND parentWindow);
  // Sizes the window for its client area at the DPI, then places the controls.
  void Layout();
  void PlaceControls();
  // Where a control lying above a later one of the table overlaps it, the earlier one gives
  // way: the later one lies on top, while tab order still follows creation order.
  void ClipOverlaps();
  void AddHints();
  void CenterOnDesktop();
  void FocusControl();
  HFONT FontOf(const ui::ControlSpec& control);
  Win32Control* ControlById(int id) const;
  Win32Control* ControlByWindow(HWND window) const;

  Win32Application& app_;
  UINT dpi_;
  std::unique_ptr<FontCache> fonts_;
  std::vector<std::unique_ptr<Win32Control>> controls_;  // in the layout's order
  std::vector<int> creationRank_;                        // per control: its place in z-order
  int createdCount_ = 0;
  std::shared_ptr<TimerTable> timers_;
  HWND tooltip_ = nullptr;  // owned by the form's window
  HFONT font_ = nullptr;    // the form's own font, from fonts_
  int defaultId_ = 0;
  bool placed_ = false;  // positioned by code or shown once
  bool built_ = false;
  HWND lastFocus_ = nullptr;
};

}  // namespace platform::win32
