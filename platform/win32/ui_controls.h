#pragma once
// The standard controls of a form, each a child window made from one row of the layout
// table: group box, label, edit box, check box, button, combo boxes and the web browser.
#include <windows.h>

#include <memory>
#include <string>

#include "platform/ui.h"
#include "platform/win32/window_handles.h"

namespace platform::win32 {

class Win32WebBrowser;

class Win32Control : public virtual ui::Control {
 public:
  Win32Control(const ui::ControlSpec& design, int id);
  ~Win32Control() override;
  Win32Control(const Win32Control&) = delete;
  Win32Control& operator=(const Win32Control&) = delete;

  const std::wstring& Name() const override { return design.name; }
  bool Enabled() const override;
  void SetEnabled(bool enabled) override;
  std::wstring Text() const override;
  void SetText(const std::wstring& text) override;

  // Creates the child window inside `parent` (hidden behind the siblings made before it,
  // so creation order is tab order). `form` receives the notifications.
  virtual void Create(HWND parent, HWND form);
  // Gives the control its font and moves it to `bounds` (parent client coordinates, already
  // scaled); controls whose size follows their content adjust the size.
  virtual void Place(const RECT& bounds, HFONT font);
  // A WM_COMMAND notification of this control arrived at the form.
  virtual void Command(WORD /*code*/) {}
  // The brush for WM_CTLCOLOR* when the control has a background of its own, else null.
  HBRUSH BackgroundBrush(HDC dc);
  // Whether it is a container of other controls (the group box).
  virtual bool IsContainer() const { return false; }

  HWND Handle() const { return window_; }
  int Id() const { return id_; }
  // Where Place put it, in its parent's client coordinates.
  const RECT& Bounds() const { return bounds_; }

  const ui::ControlSpec design;

 protected:
  virtual const wchar_t* ClassName() const = 0;
  virtual DWORD Style() const = 0;
  virtual DWORD ExStyle() const { return 0; }
  virtual void* CreateParameter() { return nullptr; }
  // After the window exists, before it is placed: items, limits, check state.
  virtual void Initialize() {}
  // Messages of a subclassed window (the control or one of its parts); true when handled.
  virtual bool Intercept(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void Subclass(HWND window);

  HWND window_ = nullptr;  // destroyed with its parent
  HWND form_ = nullptr;
  HFONT font_ = nullptr;
  RECT bounds_{};

 private:
  static LRESULT CALLBACK SubclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR self);
  const int id_;
  UniqueBrush background_;
};

class Win32GroupBox : public Win32Control {
 public:
  using Win32Control::Win32Control;
  bool IsContainer() const override { return true; }
  void Create(HWND parent, HWND form) override;

 protected:
  const wchar_t* ClassName() const override;
  DWORD Style() const override;
  DWORD ExStyle() const override { return WS_EX_CONTROLPARENT; }
  void* CreateParameter() override { return this; }

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Paint(HWND window);
};

class Win32Label : public Win32Control {
 public:
  using Win32Control::Win32Control;
  void SetText(const std::wstring& text) override;
  void Place(const RECT& bounds, HFONT font) override;

 protected:
  const wchar_t* ClassName() const override { return L"STATIC"; }
  DWORD Style() const override;
};

class Win32Edit : public Win32Control {
 public:
  using Win32Control::Win32Control;

 protected:
  const wchar_t* ClassName() const override { return L"EDIT"; }
  DWORD Style() const override;
  void Initialize() override;
};

class Win32CheckBox : public Win32Control, public ui::CheckBox {
 public:
  using Win32Control::Win32Control;
  bool Checked() const override;
  void SetChecked(bool checked) override;
  void Command(WORD code) override;

 protected:
  const wchar_t* ClassName() const override { return L"BUTTON"; }
  DWORD Style() const override;
  void Initialize() override;

 private:
  bool known_ = false;  // the state OnClick last reported
};

class Win32Button : public Win32Control, public ui::Button {
 public:
  using Win32Control::Win32Control;
  void Command(WORD code) override;

 protected:
  const wchar_t* ClassName() const override { return L"BUTTON"; }
  DWORD Style() const override;
};

class Win32ComboBox : public Win32Control, public ui::ComboBox {
 public:
  using Win32Control::Win32Control;
  // A drop-down list selects the item with that text instead (none when there is none).
  void SetText(const std::wstring& text) override;
  void Place(const RECT& bounds, HFONT font) override;

 protected:
  const wchar_t* ClassName() const override { return L"COMBOBOX"; }
  DWORD Style() const override;
  void Initialize() override;
  bool Intercept(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  HWND edit_ = nullptr;  // the text field of an editable combo box
};

// The browser control inside a host child window (platform/win32/web_browser.*).
class Win32BrowserControl : public Win32Control, public ui::WebBrowser {
 public:
  Win32BrowserControl(const ui::ControlSpec& design, int id);
  ~Win32BrowserControl() override;
  void Create(HWND parent, HWND form) override;
  void Place(const RECT& bounds, HFONT font) override;
  void Navigate(const std::wstring& address) override;
  Win32WebBrowser* Browser() const { return browser_.get(); }

 protected:
  const wchar_t* ClassName() const override { return L"STATIC"; }
  DWORD Style() const override;

 private:
  std::unique_ptr<Win32WebBrowser> browser_;
};

std::unique_ptr<Win32Control> MakeControl(const ui::ControlSpec& design, int id);

}  // namespace platform::win32
