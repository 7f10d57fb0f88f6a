#include "platform/win32/ui_controls.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "platform/error.h"
#include "platform/win32/ui_fonts.h"
#include "platform/win32/ui_window.h"
#include "platform/win32/web_browser.h"

namespace platform::win32 {

namespace {

constexpr wchar_t kGroupBoxClass[] = L"TavrixGroupBox";
constexpr UINT_PTR kSubclassId = 1;

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0)
    return {};
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
  const int copied = GetWindowTextW(window, buffer.data(), length + 1);
  return std::wstring(buffer.data(), static_cast<std::size_t>(std::max(copied, 0)));
}

void SetWindowTextOrThrow(HWND window, const std::wstring& text) {
  if (!SetWindowTextW(window, text.c_str()))
    throw OsError(GetLastError(), L"Cannot set the text of a control");
}

void MoveTo(HWND window, const RECT& bounds) {
  MoveWindow(window, bounds.left, bounds.top, bounds.right - bounds.left,
             bounds.bottom - bounds.top, TRUE);
}

}  // namespace

// --- Win32Control ---

Win32Control::Win32Control(const ui::ControlSpec& s, int id) : design(s), id_(id) {}

Win32Control::~Win32Control() {
  if (window_ && IsWindow(window_))
    RemoveWindowSubclass(window_, SubclassProcedure, kSubclassId);
}

bool Win32Control::Enabled() const {
  return IsWindowEnabled(window_) != 0;
}

void Win32Control::SetEnabled(bool enabled) {
  EnableWindow(window_, enabled ? TRUE : FALSE);
}

std::wstring Win32Control::Text() const {
  return WindowText(window_);
}

void Win32Control::SetText(const std::wstring& text) {
  SetWindowTextOrThrow(window_, text);
}

void Win32Control::Create(HWND parent, HWND form) {
  form_ = form;
  DWORD style = Style() | WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  if (!design.enabled)
    style |= WS_DISABLED;
  if (design.tabOrder >= 0)
    style |= WS_TABSTOP;
  // Children are appended at the bottom of their siblings' order: the first one made is
  // the first in tab order.
  window_ = CreateWindowExW(ExStyle(), ClassName(), design.text.c_str(), style, 0, 0, 0, 0, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), ProgramInstance(),
                            CreateParameter());
  if (!window_)
    throw OsError(GetLastError(), L"Cannot create the control " + design.name);
  if (design.background)
    background_.reset(CreateSolidBrush(static_cast<COLORREF>(*design.background)));
  if (design.handCursor)
    Subclass(window_);
  Initialize();
}

void Win32Control::Place(const RECT& bounds, HFONT font) {
  font_ = font;
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  bounds_ = bounds;
  MoveTo(window_, bounds);
}

HBRUSH Win32Control::BackgroundBrush(HDC dc) {
  if (!background_)
    return nullptr;
  SetBkColor(dc, static_cast<COLORREF>(*design.background));
  // A disabled edit box asks as a static control; its text stays grey on the colour.
  SetTextColor(dc, GetSysColor(IsWindowEnabled(window_) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  return background_.get();
}

bool Win32Control::Intercept(HWND window, UINT message, WPARAM, LPARAM, LRESULT& result) {
  if (message == WM_SETCURSOR && design.handCursor && window == window_) {
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    result = TRUE;
    return true;
  }
  return false;
}

void Win32Control::Subclass(HWND window) {
  SetWindowSubclass(window, SubclassProcedure, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK Win32Control::SubclassProcedure(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam, UINT_PTR, DWORD_PTR self) {
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, SubclassProcedure, kSubclassId);
    return DefSubclassProc(window, message, wParam, lParam);
  }
  LRESULT result = 0;
  if (reinterpret_cast<Win32Control*>(self)->Intercept(window, message, wParam, lParam, result))
    return result;
  return DefSubclassProc(window, message, wParam, lParam);
}

// --- Win32GroupBox: a container with the 3-D frame of a group, which passes the
// notifications of its controls on to the form ---

const wchar_t* Win32GroupBox::ClassName() const {
  return kGroupBoxClass;
}

DWORD Win32GroupBox::Style() const {
  return WS_CLIPCHILDREN;
}

void Win32GroupBox::Create(HWND parent, HWND form) {
  static const bool registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = ProgramInstance();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kGroupBoxClass;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  if (!registered)
    throw OsError(GetLastError(), L"Cannot register the group box class");
  Win32Control::Create(parent, form);
}

LRESULT CALLBACK Win32GroupBox::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32GroupBox*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self)
    return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
      return SendMessageW(self->form_, message, wParam, lParam);
    case WM_SETFONT:
      self->font_ = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam))
        InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(self->font_);
    case WM_PAINT:
      self->Paint(window);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void Win32GroupBox::Paint(HWND window) {
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(window, &paint);
  if (!dc)
    return;
  RECT client{};
  GetClientRect(window, &client);
  HGDIOBJ previousFont = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  const int textHeight = metrics.tmHeight;

  // The frame runs through the middle of the caption's line, even without a caption; an
  // etched line: highlight one pixel right and below the shadow.
  RECT frame{client.left, textHeight / 2 - 1, client.right, client.bottom};
  RECT highlight = frame;
  OffsetRect(&highlight, 1, 1);
  highlight.right -= 1;
  highlight.bottom -= 1;
  FrameRect(dc, &highlight, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
  RECT shadow{frame.left, frame.top, frame.right - 1, frame.bottom - 1};
  FrameRect(dc, &shadow, GetSysColorBrush(COLOR_BTNSHADOW));

  const std::wstring caption = WindowText(window);
  if (!caption.empty()) {
    RECT text{8, 0, client.right - 8, textHeight};
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetBkMode(dc, OPAQUE);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
              DT_SINGLELINE | DT_LEFT | DT_TOP);
  }
  SelectObject(dc, previousFont);
  EndPaint(window, &paint);
}

