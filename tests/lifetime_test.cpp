// The program's life after start-up: hidden to the notification area, shown again, closing
// that only hides, the exit from the icon's menu, minimising and the task-bar button.
#include <string>
#include <vector>

#include "tests/startup_fixture.h"

namespace {

using platform::sim::MessageBoxRecord;
using platform::ui::kIdNo;
using platform::ui::kIdYes;

const std::wstring kStarted = L"程序启动。";
const std::wstring kRegistered = L"增加开机自启动成功。";
const std::wstring kExit = L"用户退出程序。";

class LifetimeTest : public ProgramTest {};

TEST_F(LifetimeTest, ShownAtStartAndHiddenToTheNotificationAreaOneSecondLater) {
  Run([&](untMain::TfrmMain& main) {
    EXPECT_TRUE(main.form->Visible());
    EXPECT_EQ(Window(main).showCount, 1);
    world.ui.RunFor(999);
    EXPECT_TRUE(main.form->Visible());
    world.ui.RunFor(1);
    EXPECT_FALSE(main.form->Visible());
    EXPECT_FALSE(main.Timer1->Enabled());
    world.ui.RunFor(24 * 3'600'000);
    EXPECT_FALSE(main.form->Visible());
    EXPECT_EQ(Window(main).showCount, 1);
    EXPECT_EQ(world.ui.trayIcons.size(), 1u);
  });
}

TEST_F(LifetimeTest, ClosingHidesAndADoubleClickOnTheIconShowsAgain) {
  Run([&](untMain::TfrmMain& main) {
    world.ui.RunFor(1'000);
    Icon().DoubleClick();
    EXPECT_TRUE(main.form->Visible());
    // Brought to the top of the program's windows, above the promotion window.
    for (const auto* form : world.ui.forms)
      EXPECT_LE(form->lastShownOrder, Window(main).lastShownOrder);
    Window(main).RequestClose();
    EXPECT_FALSE(main.form->Visible());
    EXPECT_FALSE(world.ui.terminated);
    EXPECT_EQ(world.ui.trayIcons.size(), 1u);
    Icon().DoubleClick();
    EXPECT_TRUE(main.form->Visible());
  });
  EXPECT_EQ(Messages(LogLines()), (std::vector<std::wstring>{kStarted, kRegistered}));
}

TEST_F(LifetimeTest, TheEndOfSessionQueryIsAnsweredYes) {
  Run([&](untMain::TfrmMain& main) {
    Icon().DoubleClick();
    EXPECT_TRUE(Window(main).QueryEndSession());
    world.ui.RunFor(1'000);
    EXPECT_TRUE(Window(main).QueryEndSession());
  });
  EXPECT_EQ(Messages(LogLines()), (std::vector<std::wstring>{kStarted, kRegistered}));
}

TEST_F(LifetimeTest, ExitAnsweredNoChangesNothing) {
  world.ui.answerBox = [](const MessageBoxRecord&) { return kIdNo; };
  Run([&](untMain::TfrmMain& main) {
    Icon().ChooseExit();
    EXPECT_FALSE(world.ui.terminated);
    EXPECT_TRUE(main.form->Visible());
    EXPECT_EQ(world.ui.trayIcons.size(), 1u);
  });
  ASSERT_EQ(world.ui.boxes.size(), 1u);
  EXPECT_EQ(world.ui.boxes[0].text, L"确定要停止并退出吗");
  EXPECT_EQ(world.ui.boxes[0].caption, L"警告");
  EXPECT_EQ(world.ui.boxes[0].flags, platform::ui::kMbYesNo | platform::ui::kMbIconQuestion);
  EXPECT_EQ(Messages(LogLines()), (std::vector<std::wstring>{kStarted, kRegistered}));
}

// The error box is answered before termination is requested: on Windows a pending quit
// closes a message box at once, and the user would never see why.
TEST_F(LifetimeTest, ExitAnsweredYesShowsTheErrorFirstThenEndsWhenTheLogCannotBeWritten) {
  bool terminatedWhileErrorShown = true;
  const int code = Run([&](untMain::TfrmMain&) {
    world.files.LockExclusive(L"C:\\Tavrix\\log\\2022-06-09.txt");
    world.ui.answerBox = [&](const MessageBoxRecord& box) {
      if (box.flags & platform::ui::kMbYesNo)
        return kIdYes;
      terminatedWhileErrorShown = world.ui.terminated;
      return platform::ui::kIdOk;
    };
    Icon().ChooseExit();
    EXPECT_TRUE(world.ui.terminated);
  });
  EXPECT_EQ(code, 0);
  ASSERT_EQ(world.ui.boxes.size(), 2u);
  EXPECT_EQ(world.ui.boxes[1].text, L"I/O error 32.");
  EXPECT_EQ(world.ui.boxes[1].caption, L"Velmora");
  EXPECT_EQ(world.ui.boxes[1].flags, platform::ui::kMbOk | platform::ui::kMbIconError);
  EXPECT_FALSE(terminatedWhileErrorShown);
  EXPECT_TRUE(world.ui.trayIcons.empty());
}

TEST_F(LifetimeTest, ExitAnsweredYesLogsEndsTheLoopAndRemovesTheIcon) {
  world.ui.answerBox = [](const MessageBoxRecord&) { return kIdYes; };
  const int code = Run([&](untMain::TfrmMain& main) {
    world.ui.RunFor(5'000);
    Icon().DoubleClick();
    Icon().ChooseExit();
    EXPECT_TRUE(world.ui.terminated);
    // Termination does not pass through the close query: the window is not hidden first.
    EXPECT_TRUE(main.form->Visible());
    // Nothing more is dispatched once termination is requested.
    world.ui.RunFor(3'600'000);
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(Messages(LogLines()), (std::vector<std::wstring>{kStarted, kRegistered, kExit}));
  EXPECT_TRUE(world.ui.trayIcons.empty());
  EXPECT_TRUE(world.ui.forms.empty());
  EXPECT_EQ(untMain::frmMain, nullptr);
  // The program starts with Windows again.
  EXPECT_EQ(RunValue(), L"C:\\Tavrix\\Tavrix.exe");
}

// After start-up the program has no task-bar button, however often the window comes and
// goes, until the user minimises it: from then on the button is there exactly while the
// window is.
TEST_F(LifetimeTest, TheTaskBarButtonComesBackOnlyAfterMinimising) {
  Run([&](untMain::TfrmMain& main) {
    EXPECT_TRUE(main.form->Visible());
    EXPECT_FALSE(world.ui.TaskBarButton());
    world.ui.RunFor(1'000);
    EXPECT_FALSE(world.ui.TaskBarButton());
    Icon().DoubleClick();
    EXPECT_FALSE(world.ui.TaskBarButton());
    Window(main).RequestClose();
    Icon().DoubleClick();
    EXPECT_FALSE(world.ui.TaskBarButton());

    Window(main).Minimize();
    EXPECT_FALSE(main.form->Visible());
    EXPECT_TRUE(world.ui.TaskBarButton());
    world.ui.ActivateTaskBarButton();
    EXPECT_TRUE(main.form->Visible());
    EXPECT_TRUE(world.ui.TaskBarButton());

    Window(main).RequestClose();
    EXPECT_FALSE(world.ui.TaskBarButton());
    Icon().DoubleClick();
    EXPECT_TRUE(world.ui.TaskBarButton());
  });
}

TEST_F(LifetimeTest, TheIconsMenuOffersTheExitItem) {
  Run([&](untMain::TfrmMain&) { EXPECT_EQ(Icon().exitCaption, L"退出(&X)"); });
}

}  // namespace
