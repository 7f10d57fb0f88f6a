#include "platform/win32/ui_form.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>

#include "platform/error.h"
#include "platform/win32/ui_application.h"
#include "platform/win32/ui_dpi.h"

namespace platform::win32 {

namespace {

RECT ScaledRect(const ui::ControlSpec& c, UINT dpi) {
  const int left = ScaleToDpi(c.left, dpi);
  const int top = ScaleToDpi(c.top, dpi);
  return RECT{left, top, left + ScaleToDpi(c.width, dpi), top + ScaleToDpi(c.height, dpi)};
}

}  // namespace

Win32Form::Win32Form(Win32Application& app, const ui::FormSpec& s)
    : design(s), app_(app), dpi_(SystemDpi()), timers_(std::make_shared<TimerTable>()) {
  const std::wstring className = L"T" + design.name;
  RegisterWindowClass(className, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                      LoadIconW(ProgramInstance(), L"MAINICON"));
  const SIZE outer =
      OuterSizeForClient(ScaleToDpi(design.clientWidth, dpi_),
                         ScaleToDpi(design.clientHeight, dpi_), WindowStyle(), 0, dpi_);
  CreateMessageWindow(0, className, L"", WindowStyle(), RECT{0, 0, outer.cx, outer.cy},
                      app_.ApplicationWindow());
  timers_->window = Handle();
  try {
    Build();
  } catch (...) {
    // The window goes, its children with it, while the controls that serve them still
    // exist: nothing of a form that failed is left behind.
    timers_->window = nullptr;
    DestroyMessageWindow();
    throw;
  }
  app_.FormCreated(*this);
}

void Win32Form::Build() {
  // Per-monitor awareness: the window takes the DPI of the monitor it was created on.
  dpi_ = WindowDpi(Handle());
  fonts_ = std::make_unique<FontCache>(dpi_);
  SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(fonts_->Get(design.font)), FALSE);

  for (std::size_t i = 0; i < design.controls.size(); ++i) {
    const ui::ControlSpec& c = design.controls[i];
    controls_.push_back(MakeControl(c, kFirstControlId + static_cast<int>(i)));
    if (c.defaultButton)
      defaultId_ = controls_.back()->Id();
  }
  creationRank_.assign(controls_.size(), -1);
  CreateChildren(L"", Handle());
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (creationRank_[i] < 0)
      throw Exception(L"The control " + design.controls[i].name + L" has no parent " +
                      design.controls[i].parent);
  }
  if (defaultId_)
    SendMessageW(Handle(), DM_SETDEFID, static_cast<WPARAM>(defaultId_), 0);
  AddHints();
  built_ = true;
  Layout();
}

Win32Form::~Win32Form() {
  app_.FormDestroyed(*this);
  DestroyMessageWindow();
}

DWORD Win32Form::WindowStyle() const {
  if (design.border == ui::Border::None)
    return WS_POPUP | WS_CLIPCHILDREN;
  // A single fixed border: not resizable by dragging.
  return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
         WS_CLIPCHILDREN;
}

void Win32Form::CreateChildren(const std::wstring& parentName, HWND parentWindow) {
  std::vector<std::size_t> children;
  for (std::size_t i = 0; i < design.controls.size(); ++i) {
    if (design.controls[i].parent == parentName)
      children.push_back(i);
  }
  // Focusable controls in tab order, then the rest in the table's order.
  std::stable_sort(children.begin(), children.end(), [&](std::size_t a, std::size_t b) {
    const auto key = [&](std::size_t i) {
      const int tab = design.controls[i].tabOrder;
      return tab < 0 ? INT_MAX : tab;
    };
    return key(a) < key(b);
  });
  for (std::size_t i : children) {
    controls_[i]->Create(parentWindow, Handle());
    creationRank_[i] = createdCount_++;
    if (controls_[i]->IsContainer())
      CreateChildren(design.controls[i].name, controls_[i]->Handle());
  }
}

HFONT Win32Form::FontOf(const ui::ControlSpec& control) {
  if (control.font)
    return fonts_->Get(*control.font);
  if (Win32Control* parent = ControlNamed(control.parent))
    return FontOf(parent->design);
  return fonts_->Get(design.font);
}

