#pragma once
// The period of the scheduled backup in whole hours, over tmrBackup. A message timer holds
// at most ui::kMaxTimerInterval (about 596 hours); longer periods are counted in hourly
// ticks, so every period the hours field allows (up to 999) is kept exactly.
#include <cstdint>

#include "platform/ui.h"

namespace untMain {

class BackupSchedule {
 public:
  // Sets the timer for a backup every `hours` hours; zero or negative hours mean no
  // scheduled backup (the timer gets interval 0 and never fires). A different interval
  // restarts the timer's count; the count of hourly ticks starts again in any case.
  void Arm(platform::ui::Timer& timer, std::int32_t hours);
  // One tick of the timer: true when it completes a period and the backup is due.
  bool Tick();

 private:
  std::uint32_t ticksPerBackup_ = 1;
  std::uint32_t ticksLeft_ = 1;
};

}  // namespace untMain
