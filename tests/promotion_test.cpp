// The promotion window: its design, its place in the work area, and the hourly timeline the
// main window's Timer2 and Timer3 give it, in virtual time.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/error.h"
#include "tests/sim_test.h"
#include "tests/startup_fixture.h"
#include "untComm/exception_handler.h"
#include "untGG/frmGG.h"
#include "untGG/layout.h"
#include "untGG/promotion_address.h"
#include "untGG/promotion_host.h"
#include "untMain/frmMain.h"

namespace {

using platform::sim::SimButton;
using platform::sim::SimForm;
using platform::sim::SimWebBrowser;

constexpr std::int64_t kSecond = 1'000;
constexpr std::int64_t kMinute = 60 * kSecond;
constexpr std::int64_t kHour = 60 * kMinute;

// The promotion window became visible (true) or hidden (false) at `at`, counted from the
// creation of the main window.
struct Change {
  std::int64_t at;
  bool visible;
  bool operator==(const Change&) const = default;
};

void PrintTo(const Change& c, std::ostream* os) {
  *os << (c.visible ? "shown at " : "hidden at ") << c.at / kHour << "h " << c.at % kHour / kMinute
      << "m " << c.at % kMinute / kSecond << "s";
}

// Shown at every full hour from the first to the last, hidden 15 seconds later.
std::vector<Change> Hourly(int firstHour, int lastHour) {
  std::vector<Change> changes;
  for (int hour = firstHour; hour <= lastHour; ++hour) {
    changes.push_back({hour * kHour, true});
    changes.push_back({hour * kHour + 15 * kSecond, false});
  }
  return changes;
}

class PromotionTest : public SimTest {
 protected:
  ~PromotionTest() override {
    promotion.reset();
    main.reset();
  }

  // The program entry's order: the main window (its timers start counting), shown, then the
  // promotion window.
  void Start() {
    main = std::make_unique<untMain::TfrmMain>();
    untMain::frmMain = main.get();
    started = world.clock.Milliseconds();
    main->form->Show();
    untGG::CreatefrmGG(promotion);
    ASSERT_EQ(untGG::frmGG, promotion.get());
    Observe();
  }

  std::int64_t Now() const { return world.clock.Milliseconds() - started; }
  SimForm& Window() { return dynamic_cast<SimForm&>(*promotion->form); }
  SimForm& MainWindow() { return dynamic_cast<SimForm&>(*main->form); }
  SimWebBrowser& Browser() { return Window().Sim<SimWebBrowser>(L"WebBrowser1"); }
  SimButton& CloseButton() { return Window().Sim<SimButton>(L"Button1"); }

  // Runs `action` on the UI thread at `at` (counted from the main window's creation), as an
  // event the message loop delivers: a click, or a backup that holds the thread.
  void At(std::int64_t at, std::function<void()> action) {
    auto timer = main->form->CreateTimer(static_cast<std::uint32_t>(at - Now()), true);
    platform::ui::Timer* self = timer.get();
    timer->OnTimer = [self, action = std::move(action)] {
      self->SetEnabled(false);
      action();
    };
    scripted.push_back(std::move(timer));
  }
  // A backup from `from` that keeps the thread busy for `duration`.
  void BusyAt(std::int64_t from, std::int64_t duration) {
    At(from, [this, duration] { world.clock.Advance(duration); });
  }

  void RunUntil(std::int64_t at) { world.ui.RunFor(at - Now()); }

  std::unique_ptr<untMain::TfrmMain> main;
  std::unique_ptr<untGG::TfrmGG> promotion;
  std::vector<std::unique_ptr<platform::ui::Timer>> scripted;
  std::vector<Change> changes;  // every change of the window's visibility, when it happened
  std::int64_t started = 0;

