// The modal dialogs of the application object: message boxes without an owner and modal to
// the whole program, and the shell's folder picker over the whole program.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <functional>
#include <memory>

#include "platform/error.h"
#include "platform/win32/ui_form.h"
#include "tests/win32/ui_test_support.h"
#include "untComm/exception_handler.h"
#include "untGG/layout.h"
#include "untMain/layout.h"

namespace {

TEST(MessageBoxTest, HasNoOwnerAndAnswersWithTheButtonsId) {
  uitest::UiPlatform ui;
  std::wstring text;
  HWND owner = reinterpret_cast<HWND>(1);
  bool hasYes = false, hasNo = false;
  uitest::WhileModal answer([&] {
    const auto boxes = uitest::ProcessWindows(L"#32770", L"警告");
    if (boxes.empty())
      return false;
    text = uitest::TextOf(GetDlgItem(boxes.front(), 0xFFFF));
    owner = GetWindow(boxes.front(), GW_OWNER);
    hasYes = GetDlgItem(boxes.front(), IDYES) != nullptr;
    hasNo = GetDlgItem(boxes.front(), IDNO) != nullptr;
    PostMessageW(boxes.front(), WM_COMMAND, IDNO, 0);
    return true;
  });
  const int result =
      ui.app.ShowMessageBox(L"确定要停止并退出吗", L"警告", MB_YESNO | MB_ICONQUESTION);
  EXPECT_EQ(result, IDNO);
  EXPECT_EQ(text, L"确定要停止并退出吗");
  EXPECT_EQ(owner, nullptr);
  EXPECT_TRUE(hasYes && hasNo);
}

// Whether the program's top-level windows take input: the main form, a second form and the
// application window.
struct Enabled {
  bool main = false, second = false, application = false;
  bool operator==(const Enabled&) const = default;
};

void PrintTo(const Enabled& e, std::ostream* os) {
  *os << "main " << e.main << ", second " << e.second << ", application " << e.application;
}

class ModalBoxTest : public ::testing::Test {
 protected:
  ModalBoxTest()
      : main_(ui_.app.CreateForm(untMain::MainFormLayout())),
        second_(ui_.app.CreateForm(Borderless())) {
    main_->Show();
  }

  static platform::ui::FormSpec Borderless() {
    platform::ui::FormSpec design = untGG::PromotionFormLayout();
    std::erase_if(design.controls, [](const platform::ui::ControlSpec& c) {
      return c.kind == platform::ui::Kind::WebBrowser;
    });
    return design;
  }
  static HWND HandleOf(platform::ui::Form& form) {
    return dynamic_cast<platform::win32::Win32Form&>(form).Handle();
  }
  Enabled Now() {
    return {IsWindowEnabled(HandleOf(*main_)) != 0, IsWindowEnabled(HandleOf(*second_)) != 0,
            IsWindowEnabled(ui_.app.ApplicationWindow()) != 0};
  }

