// The notification-area icon with Wine's shell: added at creation, answered on the callback
// message, added again on "TaskbarCreated", removed at destruction.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "platform/win32/ui_form.h"
#include "platform/win32/ui_tray_icon.h"
#include "tests/win32/ui_test_support.h"

namespace {

using platform::win32::kTrayCallbackMessage;
using platform::win32::kTrayIconId;
using platform::win32::Win32TrayIcon;

class TrayIconTest : public ::testing::Test {
 protected:
  TrayIconTest() {
    platform::ui::FormSpec design;
    design.name = L"frmTrayTest";
    design.clientWidth = 100;
    design.clientHeight = 100;
    design.font = {L"Tahoma", 11};
    form_ = ui_.app.CreateForm(design);
    icon_ = ui_.app.CreateTrayIcon(*form_, L"Orbanel", L"退出(&X)");
    icon_->OnDblClick = [this] { ++doubleClicks_; };
    icon_->OnExitItem = [this] { ++exits_; };
  }
  HWND IconWindow() { return dynamic_cast<Win32TrayIcon&>(*icon_).Window(); }
  // Whether the shell holds an icon of that window (NIM_MODIFY fails for an unknown one).
  static bool ShellHasIcon(HWND window) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = kTrayIconId;
    data.uFlags = NIF_TIP;
    wcscpy(data.szTip, L"Orbanel");
    return Shell_NotifyIconW(NIM_MODIFY, &data) != 0;
  }
  void Callback(UINT mouseMessage) {
    SendMessageW(IconWindow(), kTrayCallbackMessage, kTrayIconId, mouseMessage);
  }

  uitest::UiPlatform ui_;
  std::unique_ptr<platform::ui::Form> form_;
  std::unique_ptr<platform::ui::TrayIcon> icon_;
  int doubleClicks_ = 0;
  int exits_ = 0;
};

TEST_F(TrayIconTest, TheIconIsAddedForAHiddenTopLevelWindowAndRemovedAtTheEnd) {
  HWND window = IconWindow();
  EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow()) << "not a message-only window";
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_TRUE(ShellHasIcon(window));
  icon_.reset();
  EXPECT_FALSE(ShellHasIcon(window));
}

TEST_F(TrayIconTest, TheTooltipIsCopiedOnceAndCutAt127Characters) {
  EXPECT_EQ(icon_->Tooltip(), L"Orbanel");
  auto longer = ui_.app.CreateTrayIcon(*form_, std::wstring(200, L'长'), L"退出(&X)");
  EXPECT_EQ(longer->Tooltip(), std::wstring(127, L'长'));
  ui_.app.SetTitle(L"Velmora");
  EXPECT_EQ(icon_->Tooltip(), L"Orbanel");
}

TEST_F(TrayIconTest, ADoubleClickOfAnyButtonAndNoSingleClickRunsTheHandler) {
  for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MBUTTONUP, WM_MOUSEMOVE})
    Callback(message);
  EXPECT_EQ(doubleClicks_, 0);
  for (UINT message : {WM_LBUTTONDBLCLK, WM_MBUTTONDBLCLK, WM_RBUTTONDBLCLK})
    Callback(message);
  EXPECT_EQ(doubleClicks_, 3);
  EXPECT_EQ(exits_, 0);
}

// The shell posts the icon's messages to a disabled window too; while a box is open the icon
// takes no input, as no other window of the program does.
TEST_F(TrayIconTest, TheIconTakesNoInputWhileABoxIsOpen) {
  bool disabled = false;
  uitest::WhileModal inside([&] {
    const auto boxes = uitest::ProcessWindows(L"#32770", L"Velmora");
    if (boxes.empty())
      return false;
    disabled = !IsWindowEnabled(IconWindow());
    Callback(WM_LBUTTONDBLCLK);
    PostMessageW(boxes.front(), WM_COMMAND, IDOK, 0);
    return true;
  });
  ui_.app.ShowMessageBox(L"测试成功！", L"Velmora", MB_OK);
  EXPECT_TRUE(inside.Done());
  EXPECT_TRUE(disabled) << "the box disables the icon's window with the others";
  EXPECT_EQ(doubleClicks_, 0);
  Callback(WM_LBUTTONDBLCLK);
  EXPECT_EQ(doubleClicks_, 1) << "taken again once the box is closed";
}

TEST_F(TrayIconTest, TheRightButtonsReleaseOpensTheMenuWithTheExitItem) {
  std::wstring caption;
  bool foreground = false;
  uitest::WhileModal choose([&] {
    const auto menus = uitest::ProcessWindows(L"#32768");
    if (menus.empty())
      return false;
    auto menu = reinterpret_cast<HMENU>(SendMessageW(menus.front(), MN_GETHMENU, 0, 0));
    wchar_t text[64] = {};
    GetMenuStringW(menu, 0, text, 64, MF_BYPOSITION);
    caption = text;
    foreground = GetForegroundWindow() == ui_.app.ApplicationWindow();
    PostMessageW(menus.front(), WM_CHAR, L'x', 0);  // the item's mnemonic
    return true;
  });
  Callback(WM_RBUTTONUP);
  EXPECT_TRUE(choose.Done());
  EXPECT_EQ(caption, L"退出(&X)");
  EXPECT_TRUE(foreground) << "the application window is brought to the foreground first";
  EXPECT_EQ(exits_, 1);
  EXPECT_EQ(doubleClicks_, 0);
}

TEST_F(TrayIconTest, ClosingTheMenuWithoutAChoiceDoesNothing) {
  uitest::WhileModal dismiss([&] {
    const auto menus = uitest::ProcessWindows(L"#32768");
    if (menus.empty())
      return false;
    PostMessageW(menus.front(), WM_KEYDOWN, VK_ESCAPE, 0);
    return true;
  });
  Callback(WM_RBUTTONUP);
  EXPECT_TRUE(dismiss.Done());
  EXPECT_EQ(exits_, 0);
}

TEST_F(TrayIconTest, ARecreatedTaskBarGetsTheIconAgain) {
  HWND window = IconWindow();
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = window;
  data.uID = kTrayIconId;
  // As after a crash of the shell: the icon is gone until the program adds it again.
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
  ASSERT_FALSE(ShellHasIcon(window));
  const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  SendMessageW(window, taskbarCreated, 0, 0);
  EXPECT_TRUE(ShellHasIcon(window));
  // Announced while the icon is still there: NIM_ADD fails, NIM_MODIFY keeps it.
  SendMessageW(window, taskbarCreated, 0, 0);
  EXPECT_TRUE(ShellHasIcon(window));
}

}  // namespace