 private:
  // Notes the window's visibility after every handler that may change it.
  void Observe() {
    auto note = [this](std::function<void()>& handler) {
      handler = [this, inner = handler] {
        const bool before = Window().Visible();
        inner();
        if (Window().Visible() != before)
          changes.push_back({Now(), Window().Visible()});
      };
    };
    note(main->Timer2->OnTimer);
    note(main->Timer3->OnTimer);
    note(CloseButton().OnClick);
  }
};

TEST_F(PromotionTest, DesignIsABorderless366By208WindowFilledByTheBrowserWithXOnTop) {
  const platform::ui::FormSpec design = untGG::PromotionFormLayout();
  EXPECT_EQ(design.name, L"frmGG");
  EXPECT_EQ(design.clientWidth, 366);
  EXPECT_EQ(design.clientHeight, 208);
  EXPECT_EQ(design.border, platform::ui::Border::None);
  EXPECT_EQ(design.font.face, L"Tahoma");
  EXPECT_EQ(design.font.pixelHeight, 11);
  EXPECT_TRUE(design.showHints);
  ASSERT_EQ(design.controls.size(), 2u);

  const platform::ui::ControlSpec& browser = design.controls[0];
  EXPECT_EQ(browser.name, L"WebBrowser1");
  EXPECT_EQ(browser.kind, platform::ui::Kind::WebBrowser);
  EXPECT_EQ((std::vector{browser.left, browser.top, browser.width, browser.height}),
            (std::vector{0, 0, 366, 208}));
  EXPECT_TRUE(browser.alignClient);
  EXPECT_EQ(browser.tabOrder, 0);

  // Later in the table, so it lies on top of the browser.
  const platform::ui::ControlSpec& close = design.controls[1];
  EXPECT_EQ(close.name, L"Button1");
  EXPECT_EQ(close.kind, platform::ui::Kind::Button);
  EXPECT_EQ((std::vector{close.left, close.top, close.width, close.height}),
            (std::vector{310, 8, 19, 17}));
  EXPECT_EQ(close.text, L"X");
  EXPECT_EQ(close.hint, L"不感兴趣");
  EXPECT_TRUE(close.handCursor);
  EXPECT_EQ(close.tabOrder, 1);
}

TEST_F(PromotionTest, AddressIsTheConfiguredHostAndAdAspWithoutAScheme) {
  const std::wstring& address = untGG::PromotionAddress();
  EXPECT_EQ(address, std::wstring(untGG::kPromotionHost) + L"/ad.asp");
  EXPECT_EQ(address.find(L"://"), std::wstring::npos);
  EXPECT_EQ(address.find(L'/'), address.size() - 7) << "the host itself has no path";
}

TEST_F(PromotionTest, CreatedHiddenWithTheApplicationWindowHiddenAndThePageLoading) {
  Start();
  EXPECT_FALSE(Window().Visible());
  EXPECT_EQ(Window().showCount, 0);
  EXPECT_EQ(world.ui.hideApplicationWindowCalls, 1);
  EXPECT_FALSE(world.ui.applicationWindowVisible);
  EXPECT_EQ(Browser().navigations, std::vector<std::wstring>{untGG::PromotionAddress()});
  EXPECT_TRUE(main->Timer2->Enabled());
  EXPECT_TRUE(main->Timer3->Enabled()) << "running since the main window was built";
}

struct Placement {
  const char* taskBar;
  platform::ui::WorkArea workArea;
  int left, top;
};

void PrintTo(const Placement& p, std::ostream* os) {
  *os << "task bar " << p.taskBar;
}

class PromotionPlacementTest : public PromotionTest,
                               public ::testing::WithParamInterface<Placement> {};

// Only the work area's width and height count: a bar at the top or on the left leaves the
// window short of the screen's bottom or right edge by the bar's thickness.
INSTANTIATE_TEST_SUITE_P(TaskBars, PromotionPlacementTest,
                         ::testing::Values(Placement{"bottom 40", {0, 0, 1920, 1040}, 1554, 832},
                                           Placement{"left 60", {60, 0, 1920, 1080}, 1494, 872},
                                           Placement{"top 40", {0, 40, 1920, 1080}, 1554, 832},
                                           Placement{"right 60", {0, 0, 1860, 1080}, 1494, 872},
                                           Placement{
                                               "none, 1366x768", {0, 0, 1366, 768}, 1000, 560}));

TEST_P(PromotionPlacementTest, TopLeftCornerFollowsTheWorkAreasSize) {
  world.ui.workArea = GetParam().workArea;
  Start();
  const platform::ui::Bounds bounds = Window().GetBounds();
  EXPECT_EQ(bounds.left, GetParam().left) << GetParam().taskBar;
  EXPECT_EQ(bounds.top, GetParam().top) << GetParam().taskBar;
  EXPECT_EQ(bounds.width, 366);
  EXPECT_EQ(bounds.height, 208);
}

TEST_F(PromotionTest, ShownForFifteenSecondsAtEveryFullHour) {
  Start();
  RunUntil(20 * kSecond);
  EXPECT_FALSE(main->Timer3->Enabled()) << "the first tick at 15 s hides the unshown window";
  EXPECT_FALSE(Window().Visible());

  RunUntil(5 * kHour + kMinute);
  EXPECT_EQ(changes, Hourly(1, 5));
  EXPECT_EQ(Browser().navigations,
            std::vector<std::wstring>(1 + 5, untGG::PromotionAddress()));  // a fresh load each hour
  EXPECT_FALSE(main->Timer3->Enabled());
  EXPECT_EQ(world.ui.hideApplicationWindowCalls, 1);
}

TEST_F(PromotionTest, ShowingBringsTheWindowToTheFrontOfTheProgramsWindows) {
  Start();
  RunUntil(kHour - kSecond);
  MainWindow().Show();
  RunUntil(kHour + kSecond);
  ASSERT_TRUE(Window().Visible());
  EXPECT_GT(Window().lastShownOrder, MainWindow().lastShownOrder);
}

TEST_F(PromotionTest, XHidesAtOnceAndTheWindowComesBackAtTheNextHour) {
  Start();
  At(kHour + 5 * kSecond, [this] { CloseButton().UserClick(); });
  At(3 * kHour + 14 * kSecond, [this] { CloseButton().UserClick(); });
  // Timer3 keeps running after "X" and stops when its tick hides the hidden window.
  bool timer3RunningAfterX = false;
  At(kHour + 10 * kSecond, [&] { timer3RunningAfterX = main->Timer3->Enabled(); });

  RunUntil(4 * kHour + kMinute);
  std::vector<Change> expected = Hourly(1, 4);
  expected[1].at = kHour + 5 * kSecond;
  expected[5].at = 3 * kHour + 14 * kSecond;
  EXPECT_EQ(changes, expected);
  EXPECT_TRUE(timer3RunningAfterX);
  EXPECT_FALSE(main->Timer3->Enabled());
}

TEST_F(PromotionTest, MainWindowShownOrHiddenChangesNothingAndNoTaskBarButtonReturns) {
  Start();
  At(kSecond, [this] { main->form->Hide(); });
  At(90 * kMinute, [this] { main->form->Show(); });
  At(150 * kMinute, [this] { main->form->Hide(); });
  RunUntil(3 * kHour + kMinute);
  EXPECT_EQ(changes, Hourly(1, 3));
  EXPECT_EQ(world.ui.hideApplicationWindowCalls, 1);
  EXPECT_FALSE(world.ui.applicationWindowVisible);
}

struct Busy {
  const char* what;
  std::int64_t from, duration;
  std::vector<Change> changes;  // over the first four hours
};

void PrintTo(const Busy& b, std::ostream* os) {
  *os << "backup " << b.what;
}

class PromotionBusyThreadTest : public PromotionTest, public ::testing::WithParamInterface<Busy> {};

std::vector<Change> Join(std::vector<Change> head, const std::vector<Change>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

// An hourly tick that falls due while a backup holds the thread fires once, late, when the
// backup ends; the following ticks keep the hourly rhythm.
INSTANTIATE_TEST_SUITE_P(
    Backups, PromotionBusyThreadTest,
    ::testing::Values(
        Busy{"across 1 h", 30 * kMinute, kHour,
             Join({{90 * kMinute, true}, {90 * kMinute + 15 * kSecond, false}}, Hourly(2, 4))},
        Busy{"across 1 h and 2 h", 30 * kMinute, 2 * kHour,
             Join({{150 * kMinute, true}, {150 * kMinute + 15 * kSecond, false}}, Hourly(3, 4))},
        Busy{"while shown", kHour + 5 * kSecond, 20 * kMinute,
             Join({{kHour, true}, {kHour + 5 * kSecond + 20 * kMinute, false}}, Hourly(2, 4))},
        Busy{"ending before 1 h", 10 * kMinute, 40 * kMinute, Hourly(1, 4)}));

TEST_P(PromotionBusyThreadTest, OverdueTickFiresOnceLate) {
  Start();
  BusyAt(GetParam().from, GetParam().duration);
  RunUntil(4 * kHour + kMinute);
  EXPECT_EQ(changes, GetParam().changes) << GetParam().what;
}

TEST_F(PromotionTest, RejectedNavigateRaisesOutOfTimer2AndSkipsTheRest) {
  Start();
  RunUntil(kHour - kMinute);
  ASSERT_FALSE(main->Timer3->Enabled());

  Browser().rejectNavigate = true;
  EXPECT_THROW(main->Timer2Timer(), platform::Exception);
  EXPECT_FALSE(Window().Visible());
  EXPECT_EQ(Window().showCount, 0);
  EXPECT_FALSE(main->Timer3->Enabled()) << "the steps after the navigate are skipped";
}

TEST_F(PromotionTest, RejectedNavigateIsReportedAndTheNextHourTriesAgain) {
  world.ui.SetTitle(L"Velmora");
  Start();
  std::wstring rejection;
  Browser().rejectNavigate = true;
  try {
    Browser().Navigate(untGG::PromotionAddress());
  } catch (const platform::Exception& e) {
    rejection = e.Message();
  }
  ASSERT_FALSE(rejection.empty());
  At(kHour + kMinute, [this] { Browser().rejectNavigate = false; });

  RunUntil(2 * kHour + kMinute);
  ASSERT_EQ(world.ui.boxes.size(), 1u);
  EXPECT_EQ(world.ui.boxes[0].text, untComm::ExceptionBoxText(rejection));
  EXPECT_EQ(world.ui.boxes[0].caption, L"Velmora");
  EXPECT_EQ(world.ui.boxes[0].flags, platform::ui::kMbOk | platform::ui::kMbIconError);
  EXPECT_EQ(changes, Hourly(2, 2)) << "not shown at 1 h";
  EXPECT_FALSE(main->Timer3->Enabled());
}

TEST_F(PromotionTest, RejectedNavigateAtCreationStillLeavesThePlacedWindow) {
  main = std::make_unique<untMain::TfrmMain>();
  untMain::frmMain = main.get();
  promotion = std::make_unique<untGG::TfrmGG>();
  untGG::frmGG = promotion.get();
  Browser().rejectNavigate = true;
  EXPECT_THROW(promotion->FormCreate(), platform::Exception);
  EXPECT_EQ(Window().GetBounds().left, 1554);
  EXPECT_EQ(world.ui.hideApplicationWindowCalls, 1) << "placed and hidden before the navigate";
  EXPECT_FALSE(Window().Visible());
}

TEST_F(PromotionTest, TimersTickingBeforeThePromotionWindowExistsDoNoHarm) {
  // A modal box of the start-up sequence lets the timers run before the program entry gets
  // to the promotion window.
  main = std::make_unique<untMain::TfrmMain>();
  untMain::frmMain = main.get();
  world.ui.RunFor(kHour + kMinute);
  EXPECT_FALSE(main->Timer3->Enabled());
  EXPECT_EQ(untGG::frmGG, nullptr);
}

// The whole program: the entry builds the promotion window right after the main window.
class PromotionProgramTest : public ProgramTest {};

TEST_F(PromotionProgramTest, EntryCreatesItHiddenAfterTheMainWindowAndTheHourShowsIt) {
  Run([&](untMain::TfrmMain& main) {
    ASSERT_NE(untGG::frmGG, nullptr);
    auto& window = dynamic_cast<SimForm&>(*untGG::frmGG->form);
    ASSERT_EQ(world.ui.forms.size(), 2u);
    EXPECT_EQ(world.ui.forms[0], &Window(main));
    EXPECT_EQ(world.ui.forms[1], &window);
    EXPECT_FALSE(window.Visible());
    EXPECT_EQ(window.GetBounds().left, 1554);
    EXPECT_EQ(window.GetBounds().top, 832);
    EXPECT_TRUE(Window(main).Visible());
    EXPECT_FALSE(world.ui.TaskBarButton());

    world.ui.RunFor(kHour + kSecond);
    EXPECT_FALSE(Window(main).Visible()) << "in the notification area by now";
    EXPECT_TRUE(window.Visible());
    world.ui.RunFor(15 * kSecond);
    EXPECT_FALSE(window.Visible());
    EXPECT_FALSE(world.ui.TaskBarButton());
    EXPECT_TRUE(world.ui.boxes.empty());
  });
  EXPECT_EQ(untGG::frmGG, nullptr) << "destroyed with the main window at exit";
}

// Without the browser control (atl.dll, OLE or the control missing) the promotion window
// cannot be built: the failure is shown once, the program runs on without it and has no
// task-bar button, and the hourly timers find nothing to do.
TEST_F(PromotionProgramTest, WithoutTheBrowserControlTheProgramRunsOnWithoutTaskBarButton) {
  world.ui.webBrowserFailure = L"atl.dll, which hosts the web browser, cannot be loaded";
  Run([&](untMain::TfrmMain& main) {
    EXPECT_EQ(untGG::frmGG, nullptr);
    ASSERT_EQ(world.ui.forms.size(), 1u) << "nothing of the promotion window is left";
    EXPECT_TRUE(Window(main).Visible());
    EXPECT_FALSE(world.ui.TaskBarButton());
    EXPECT_EQ(world.ui.hideApplicationWindowCalls, 1);

    world.ui.RunFor(3 * kHour + 30 * kSecond);
    EXPECT_FALSE(Window(main).Visible()) << "in the notification area";
    EXPECT_FALSE(world.ui.TaskBarButton());
    EXPECT_FALSE(main.Timer3->Enabled());
    Icon().DoubleClick();
    Window(main).RequestClose();
    EXPECT_FALSE(world.ui.TaskBarButton());
  });
  EXPECT_EQ(BoxTexts(),
            std::vector<std::wstring>{L"atl.dll, which hosts the web browser, cannot be loaded."});
  ASSERT_EQ(world.ui.boxes.size(), 1u);
  EXPECT_EQ(world.ui.boxes[0].caption, L"Velmora");
  EXPECT_EQ(world.ui.boxes[0].flags, platform::ui::kMbOk | platform::ui::kMbIconError);
}

}  // namespace
