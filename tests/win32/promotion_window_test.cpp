// The real promotion window under Wine: TfrmGG built by the Win32 form builder right after a
// main form, as the program entry does it. Hidden, in the bottom-right corner of the work
// area, the application window hidden with it, "X" on top of the browser.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "platform/win32/ui_dpi.h"
#include "platform/win32/ui_form.h"
#include "platform/win32/web_browser.h"
#include "tests/win32/ui_test_support.h"
#include "untGG/frmGG.h"
#include "untGG/layout.h"
#include "untGG/promotion_address.h"
#include "untMain/layout.h"

namespace {

using platform::win32::ScaleToDpi;
using platform::win32::Win32Form;

class PromotionWindowTest : public ::testing::Test {
 protected:
  PromotionWindowTest() : main_(ui_.app.CreateForm(untMain::MainFormLayout())) {
    // The main window has just been shown, and the application window with it.
    main_->Show();
    untGG::CreatefrmGG(promotion_);
  }
  ~PromotionWindowTest() override { promotion_.reset(); }

  Win32Form& Form() { return dynamic_cast<Win32Form&>(*promotion_->form); }
  HWND Window() { return Form().Handle(); }
  HWND Control(const std::wstring& name) {
    auto* control = Form().ControlNamed(name);
    EXPECT_TRUE(control);
    return control ? control->Handle() : nullptr;
  }
  int Scaled(int value) { return ScaleToDpi(value, platform::win32::WindowDpi(Window())); }
  static RECT WorkArea() {
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
  }

  uitest::UiPlatform ui_;
  std::unique_ptr<platform::ui::Form> main_;
  std::unique_ptr<untGG::TfrmGG> promotion_;
};

TEST_F(PromotionWindowTest, ExistsHiddenInTheBottomRightCornerOfTheWorkArea) {
  ASSERT_EQ(untGG::frmGG, promotion_.get());
  EXPECT_TRUE(IsWindow(Window()));
  EXPECT_FALSE(IsWindowVisible(Window()));
  EXPECT_EQ(GetWindowLongW(Window(), GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_POPUP),
            WS_POPUP);

  RECT rect{};
  GetWindowRect(Window(), &rect);
  EXPECT_EQ(rect.right - rect.left, Scaled(366));
  EXPECT_EQ(rect.bottom - rect.top, Scaled(208));
  const RECT area = WorkArea();
  EXPECT_EQ(rect.left, (area.right - area.left) - Scaled(366));
  EXPECT_EQ(rect.top, (area.bottom - area.top) - Scaled(208));
}

TEST_F(PromotionWindowTest, TakesTheTaskBarButtonAwayAndIsOwnedByTheApplicationWindow) {
  const HWND application = ui_.app.ApplicationWindow();
  EXPECT_EQ(GetWindow(Window(), GW_OWNER), application);
  EXPECT_FALSE(IsWindowVisible(application));
  EXPECT_TRUE(IsWindowVisible(dynamic_cast<Win32Form&>(*main_).Handle()));
  // Hiding and showing the main window again does not bring the button back.
  main_->Hide();
  main_->Show();
  EXPECT_FALSE(IsWindowVisible(application));
}

TEST_F(PromotionWindowTest, BrowserFillsTheWindowAndHasBeenSentToThePage) {
  const HWND host = Control(L"WebBrowser1");
  wchar_t className[64] = {};
  GetClassNameW(host, className, 64);
  EXPECT_STREQ(className, L"AtlAxWin");
  RECT client{}, placed{};
  GetClientRect(Window(), &client);
  GetWindowRect(host, &placed);
  MapWindowPoints(HWND_DESKTOP, Window(), reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_TRUE(EqualRect(&client, &placed));

  auto* control =
      dynamic_cast<platform::win32::Win32BrowserControl*>(Form().ControlNamed(L"WebBrowser1"));
  ASSERT_TRUE(control);
  EXPECT_TRUE(
      uitest::PumpUntil(ui_.app, [&] { return !control->Browser()->LocationUrl().empty(); }));
  EXPECT_EQ(control->Browser()->LocationUrl(), L"http://" + untGG::PromotionAddress());
}

TEST_F(PromotionWindowTest, XLiesWhereTheTablePutsItOnTopOfTheBrowserAndHides) {
  const HWND button = Control(L"Button1");
  RECT placed{};
  GetWindowRect(button, &placed);
  MapWindowPoints(HWND_DESKTOP, Window(), reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, Scaled(310));
  EXPECT_EQ(placed.top, Scaled(8));
  EXPECT_EQ(placed.right - placed.left, Scaled(19));
  EXPECT_EQ(placed.bottom - placed.top, Scaled(17));
  EXPECT_EQ(uitest::TextOf(button), L"X");

  // Shown as Timer2 shows it, the point in the middle of "X" belongs to the button.
  promotion_->form->Show();
  uitest::Pump(ui_.app, 100);
  ASSERT_TRUE(IsWindowVisible(Window()));
  POINT middle{(placed.left + placed.right) / 2, (placed.top + placed.bottom) / 2};
  ClientToScreen(Window(), &middle);
  EXPECT_EQ(WindowFromPoint(middle), button);

  SendMessageW(button, BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindowVisible(Window()));
}

}  // namespace