void Win32Form::Layout() {
  const int clientWidth = ScaleToDpi(design.clientWidth, dpi_);
  const int clientHeight = ScaleToDpi(design.clientHeight, dpi_);
  SIZE outer = OuterSizeForClient(clientWidth, clientHeight, WindowStyle(), 0, dpi_);
  SetWindowPos(Handle(), nullptr, 0, 0, outer.cx, outer.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // Where the frame drawn differs from the one computed for the DPI (Wine does not scale
  // the frame per monitor), the client area decides.
  RECT client{};
  GetClientRect(Handle(), &client);
  if (client.right != clientWidth || client.bottom != clientHeight) {
    outer.cx += clientWidth - client.right;
    outer.cy += clientHeight - client.bottom;
    SetWindowPos(Handle(), nullptr, 0, 0, outer.cx, outer.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  PlaceControls();
}

void Win32Form::PlaceControls() {
  // Parents before their children, so that a control aligned to its parent's client area
  // finds the parent's final size.
  std::vector<std::size_t> order(controls_.size());
  for (std::size_t i = 0; i < order.size(); ++i)
    order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return creationRank_[a] < creationRank_[b]; });
  for (std::size_t i : order) {
    const ui::ControlSpec& c = design.controls[i];
    RECT bounds = ScaledRect(c, dpi_);
    if (c.alignClient)
      GetClientRect(GetParent(controls_[i]->Handle()), &bounds);
    controls_[i]->Place(bounds, FontOf(c));
  }
  ClipOverlaps();
}

void Win32Form::ClipOverlaps() {
  for (std::size_t a = 0; a < controls_.size(); ++a) {
    const RECT& lower = controls_[a]->Bounds();
    UniqueRegion region;
    for (std::size_t b = a + 1; b < controls_.size(); ++b) {
      if (design.controls[b].parent != design.controls[a].parent ||
          creationRank_[b] < creationRank_[a]) {
        continue;  // another parent, or already above
      }
      RECT overlap{};
      if (!IntersectRect(&overlap, &lower, &controls_[b]->Bounds()))
        continue;
      if (!region)
        region.reset(CreateRectRgn(0, 0, lower.right - lower.left, lower.bottom - lower.top));
      OffsetRect(&overlap, -lower.left, -lower.top);
      UniqueRegion cut(CreateRectRgnIndirect(&overlap));
      if (region && cut)
        CombineRgn(region.get(), region.get(), cut.get(), RGN_DIFF);
    }
    // The window takes over the region when the call succeeds.
    if (SetWindowRgn(controls_[a]->Handle(), region.get(), TRUE))
      region.release();
  }
}

void Win32Form::AddHints() {
  if (!design.showHints)
    return;
  for (const auto& control : controls_) {
    if (control->design.hint.empty())
      continue;
    if (!tooltip_) {
      tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                 WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                                 ProgramInstance(), nullptr);
      if (!tooltip_)
        throw OsError(GetLastError(), L"Cannot create the hint window of " + design.name);
    }
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(control->Handle());
    std::wstring text = control->design.hint;  // the tooltip keeps a copy
    tool.lpszText = text.data();
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

ui::Control& Win32Form::Find(const std::wstring& name) {
  if (Win32Control* control = ControlNamed(name))
    return *control;
  throw Exception(L"no control " + name);
}

Win32Control* Win32Form::ControlNamed(const std::wstring& name) const {
  for (const auto& control : controls_) {
    if (control->design.name == name)
      return control.get();
  }
  return nullptr;
}

Win32Control* Win32Form::ControlById(int id) const {
  const int index = id - kFirstControlId;
  if (index < 0 || index >= static_cast<int>(controls_.size()))
    return nullptr;
  return controls_[static_cast<std::size_t>(index)].get();
}

Win32Control* Win32Form::ControlByWindow(HWND window) const {
  for (const auto& control : controls_) {
    if (control->Handle() == window)
      return control.get();
  }
  return nullptr;
}

std::wstring Win32Form::Caption() const {
  const int length = GetWindowTextLengthW(Handle());
  std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
  const int copied = GetWindowTextW(Handle(), text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return text;
}

void Win32Form::SetCaption(const std::wstring& caption) {
  if (!SetWindowTextW(Handle(), caption.c_str()))
    throw OsError(GetLastError(), L"Cannot set the caption of " + design.name);
}

bool Win32Form::Visible() const {
  return IsWindowVisible(Handle()) != 0;
}

void Win32Form::Show() {
  if (!placed_) {
    CenterOnDesktop();
    placed_ = true;
  }
  app_.FormShowing(*this);
  ShowWindow(Handle(), SW_SHOW);
  SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  app_.FormVisibilityChanged(*this);
}

void Win32Form::Hide() {
  ShowWindow(Handle(), SW_HIDE);
  app_.FormVisibilityChanged(*this);
}

void Win32Form::CenterOnDesktop() {
  const int desktopLeft = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int desktopTop = GetSystemMetrics(SM_YVIRTUALSCREEN);
  const int desktopWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int desktopHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  const ui::Bounds window = GetBounds();
  const int left = std::max(desktopWidth / 2 + desktopLeft - window.width / 2, desktopLeft);
  const int top = std::max(desktopHeight / 2 + desktopTop - window.height / 2, desktopTop);
  SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

ui::Bounds Win32Form::GetBounds() const {
  RECT rect{};
  GetWindowRect(Handle(), &rect);
  return ui::Bounds{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void Win32Form::MoveTo(int left, int top) {
  SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  placed_ = true;
}

std::unique_ptr<ui::Timer> Win32Form::CreateTimer(std::uint32_t interval, bool enabled) {
  return std::make_unique<Win32Timer>(timers_, interval, enabled);
}

void Win32Form::RequestClose() {
  bool canClose = true;
  if (OnCloseQuery)
    RunEventHandler([&] { OnCloseQuery(canClose); });
  if (canClose)
    Hide();
}

bool Win32Form::QueryEndSession() {
  bool canEnd = true;
  if (OnQueryEndSession)
    RunEventHandler([&] { OnQueryEndSession(canEnd); });
  return canEnd;
}

void Win32Form::FocusControl() {
  HWND target = lastFocus_;
  if (!target || !IsWindow(target) || !IsWindowEnabled(target) || !IsWindowVisible(target))
    target = GetNextDlgTabItem(Handle(), nullptr, FALSE);
  SetFocus(target ? target : Handle());
}

LRESULT Win32Form::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (Win32Control* control = ControlById(LOWORD(wParam)))
        control->Command(HIWORD(wParam));
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
      if (Win32Control* control = ControlByWindow(reinterpret_cast<HWND>(lParam))) {
        if (HBRUSH brush = control->BackgroundBrush(reinterpret_cast<HDC>(wParam)))
          return reinterpret_cast<LRESULT>(brush);
      }
      break;
    case WM_TIMER:
      timers_->Tick(wParam);
      return 0;
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wParam);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case DM_GETDEFID:
      return defaultId_ ? MAKELRESULT(defaultId_, DC_HASDEFID) : 0;
    case DM_SETDEFID:
      defaultId_ = static_cast<int>(wParam);
      return TRUE;
    case WM_CLOSE:
      RequestClose();
      return 0;
    case WM_QUERYENDSESSION:
      return QueryEndSession() ? TRUE : FALSE;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE) {
        app_.MinimizeForm(*this);
        return 0;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(window, focus))
          lastFocus_ = focus;
      } else if (!HIWORD(wParam)) {
        FocusControl();
        return 0;
      }
      break;
    case WM_SIZE:
      if (built_ && wParam != SIZE_MINIMIZED)
        PlaceControls();
      break;
    case WM_DPICHANGED: {
      // Moved to a monitor of another DPI: new fonts and positions, then the suggested place.
      auto previous = std::move(fonts_);
      dpi_ = LOWORD(wParam);
      fonts_ = std::make_unique<FontCache>(dpi_);
      SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_->Get(design.font)), FALSE);
      Layout();
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window, nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      InvalidateRect(window, nullptr, TRUE);
      return 0;  // the old fonts go now that no control uses them
    }
    case WM_NCDESTROY:
      timers_->window = nullptr;
      break;
  }
  return MessageWindow::HandleMessage(window, message, wParam, lParam);
}

}  // namespace platform::win32
