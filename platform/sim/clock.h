#pragma once
// The simulated world's one clock: local time in milliseconds. Moving it never runs a
// handler by itself; the simulated message loop delivers timer ticks (see ui.h of sim).
#include <cstdint>

#include "platform/system.h"

namespace platform::sim {

class Clock {
 public:
  Clock();
  void Set(const DateTime& localTime);
  DateTime Now() const;
  std::int64_t Milliseconds() const { return now_; }
  // Time passing while the program is busy (a backup, a copy): nothing is dispatched.
  void Advance(std::int64_t milliseconds) { now_ += milliseconds; }

  static std::int64_t ToMilliseconds(const DateTime& time);
  static DateTime FromMilliseconds(std::int64_t milliseconds);

 private:
  std::int64_t now_ = 0;
};

}  // namespace platform::sim
