#pragma once
// The shell's WebBrowser control (Shell.Explorer.2, the Internet Explorer engine) hosted
// without ATL headers: a child window of atl.dll's "AtlAxWin" class creates the control
// named by its window text, AtlAxGetControl hands it out, and IWebBrowser2 drives it.
#include <windows.h>
#include <exdisp.h>

#include <memory>
#include <string>

#include "platform/ui.h"
#include "platform/win32/com_ptr.h"

namespace platform::win32 {

class Win32WebBrowser : public ui::WebBrowser {
 public:
  // Creates the control in a visible child window of `parent` at `bounds` (client
  // coordinates) with the control id `id`. COM must be initialised apartment-threaded on
  // this thread; OLE is initialised here for the control's lifetime. Raises Exception when
  // atl.dll, its host window or the control cannot be made.
  Win32WebBrowser(std::wstring name, HWND parent, const RECT& bounds, int id);
  ~Win32WebBrowser() override;
  Win32WebBrowser(const Win32WebBrowser&) = delete;
  Win32WebBrowser& operator=(const Win32WebBrowser&) = delete;

  const std::wstring& Name() const override { return name_; }
  bool Enabled() const override;
  void SetEnabled(bool enabled) override;
  // The host window's text, the control's ProgID.
  std::wstring Text() const override;
  void SetText(const std::wstring& text) override;

  // IWebBrowser2::Navigate with the address alone, the optional arguments empty. The page
  // loads asynchronously; raises Exception when the control rejects the request.
  void Navigate(const std::wstring& address) override;

  HWND Window() const { return window_; }
  // Moves and sizes the host window, which sizes the control with it.
  void SetBounds(const RECT& bounds);
  // What the control reports as its current address (IWebBrowser2::get_LocationURL).
  std::wstring LocationUrl() const;

 private:
  class OleSession {
   public:
    OleSession();
    ~OleSession();
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
  };

  OleSession ole_;
  std::wstring name_;
  HWND window_ = nullptr;
  ComPtr<IWebBrowser2> browser_;
};

// The factory the form builder calls for Kind::WebBrowser controls.
std::unique_ptr<Win32WebBrowser> CreateWebBrowserControl(const std::wstring& name, HWND parent,
                                                         const RECT& bounds, int id);

}  // namespace platform::win32
