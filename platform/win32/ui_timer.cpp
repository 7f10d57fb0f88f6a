#include "platform/win32/ui_timer.h"

#include <algorithm>

#include "platform/error.h"
#include "platform/win32/ui_window.h"

namespace platform::win32 {

void TimerTable::Tick(UINT_PTR id) {
  auto found = timers.find(id);
  // A tick of a timer stopped since it fell due is dropped.
  if (found == timers.end() || !found->second->Running())
    return;
  RunEventHandler(found->second->OnTimer);
}

Win32Timer::Win32Timer(std::shared_ptr<TimerTable> table, std::uint32_t interval, bool enabled)
    : table_(std::move(table)), id_(table_->nextId++), interval_(interval), enabled_(enabled) {
  table_->timers.emplace(id_, this);
  if (Running())
    Start();
}

Win32Timer::~Win32Timer() {
  Stop();
  table_->timers.erase(id_);
}

void Win32Timer::Start() {
  if (!table_->window || !IsWindow(table_->window))
    return;  // the form is gone; nothing can tick any more
  // SetTimer holds at most USER_TIMER_MAXIMUM; longer periods are the caller's to count.
  const UINT elapse = std::min(interval_, ui::kMaxTimerInterval);
  if (!SetTimer(table_->window, id_, elapse, nullptr))
    throw OsError(GetLastError(), L"Cannot start a timer");
}

void Win32Timer::Stop() {
  if (table_->window && IsWindow(table_->window))
    KillTimer(table_->window, id_);
}

void Win32Timer::SetInterval(std::uint32_t milliseconds) {
  if (milliseconds == interval_)
    return;
  interval_ = milliseconds;
  Stop();
  if (Running())
    Start();
}

void Win32Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_)
    return;
  enabled_ = enabled;
  if (Running())
    Start();
  else
    Stop();
}

}  // namespace platform::win32
