// The modal dialogs of the application object: message boxes without an owner, and the
// shell's folder picker over the whole program.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <memory>

#include "platform/win32/ui_form.h"
#include "tests/win32/ui_test_support.h"
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
