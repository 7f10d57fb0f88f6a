#pragma once
// Helpers of the user-interface adapter tests: the real application object installed as the
// UI service, a message pump, and a way to act from inside a modal loop (a message box, the
// folder picker, a pop-up menu) the way a user would.
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/services.h"
#include "platform/win32/ui_application.h"

namespace uitest {

struct UiPlatform {
  platform::win32::Win32Application app;
  UiPlatform() {
    app.Initialize();
    platform::Services services;
    services.ui = &app;
    platform::Install(services);
  }
  ~UiPlatform() { platform::Install({}); }
};

// Runs the thread's messages for about `milliseconds`.
inline void Pump(platform::win32::Win32Application& app, DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    app.ProcessMessages();
  }
}

// Runs the thread's messages until `done` holds or the time is up; whether it held.
template <class Condition>
bool PumpUntil(platform::win32::Win32Application& app, Condition done, DWORD timeout = 5000) {
  const ULONGLONG end = GetTickCount64() + timeout;
  while (!done()) {
    if (GetTickCount64() >= end)
      return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    app.ProcessMessages();
  }
  return true;
}

// Calls `step` every 20 ms from whatever message loop the thread runs (a thread timer, so a
// modal loop dispatches it too) until it returns true. Give up after `tries` calls.
class WhileModal {
 public:
  WhileModal(std::function<bool()> step, int tries = 250) : step_(std::move(step)), left_(tries) {
    id_ = SetTimer(nullptr, 0, 20, Tick);
    active()[id_] = this;
  }
  ~WhileModal() { Stop(); }
  WhileModal(const WhileModal&) = delete;
  WhileModal& operator=(const WhileModal&) = delete;
  bool Done() const { return done_; }

 private:
  static std::map<UINT_PTR, WhileModal*>& active() {
    static std::map<UINT_PTR, WhileModal*> timers;
    return timers;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    auto found = active().find(id);
    if (found == active().end())
      return;
    WhileModal* self = found->second;
    if (self->running_)
      return;  // the step itself opened a modal loop
    self->running_ = true;
    const bool finished = self->step_() || --self->left_ <= 0;
    self->running_ = false;
    if (finished) {
      self->done_ = true;
      self->Stop();
    }
  }
  void Stop() {
    if (id_) {
      KillTimer(nullptr, id_);
      active().erase(id_);
      id_ = 0;
    }
  }
  std::function<bool()> step_;
  int left_;
  UINT_PTR id_ = 0;
  bool running_ = false;
  bool done_ = false;
};

// The visible top-level windows of this process of a class (and title, when given).
inline std::vector<HWND> ProcessWindows(const std::wstring& className,
                                        const std::wstring& title = L"") {
  struct Search {
    std::wstring className, title;
    std::vector<HWND> found;
  } search{className, title, {}};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(data);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t name[256] = {}, text[256] = {};
        GetClassNameW(window, name, 256);
        GetWindowTextW(window, text, 256);
        if (process == GetCurrentProcessId() && IsWindowVisible(window) && s.className == name &&
            (s.title.empty() || s.title == text)) {
          s.found.push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

}  // namespace uitest