// --- Win32Label ---

DWORD Win32Label::Style() const {
  return SS_LEFT | (design.centerVertically ? SS_CENTERIMAGE : 0);
}

void Win32Label::SetText(const std::wstring& text) {
  Win32Control::SetText(text);
  if (design.autoSize && font_)
    Place(bounds_, font_);
}

void Win32Label::Place(const RECT& bounds, HFONT font) {
  RECT placed = bounds;
  if (design.autoSize) {
    const SIZE size = MeasureText(window_, font, Text());
    placed.right = placed.left + size.cx;
    placed.bottom = placed.top + size.cy;
  }
  Win32Control::Place(placed, font);
}

// --- Win32Edit: flat, a single-line border instead of the sunken edge ---

DWORD Win32Edit::Style() const {
  return WS_BORDER | ES_LEFT | ES_AUTOHSCROLL | (design.password ? ES_PASSWORD : 0);
}

void Win32Edit::Initialize() {
  if (design.password)
    SendMessageW(window_, EM_SETPASSWORDCHAR, L'*', 0);
  if (design.maxLength > 0)
    SendMessageW(window_, EM_SETLIMITTEXT, static_cast<WPARAM>(design.maxLength), 0);
}

// --- Win32CheckBox: OnClick whenever the state changes, by the user or by the program ---

DWORD Win32CheckBox::Style() const {
  return BS_AUTOCHECKBOX | BS_FLAT;
}

void Win32CheckBox::Initialize() {
  SendMessageW(window_, BM_SETCHECK, design.checked ? BST_CHECKED : BST_UNCHECKED, 0);
  known_ = design.checked;
}