  uitest::UiPlatform ui_;
  std::unique_ptr<platform::ui::Form> main_;
  std::unique_ptr<platform::ui::Form> second_;
};

TEST_F(ModalBoxTest, EveryWindowOfTheProgramIsDisabledWhileABoxIsOpenAndEnabledAfter) {
  ASSERT_EQ(Now(), (Enabled{true, true, true}));
  Enabled whileOpen{true, true, true};
  bool centred = false;
  uitest::WhileModal answer([&] {
    const auto boxes = uitest::ProcessWindows(L"#32770", L"Velmora");
    if (boxes.empty())
      return false;
    whileOpen = Now();
    RECT rect{};
    GetWindowRect(boxes.front(), &rect);
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    centred = std::abs((rect.left + rect.right) / 2 - width / 2) <= 2 &&
              std::abs((rect.top + rect.bottom) / 2 - height / 2) <= 2;
    PostMessageW(boxes.front(), WM_COMMAND, IDOK, 0);
    return true;
  });
  EXPECT_EQ(ui_.app.ShowMessageBox(L"保存成功！设置在软件重启后生效。", L"Velmora", MB_OK), IDOK);
  EXPECT_TRUE(answer.Done());
  EXPECT_EQ(whileOpen, (Enabled{false, false, false}));
  EXPECT_TRUE(centred) << "on the screen";
  EXPECT_EQ(Now(), (Enabled{true, true, true}));
}

// A control the program disabled itself stays disabled after the box: only what the box
// disabled is enabled again.
TEST_F(ModalBoxTest, AWindowDisabledBeforeTheBoxStaysDisabledAfterIt) {
  EnableWindow(HandleOf(*second_), FALSE);
  uitest::WhileModal answer([&] {
    const auto boxes = uitest::ProcessWindows(L"#32770", L"Velmora");
    if (boxes.empty())
      return false;
    PostMessageW(boxes.front(), WM_COMMAND, IDOK, 0);
    return true;
  });
  ui_.app.ShowMessageBox(L"测试成功！", L"Velmora", MB_OK);
  EXPECT_TRUE(answer.Done());
  EXPECT_EQ(Now(), (Enabled{true, false, true}));
}

// The error box of an event handler: the core's own handler (every handler of the program
// runs through it) and the adapter's last resort for what escapes a handler anyway.
struct TimerErrorCase {
  const char* name;
  std::function<void()> handler;
};

void PrintTo(const TimerErrorCase& c, std::ostream* os) {
  *os << c.name;
}

class TimerErrorBoxTest : public ModalBoxTest,
                          public ::testing::WithParamInterface<TimerErrorCase> {};

TEST_P(TimerErrorBoxTest, LeavesTheProgramsWindowsEnabledAfterItClosesAndTicksGoOn) {
  ui_.app.SetTitle(L"Velmora");
  int ticks = 0, boxesSeen = 0;
  auto timer = main_->CreateTimer(100, true);
  timer->OnTimer = [&] {
    if (++ticks == 1)
      GetParam().handler();
  };
  Enabled whileOpen{true, true, true};
  std::wstring text;
  int ticksWhileOpen = 0;
  uitest::WhileModal answer([&] {
    const auto boxes = uitest::ProcessWindows(L"#32770", L"Velmora");
    if (boxes.empty())
      return false;
    boxesSeen = static_cast<int>(boxes.size());
    whileOpen = Now();
    text = uitest::TextOf(GetDlgItem(boxes.front(), 0xFFFF));
    // Answered only once the timer has ticked inside the box.
    if (ticks < 3)
      return false;
    ticksWhileOpen = ticks;
    PostMessageW(boxes.front(), WM_COMMAND, IDOK, 0);
    return true;
  });
  ASSERT_TRUE(uitest::PumpUntil(
      ui_.app, [&] { return answer.Done(); }, 10000));
  EXPECT_EQ(boxesSeen, 1);
  EXPECT_EQ(text, L"I/O error 32.");
  EXPECT_EQ(whileOpen, (Enabled{false, false, false}));
  EXPECT_GE(ticksWhileOpen, 3);
  EXPECT_TRUE(uitest::PumpUntil(
      ui_.app,
      [&] {
        return Now() == Enabled{true, true, true};
      },
      2000))
      << testing::PrintToString(Now());
  EXPECT_TRUE(uitest::ProcessWindows(L"#32770", L"Velmora").empty());
  const int after = ticks;
  EXPECT_TRUE(uitest::PumpUntil(
      ui_.app, [&] { return ticks > after; }, 2000));
}

INSTANTIATE_TEST_SUITE_P(
    Handlers, TimerErrorBoxTest,
    ::testing::Values(TimerErrorCase{"the core's handler", untComm::Guarded([] {
                                       throw platform::Exception(L"I/O error 32");
                                     })},
                      TimerErrorCase{"the adapter's last resort",
                                     [] { throw platform::Exception(L"I/O error 32."); }}));

class FolderPickerTest : public ::testing::Test {
 protected:
  FolderPickerTest() : main_(ui_.app.CreateForm(untMain::MainFormLayout())) {
    main_->Show();
    main_->MoveTo(30, 40);
  }

