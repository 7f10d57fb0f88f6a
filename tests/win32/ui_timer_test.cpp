// Message timers of a form in real time: what restarts a timer's count and what does not,
// and ticks delivered by the loop of a modal message box. Every check waits for a tick that
// must come, or for a quiet stretch in which none may come; a slow machine delays ticks,
// so it cannot make a check pass that should fail.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "platform/win32/ui_form.h"
#include "tests/win32/ui_test_support.h"

namespace {

// Long enough that a loaded machine, which delays ticks by some hundred milliseconds,
// cannot blur a quarter interval.
constexpr std::uint32_t kInterval = 2000;

class FormTimerTest : public ::testing::Test {
 protected:
  FormTimerTest() {
    platform::ui::FormSpec design;
    design.name = L"frmTimerTest";
    design.clientWidth = 100;
    design.clientHeight = 100;
    design.font = {L"Tahoma", 11};
    form_ = ui_.app.CreateForm(design);
  }

  std::unique_ptr<platform::ui::Timer> CountingTimer(std::uint32_t interval, bool enabled) {
    auto timer = form_->CreateTimer(interval, enabled);
    timer->OnTimer = [this] { ++ticks_; };
    return timer;
  }
  void Pump(DWORD milliseconds) { uitest::Pump(ui_.app, milliseconds); }
  bool TickWithin(DWORD milliseconds) {
    const int before = ticks_;
    return uitest::PumpUntil(
        ui_.app, [&] { return ticks_ > before; }, milliseconds);
  }

  uitest::UiPlatform ui_;
  std::unique_ptr<platform::ui::Form> form_;
  int ticks_ = 0;
};

TEST_F(FormTimerTest, ARunningTimerTicksEveryInterval) {
  auto timer = CountingTimer(100, true);
  EXPECT_TRUE(TickWithin(2000));
  EXPECT_TRUE(TickWithin(2000));
  EXPECT_EQ(timer->Interval(), 100u);
}

TEST_F(FormTimerTest, ADifferentIntervalRestartsTheCount) {
  auto timer = CountingTimer(kInterval, true);
  Pump(kInterval * 3 / 4);
  timer->SetInterval(kInterval + 1);
  // The old count would tick a quarter interval from now; the new one starts afresh.
  Pump(kInterval / 2);
  EXPECT_EQ(ticks_, 0);
  EXPECT_TRUE(TickWithin(3000));
}

TEST_F(FormTimerTest, TheSameIntervalOrEnablingARunningTimerDoesNotRestartIt) {
  auto timer = CountingTimer(kInterval, true);
  Pump(kInterval * 3 / 4);
  ASSERT_EQ(ticks_, 0);
  timer->SetInterval(kInterval);
  timer->SetEnabled(true);
  // Restarted it would need another full interval; untouched it ticks within a half.
  EXPECT_TRUE(TickWithin(kInterval / 2));
}

TEST_F(FormTimerTest, ADisabledTimerOrOneOfIntervalZeroNeverTicks) {
  auto disabled = CountingTimer(50, false);
  auto zero = CountingTimer(0, true);
  Pump(300);
  EXPECT_EQ(ticks_, 0);
  EXPECT_FALSE(disabled->Enabled());
  EXPECT_TRUE(zero->Enabled());
  disabled->SetEnabled(true);
  EXPECT_TRUE(TickWithin(2000));
  disabled->SetEnabled(false);
  const int stopped = ticks_;
  Pump(300);
  EXPECT_EQ(ticks_, stopped);
}

TEST_F(FormTimerTest, AnIntervalBeyondTheTimersRangeIsKeptAsGiven) {
  auto timer = CountingTimer(3'596'400'000u, true);  // 999 hours
  EXPECT_EQ(timer->Interval(), 3'596'400'000u);
  Pump(100);
  EXPECT_EQ(ticks_, 0);
}

TEST_F(FormTimerTest, TicksArriveWhileAMessageBoxIsOpen) {
  auto timer = CountingTimer(50, true);
  // The user answers the box only after the timer has ticked twice inside it.
  uitest::WhileModal answer([&] {
    const auto boxes = uitest::ProcessWindows(L"#32770", L"计时");
    if (boxes.empty() || ticks_ < 2)
      return false;
    PostMessageW(boxes.front(), WM_COMMAND, IDOK, 0);
    return true;
  });
  const int answered = ui_.app.ShowMessageBox(L"等待", L"计时", MB_OK);
  EXPECT_EQ(answered, IDOK);
  EXPECT_GE(ticks_, 2);
  EXPECT_TRUE(answer.Done());
}

TEST_F(FormTimerTest, ATimerOutlivingItsFormStaysQuiet) {
  auto timer = CountingTimer(50, true);
  form_.reset();
  timer->SetInterval(60);
  timer->SetEnabled(false);
  timer->SetEnabled(true);
  Pump(200);
  EXPECT_EQ(ticks_, 0);
}

}  // namespace
