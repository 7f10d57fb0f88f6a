#pragma once
// Message timers of a form: SetTimer on the form's window, WM_TIMER handed to the timer.
#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>

#include "platform/ui.h"

namespace platform::win32 {

class Win32Timer;

// The live timers of one window by their timer id; shared by the window and its timers so
// that either may go first.
struct TimerTable {
  HWND window = nullptr;
  UINT_PTR nextId = 1;
  std::map<UINT_PTR, Win32Timer*> timers;
  // WM_TIMER: runs the timer's handler when the timer is (still) running.
  void Tick(UINT_PTR id);
};

class Win32Timer : public ui::Timer {
 public:
  Win32Timer(std::shared_ptr<TimerTable> table, std::uint32_t interval, bool enabled);
  ~Win32Timer() override;
  Win32Timer(const Win32Timer&) = delete;
  Win32Timer& operator=(const Win32Timer&) = delete;

  std::uint32_t Interval() const override { return interval_; }
  // A different interval restarts the count (KillTimer, SetTimer); the same changes nothing.
  void SetInterval(std::uint32_t milliseconds) override;
  bool Enabled() const override { return enabled_; }
  // Enabling a running timer leaves its count alone.
  void SetEnabled(bool enabled) override;

 private:
  friend struct TimerTable;
  bool Running() const { return enabled_ && interval_ > 0; }
  void Start();
  void Stop();

  std::shared_ptr<TimerTable> table_;
  UINT_PTR id_;
  std::uint32_t interval_;
  bool enabled_;
};

}  // namespace platform::win32