  // The picker as it is open: its window, or null while it is not there yet.
  HWND Picker() {
    for (HWND window : uitest::ProcessWindows(L"#32770")) {
      if (GetWindow(window, GW_OWNER) == ui_.app.ApplicationWindow())
        return window;
    }
    return nullptr;
  }
  static bool HasChildWithText(HWND window, const std::wstring& text) {
    struct Search {
      const std::wstring& text;
      bool found = false;
    } search{text};
    EnumChildWindows(
        window,
        [](HWND child, LPARAM data) -> BOOL {
          auto& s = *reinterpret_cast<Search*>(data);
          s.found = s.found || uitest::TextOf(child) == s.text;
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  uitest::UiPlatform ui_;
  std::unique_ptr<platform::ui::Form> main_;
  HWND mainWindow() { return dynamic_cast<platform::win32::Win32Form&>(*main_).Handle(); }
};

TEST_F(FolderPickerTest, OpensCentredAndModalOverTheProgramAndReturnsTheChosenFolder) {
  struct Seen {
    bool open = false, mainDisabled = false, titled = false, centred = false;
    UINT errorMode = 0;
  } seen;
  const UINT modeBefore = SetErrorMode(0);
  uitest::WhileModal choose([&] {
    HWND picker = Picker();
    if (!picker || !IsWindowVisible(picker))
      return false;
    seen.open = true;
    seen.mainDisabled = !IsWindowEnabled(mainWindow());
    seen.titled = HasChildWithText(picker, L"选择目录 ");
    seen.errorMode = GetErrorMode();
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(mainWindow(), MONITOR_DEFAULTTONEAREST), &monitor);
    RECT rect{};
    GetWindowRect(picker, &rect);
    const RECT& area = monitor.rcMonitor;
    seen.centred =
        rect.left == area.left + ((area.right - area.left) - (rect.right - rect.left)) / 2 &&
        rect.top == area.top + ((area.bottom - area.top) - (rect.bottom - rect.top)) / 2;
    SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(L"C:\\windows"));
    PostMessageW(picker, WM_COMMAND, IDOK, 0);
    return true;
  });
  const auto chosen = ui_.app.PickFolder({L"选择目录 ", L" ", L""});
  EXPECT_TRUE(seen.open);
  EXPECT_TRUE(seen.mainDisabled) << "the program's windows are disabled while it is open";
  EXPECT_TRUE(seen.titled);
  EXPECT_TRUE(seen.centred) << "on the monitor nearest the main window";
  EXPECT_EQ(seen.errorMode & SEM_FAILCRITICALERRORS, static_cast<UINT>(SEM_FAILCRITICALERRORS));
  ASSERT_TRUE(chosen);
  std::wstring path = *chosen;
  CharUpperW(path.data());
  EXPECT_EQ(path, L"C:\\WINDOWS");
  EXPECT_TRUE(IsWindowEnabled(mainWindow())) << "enabled again";
  EXPECT_EQ(GetErrorMode(), 0u) << "the previous error mode is back";
  SetErrorMode(modeBefore);
}

TEST_F(FolderPickerTest, CancellingGivesNothing) {
  uitest::WhileModal cancel([&] {
    HWND picker = Picker();
    if (!picker || !IsWindowVisible(picker))
      return false;
    PostMessageW(picker, WM_COMMAND, IDCANCEL, 0);
    return true;
  });
  EXPECT_EQ(ui_.app.BrowseForFolder(L"选择目录 "), std::nullopt);
  EXPECT_TRUE(cancel.Done());
  EXPECT_TRUE(IsWindowEnabled(mainWindow()));
}

}  // namespace
