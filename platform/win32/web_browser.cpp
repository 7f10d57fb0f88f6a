#include "platform/win32/web_browser.h"

#include <windows.h>
#include <ole2.h>

#include <cstring>
#include <cwchar>
#include <vector>

#include "platform/error.h"
#include "platform/win32/com_values.h"

namespace platform::win32 {

namespace {

constexpr wchar_t kHostClass[] = L"AtlAxWin";
constexpr wchar_t kControlProgId[] = L"Shell.Explorer.2";

std::wstring HexCode(HRESULT hr) {
  wchar_t text[16] = {};
  std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

// The system's text for an HRESULT, followed by its code.
std::wstring Describe(HRESULT hr) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = length > 0 ? std::wstring(text, length) : std::wstring();
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.')) {
    message.pop_back();
  }
  return message.empty() ? HexCode(hr) : message + L" (" + HexCode(hr) + L")";
}

// atl.dll's control-hosting entry points. Loaded once and kept for the life of the process:
// the window class it registers must outlive every host window.
class AtlHosting {
 public:
  using GetControlFunction = HRESULT(WINAPI*)(HWND, IUnknown**);

  static const AtlHosting& Instance() {
    static const AtlHosting hosting;
    return hosting;
  }

  HRESULT GetControl(HWND host, IUnknown** control) const { return getControl_(host, control); }

 private:
  using InitFunction = BOOL(WINAPI*)();

  AtlHosting() {
    HMODULE atl = LoadLibraryW(L"atl.dll");
    if (!atl)
      throw OsError(GetLastError(), L"atl.dll, which hosts the web browser, cannot be loaded");
    const auto init = Entry<InitFunction>(atl, "AtlAxWinInit");
    getControl_ = Entry<GetControlFunction>(atl, "AtlAxGetControl");
    if (!init())
      throw OsError(GetLastError(), L"AtlAxWinInit failed to register the browser's host window");
  }

  template <typename Function>
  static Function Entry(HMODULE module, const char* name) {
    const FARPROC entry = GetProcAddress(module, name);
    if (!entry) {
      throw OsError(GetLastError(),
                    L"atl.dll has no " + std::wstring(name, name + std::strlen(name)));
    }
    // Through the generic function type, which converts to any other without a warning.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(entry));
  }

  GetControlFunction getControl_ = nullptr;
};

}  // namespace

Win32WebBrowser::OleSession::OleSession() {
  const HRESULT hr = OleInitialize(nullptr);
  if (FAILED(hr))
    throw Exception(L"OLE cannot be initialised for the web browser: " + Describe(hr));
}

Win32WebBrowser::OleSession::~OleSession() {
  OleUninitialize();
}

Win32WebBrowser::Win32WebBrowser(std::wstring name, HWND parent, const RECT& bounds, int id)
    : name_(std::move(name)) {
  const AtlHosting& atl = AtlHosting::Instance();
  window_ = CreateWindowExW(
      0, kHostClass, kControlProgId,
      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP, bounds.left,
      bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (!window_)
    throw OsError(GetLastError(), L"The web browser's host window cannot be created");

  ComPtr<IUnknown> control;
  HRESULT hr = atl.GetControl(window_, control.put());
  if (SUCCEEDED(hr) && !control)
    hr = E_FAIL;
  if (SUCCEEDED(hr))
    hr = control->QueryInterface(IID_IWebBrowser2, browser_.put_void());
  if (FAILED(hr)) {
    DestroyWindow(window_);
    throw Exception(L"The web browser control (" + std::wstring(kControlProgId) +
                    L") cannot be created: " + Describe(hr));
  }
}

Win32WebBrowser::~Win32WebBrowser() {
  browser_.reset();
  // The parent may have taken its children with it already.
  if (IsWindow(window_))
    DestroyWindow(window_);
}

bool Win32WebBrowser::Enabled() const {
  return IsWindowEnabled(window_) != 0;
}

void Win32WebBrowser::SetEnabled(bool enabled) {
  EnableWindow(window_, enabled ? TRUE : FALSE);
}

std::wstring Win32WebBrowser::Text() const {
  const int length = GetWindowTextLengthW(window_);
  if (length <= 0)
    return {};
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
  const int copied = GetWindowTextW(window_, buffer.data(), length + 1);
  return std::wstring(buffer.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

void Win32WebBrowser::SetText(const std::wstring& text) {
  if (!SetWindowTextW(window_, text.c_str()))
    throw OsError(GetLastError());
}

void Win32WebBrowser::Navigate(const std::wstring& address) {
  Bstr url(address);
  Variant flags, targetFrameName, postData, headers;  // VT_EMPTY: left out
  const HRESULT hr = browser_->Navigate(url.get(), flags.put(), targetFrameName.put(),
                                        postData.put(), headers.put());
  if (FAILED(hr))
    throw Exception(L"The web browser cannot open \"" + address + L"\": " + Describe(hr));
}

void Win32WebBrowser::SetBounds(const RECT& bounds) {
  if (!MoveWindow(window_, bounds.left, bounds.top, bounds.right - bounds.left,
                  bounds.bottom - bounds.top, TRUE)) {
    throw OsError(GetLastError());
  }
}

std::wstring Win32WebBrowser::LocationUrl() const {
  Bstr url;
  const HRESULT hr = browser_->get_LocationURL(url.put());
  if (FAILED(hr))
    throw Exception(L"The web browser does not tell its address: " + Describe(hr));
  return url.str();
}

std::unique_ptr<Win32WebBrowser> CreateWebBrowserControl(const std::wstring& name, HWND parent,
                                                         const RECT& bounds, int id) {
  return std::make_unique<Win32WebBrowser>(name, parent, bounds, id);
}

}  // namespace platform::win32
