#include "untMain/backup_schedule.h"

namespace untMain {

namespace {
constexpr std::int64_t kMillisecondsPerHour = 3'600'000;
}

void BackupSchedule::Arm(platform::ui::Timer& timer, std::int32_t hours) {
  ticksPerBackup_ = 1;
  if (hours <= 0) {
    timer.SetInterval(0);
  } else if (hours * kMillisecondsPerHour <= platform::ui::kMaxTimerInterval) {
    timer.SetInterval(static_cast<std::uint32_t>(hours * kMillisecondsPerHour));
  } else {
    timer.SetInterval(static_cast<std::uint32_t>(kMillisecondsPerHour));
    ticksPerBackup_ = static_cast<std::uint32_t>(hours);
  }
  ticksLeft_ = ticksPerBackup_;
}

bool BackupSchedule::Tick() {
  if (--ticksLeft_ > 0)
    return false;
  ticksLeft_ = ticksPerBackup_;
  return true;
}

}  // namespace untMain