bool Win32CheckBox::Checked() const {
  return SendMessageW(window_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32CheckBox::SetChecked(bool checked) {
  if (checked == Checked()) {
    known_ = checked;
    return;
  }
  SendMessageW(window_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  known_ = checked;
  RunEventHandler(OnClick);
}

void Win32CheckBox::Command(WORD code) {
  if (code != BN_CLICKED)
    return;
  // The box has toggled itself (mouse or space bar).
  const bool now = Checked();
  if (now == known_)
    return;
  known_ = now;
  RunEventHandler(OnClick);
}

// --- Win32Button ---

DWORD Win32Button::Style() const {
  return design.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void Win32Button::Command(WORD code) {
  // The dialog manager sends the default button's click for Enter without looking at it.
  if (code == BN_CLICKED && IsWindowEnabled(window_))
    RunEventHandler(OnClick);
}

// --- Win32ComboBox: the drop-down list, or the editable box with its key filter ---

DWORD Win32ComboBox::Style() const {
  const DWORD kind =
      design.kind == ui::Kind::DropDownList ? CBS_DROPDOWNLIST : (CBS_DROPDOWN | CBS_AUTOHSCROLL);
  return kind | WS_VSCROLL;
}

void Win32ComboBox::Initialize() {
  for (const std::wstring& item : design.items)
    SendMessageW(window_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  if (design.maxLength > 0)
    SendMessageW(window_, CB_LIMITTEXT, static_cast<WPARAM>(design.maxLength), 0);
  if (design.selectedItem >= 0)
    SendMessageW(window_, CB_SETCURSEL, static_cast<WPARAM>(design.selectedItem), 0);
  else if (design.kind == ui::Kind::ComboBox)
    SetWindowTextOrThrow(window_, design.text);
  if (design.kind == ui::Kind::ComboBox) {
    edit_ = FindWindowExW(window_, nullptr, L"Edit", nullptr);
    if (edit_)
      Subclass(edit_);
  }
}

void Win32ComboBox::SetText(const std::wstring& text) {
  if (design.kind != ui::Kind::DropDownList) {
    Win32Control::SetText(text);
    return;
  }
  const LRESULT index = SendMessageW(window_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(window_, CB_SETCURSEL, index == CB_ERR ? static_cast<WPARAM>(-1) : index, 0);
}

void Win32ComboBox::Place(const RECT& bounds, HFONT font) {
  // The height given to a combo box includes its dropped-down list; the closed box is as
  // high as its selection field makes it, so that field is sized to give the layout's height.
  const int height = bounds.bottom - bounds.top;
  const int items = std::clamp(static_cast<int>(design.items.size()), 1, 8);
  RECT withList = bounds;
  withList.bottom = bounds.top + height * (items + 1) + 2;
  Win32Control::Place(withList, font);
  // Windows sizes the field exactly as asked; Wine adds a little. Correct by what comes out.
  LRESULT request = SendMessageW(window_, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
  for (int attempt = 0; attempt < 3 && request != CB_ERR; ++attempt) {
    RECT closed{};
    GetWindowRect(window_, &closed);
    const int error = height - (closed.bottom - closed.top);
    if (error == 0 || request + error <= 0)
      break;
    request += error;
    SendMessageW(window_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), request);
  }
  bounds_ = bounds;
}

bool Win32ComboBox::Intercept(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) {
  if (window == edit_ && message == WM_CHAR) {
    wchar_t key = static_cast<wchar_t>(wParam);
    RunEventHandler([&] {
      if (OnKeyPress)
        OnKeyPress(key);
    });
    if (key == 0) {
      result = 0;  // discarded
      return true;
    }
    result = DefSubclassProc(window, message, key, lParam);
    return true;
  }
  return Win32Control::Intercept(window, message, wParam, lParam, result);
}

// --- Win32BrowserControl ---

Win32BrowserControl::Win32BrowserControl(const ui::ControlSpec& s, int id) : Win32Control(s, id) {}

Win32BrowserControl::~Win32BrowserControl() = default;

DWORD Win32BrowserControl::Style() const {
  return SS_LEFT;
}

void Win32BrowserControl::Create(HWND parent, HWND form) {
  form_ = form;
  browser_ = CreateWebBrowserControl(design.name, parent, RECT{0, 0, 0, 0}, Id());
  window_ = browser_->Window();
  if (!design.enabled)
    EnableWindow(window_, FALSE);
}

void Win32BrowserControl::Place(const RECT& bounds, HFONT) {
  bounds_ = bounds;
  browser_->SetBounds(bounds);
}

void Win32BrowserControl::Navigate(const std::wstring& address) {
  browser_->Navigate(address);
}

std::unique_ptr<Win32Control> MakeControl(const ui::ControlSpec& design, int id) {
  switch (design.kind) {
    case ui::Kind::GroupBox:
      return std::make_unique<Win32GroupBox>(design, id);
    case ui::Kind::Label:
      return std::make_unique<Win32Label>(design, id);
    case ui::Kind::Edit:
      return std::make_unique<Win32Edit>(design, id);
    case ui::Kind::CheckBox:
      return std::make_unique<Win32CheckBox>(design, id);
    case ui::Kind::Button:
      return std::make_unique<Win32Button>(design, id);
    case ui::Kind::ComboBox:
    case ui::Kind::DropDownList:
      return std::make_unique<Win32ComboBox>(design, id);
    case ui::Kind::WebBrowser:
      return std::make_unique<Win32BrowserControl>(design, id);
  }
  throw Exception(L"Unknown kind of control: " + design.name);
}

}  // namespace platform::win32
