// The main window as the Win32 form builder makes it from the layout table: where each
// control lies at the window's DPI, what kind of window it is, its font, colours, tab
// order, default button, and how the form answers close requests.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <memory>

#include "platform/error.h"
#include "platform/win32/ui_dpi.h"
#include "platform/win32/ui_form.h"
#include "tests/win32/ui_test_support.h"
#include "untGG/layout.h"
#include "untMain/layout.h"

namespace {

using platform::ui::ControlSpec;
using platform::ui::Kind;
using platform::win32::ScaleToDpi;
using platform::win32::Win32Form;

class MainFormTest : public ::testing::Test {
 protected:
  MainFormTest()
      : created_(ui_.app.CreateForm(untMain::MainFormLayout())),
        form_(dynamic_cast<Win32Form&>(*created_)),
        dpi_(platform::win32::WindowDpi(form_.Handle())) {}

  HWND Window(const std::wstring& name) {
    auto* control = form_.ControlNamed(name);
    EXPECT_TRUE(control) << name.size();
    return control ? control->Handle() : nullptr;
  }
  // The control's rectangle in its parent's client coordinates.
  RECT PlacedRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }
  RECT Scaled(const ControlSpec& c) {
    const int left = ScaleToDpi(c.left, dpi_), top = ScaleToDpi(c.top, dpi_);
    return RECT{left, top, left + ScaleToDpi(c.width, dpi_), top + ScaleToDpi(c.height, dpi_)};
  }
  LOGFONTW FontOf(HWND window) {
    LOGFONTW font{};
    auto handle = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    EXPECT_TRUE(handle);
    GetObjectW(handle, sizeof font, &font);
    return font;
  }
  POINT ScreenPoint(int x, int y) {
    POINT point{ScaleToDpi(x, dpi_), ScaleToDpi(y, dpi_)};
    MapWindowPoints(Window(L"grp1"), HWND_DESKTOP, &point, 1);
    return point;
  }
  static std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
  }

  uitest::UiPlatform ui_;
  std::unique_ptr<platform::ui::Form> created_;
  Win32Form& form_;
  UINT dpi_;
};

TEST_F(MainFormTest, EveryControlLiesWhereTheLayoutPutsItAtTheWindowsDpi) {
  RECT client{};
  GetClientRect(form_.Handle(), &client);
  EXPECT_EQ(client.right, ScaleToDpi(414, dpi_));
  EXPECT_EQ(client.bottom, ScaleToDpi(374, dpi_));

  for (const ControlSpec& c : form_.design.controls) {
    SCOPED_TRACE(testing::Message() << "control #" << (&c - form_.design.controls.data()));
    HWND window = Window(c.name);
    const HWND parent = c.parent.empty() ? form_.Handle() : Window(c.parent);
    EXPECT_EQ(GetParent(window), parent);
    const RECT placed = PlacedRect(window);
    if (c.alignClient) {
      RECT parentClient{};
      GetClientRect(parent, &parentClient);
      EXPECT_TRUE(EqualRect(&placed, &parentClient));
    } else if (c.autoSize) {
      // Where the table says, as large as the text in the control's font.
      EXPECT_EQ(placed.left, Scaled(c).left);
      EXPECT_EQ(placed.top, Scaled(c).top);
      HDC dc = GetDC(window);
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
      SIZE text{};
      GetTextExtentPoint32W(dc, c.text.c_str(), static_cast<int>(c.text.size()), &text);
      TEXTMETRICW metrics{};
      GetTextMetricsW(dc, &metrics);
      ReleaseDC(window, dc);
      EXPECT_EQ(placed.right - placed.left, text.cx);
      EXPECT_EQ(placed.bottom - placed.top, metrics.tmHeight);
    } else {
      const RECT expected = Scaled(c);
      EXPECT_EQ(placed.left, expected.left);
      EXPECT_EQ(placed.top, expected.top);
      EXPECT_EQ(placed.right, expected.right);
      EXPECT_EQ(placed.bottom, expected.bottom) << "a combo box is as high as the table says";
    }
  }
}

TEST_F(MainFormTest, OnAMonitorOfAnotherDpiEverythingIsLaidOutAgainAtThatDpi) {
  constexpr UINT kDpi = 144;
  RECT suggested{100, 80, 100 + 640, 80 + 600};
  SendMessageW(form_.Handle(), WM_DPICHANGED, MAKEWPARAM(kDpi, kDpi),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(form_.Dpi(), kDpi);
  RECT client{};
  GetClientRect(form_.Handle(), &client);
  EXPECT_EQ(client.right, 621);
  EXPECT_EQ(client.bottom, 561);
  EXPECT_EQ(form_.GetBounds().left, 100);
  EXPECT_EQ(form_.GetBounds().top, 80);
  const RECT save = PlacedRect(Window(L"btn3"));
  EXPECT_EQ(save.left, 338);  // 225 * 1.5, rounded as MulDiv rounds
  EXPECT_EQ(save.top, 486);
  EXPECT_EQ(save.right - save.left, 144);
  EXPECT_EQ(save.bottom - save.top, 48);
  const RECT hours = PlacedRect(Window(L"cboBackupTime"));
  EXPECT_EQ(hours.bottom - hours.top, 33) << "the closed combo box scales too";
  EXPECT_EQ(FontOf(Window(L"chkisw")).lfHeight, -21);
  EXPECT_EQ(FontOf(Window(L"btn4")).lfHeight, -21);
  EXPECT_EQ(FontOf(form_.Handle()).lfHeight, ScaleToDpi(-11, kDpi));
}

TEST_F(MainFormTest, EachKindIsItsStandardControlWithTheTablesStates) {
  for (const ControlSpec& c : form_.design.controls) {
    SCOPED_TRACE(testing::Message() << "control #" << (&c - form_.design.controls.data()));
    HWND window = Window(c.name);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    const LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    EXPECT_EQ(IsWindowEnabled(window) != 0, c.enabled);
    EXPECT_EQ((style & WS_TABSTOP) != 0, c.tabOrder >= 0);
    EXPECT_EQ(exStyle & WS_EX_CLIENTEDGE, 0) << "flat: no sunken edge";
    switch (c.kind) {
      case Kind::Edit:
        EXPECT_EQ(ClassOf(window), L"Edit");
        EXPECT_EQ((style & ES_PASSWORD) != 0, c.password);
        if (c.password) {
          EXPECT_EQ(SendMessageW(window, EM_GETPASSWORDCHAR, 0, 0), L'*');
        }
        EXPECT_EQ(uitest::TextOf(window), c.text);
        break;
      case Kind::CheckBox:
        EXPECT_EQ(ClassOf(window), L"Button");
        EXPECT_EQ(style & BS_TYPEMASK, BS_AUTOCHECKBOX);
        EXPECT_TRUE(style & BS_FLAT);
        EXPECT_EQ(SendMessageW(window, BM_GETCHECK, 0, 0), c.checked ? BST_CHECKED : BST_UNCHECKED);
        EXPECT_EQ(uitest::TextOf(window), c.text);
        break;
      case Kind::Button:
        EXPECT_EQ(ClassOf(window), L"Button");
        EXPECT_EQ(style & BS_TYPEMASK, c.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        EXPECT_EQ(uitest::TextOf(window), c.text);
        break;
      case Kind::ComboBox:
      case Kind::DropDownList: {
        EXPECT_EQ(ClassOf(window), L"ComboBox");
        EXPECT_EQ(style & 3, c.kind == Kind::ComboBox ? CBS_DROPDOWN : CBS_DROPDOWNLIST);
        ASSERT_EQ(SendMessageW(window, CB_GETCOUNT, 0, 0), static_cast<LRESULT>(c.items.size()));
        for (std::size_t i = 0; i < c.items.size(); ++i) {
          wchar_t item[32] = {};
          SendMessageW(window, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
          EXPECT_EQ(c.items[i], item);
        }
        EXPECT_EQ(uitest::TextOf(window), c.text);
        if (c.kind == Kind::ComboBox) {
          HWND edit = FindWindowExW(window, nullptr, L"Edit", nullptr);
          ASSERT_TRUE(edit);
          EXPECT_EQ(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), c.maxLength);
        }
        break;
      }
      case Kind::Label:
        EXPECT_EQ(ClassOf(window), L"Static");
        EXPECT_EQ(uitest::TextOf(window), c.text);
        EXPECT_EQ((style & SS_CENTERIMAGE) != 0, c.centerVertically);
        break;
      case Kind::GroupBox:
        EXPECT_TRUE(exStyle & WS_EX_CONTROLPARENT) << "tab goes into the group";
        break;
      case Kind::WebBrowser:
        ADD_FAILURE() << "the main window has no browser";
        break;
    }
  }
}

TEST_F(MainFormTest, ControlsTakeTheirOwnFontOrTheGroupBoxsScaledToTheDpi) {
  const ControlSpec& group = form_.design.controls.front();
  ASSERT_TRUE(group.font);
  for (const ControlSpec& c : form_.design.controls) {
    SCOPED_TRACE(testing::Message() << "control #" << (&c - form_.design.controls.data()));
    const platform::ui::Font& expected = c.font ? *c.font : *group.font;
    const LOGFONTW font = FontOf(Window(c.name));
    EXPECT_EQ(std::wstring(font.lfFaceName), expected.face);
    EXPECT_EQ(font.lfHeight, -ScaleToDpi(expected.pixelHeight, dpi_));
    EXPECT_EQ(font.lfCharSet, expected.charset);
  }
  const LOGFONTW own = FontOf(form_.Handle());
  EXPECT_EQ(std::wstring(own.lfFaceName), L"Tahoma");
  EXPECT_EQ(own.lfHeight, -ScaleToDpi(11, dpi_));
}

TEST_F(MainFormTest, EditBoxesHaveASingleLineBorder) {
  for (const ControlSpec& c : form_.design.controls) {
    if (c.kind != Kind::Edit)
      continue;
    SCOPED_TRACE(testing::Message() << "control #" << (&c - form_.design.controls.data()));
    // The box as it draws itself (frame included), whatever lies over it on the screen.
    HWND edit = Window(c.name);
    RECT rect{};
    GetWindowRect(edit, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    ASSERT_TRUE(PrintWindow(edit, memory, 0));
    const COLORREF frame = GetSysColor(COLOR_WINDOWFRAME);
    // One pixel of the frame colour at the edge, none of it inside: no 3-D edge.
    EXPECT_EQ(GetPixel(memory, 0, height / 2), frame);
    EXPECT_EQ(GetPixel(memory, width - 1, height / 2), frame);
    EXPECT_NE(GetPixel(memory, 1, height / 2), frame);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
  }
}

TEST_F(MainFormTest, TabOrderFollowsTheTableThroughTheGroupBox) {
  std::vector<const ControlSpec*> byTab;
  for (const ControlSpec& c : form_.design.controls) {
    if (c.tabOrder >= 0)
      byTab.push_back(&c);
    form_.ControlNamed(c.name)->SetEnabled(true);  // disabled controls are skipped
  }
  std::sort(byTab.begin(), byTab.end(), [](auto* a, auto* b) { return a->tabOrder < b->tabOrder; });
  HWND current = GetNextDlgTabItem(form_.Handle(), nullptr, FALSE);
  for (const ControlSpec* c : byTab) {
    EXPECT_EQ(current, Window(c->name)) << "tab " << c->tabOrder;
    current = GetNextDlgTabItem(form_.Handle(), current, FALSE);
  }
  EXPECT_EQ(current, Window(byTab.front()->name)) << "and round again";
}

TEST_F(MainFormTest, Label13IsSkyBlueAndThePasswordBoxWhiteWhileDisabled) {
  struct Case {
    const wchar_t* name;
    COLORREF colour;
  };
  for (const Case& c :
       {Case{L"label13", RGB(166, 202, 240)}, Case{L"edtBackupPass", RGB(255, 255, 255)}}) {
    HWND window = Window(c.name);
    HDC dc = GetDC(window);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(window), WM_CTLCOLORSTATIC,
                                                       reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(window)));
    LOGBRUSH logical{};
    ASSERT_TRUE(GetObjectW(brush, sizeof logical, &logical));
    EXPECT_EQ(logical.lbColor, c.colour);
    EXPECT_EQ(GetBkColor(dc), c.colour);
    ReleaseDC(window, dc);
  }
}

TEST_F(MainFormTest, WhereControlsOverlapTheLaterOneOfTheTableLiesOnTop) {
  // Away from the middle of the screen, where the windows of other tests open.
  form_.MoveTo(4, 4);
  form_.Show();
  struct Case {
    int x, y;
    const wchar_t* expected;
  };
  // edtLabel over the empty right end of chkMustLabel, edtDB over that of chkALLDB.
  for (const Case& c : {Case{240, 270, L"edtLabel"}, Case{100, 270, L"chkMustLabel"},
                        Case{210, 108, L"edtDB"}, Case{100, 108, L"chkALLDB"}}) {
    EXPECT_EQ(WindowFromPoint(ScreenPoint(c.x, c.y)), Window(c.expected)) << c.x << "," << c.y;
  }
}

TEST_F(MainFormTest, ACheckBoxClicksOnlyWhenItsStateChanges) {
  auto& box = form_.Get<platform::ui::CheckBox>(L"CheckBox2");
  int clicks = 0;
  box.OnClick = [&] { ++clicks; };
  box.SetChecked(false);
  EXPECT_EQ(clicks, 0) << "already unchecked";
  box.SetChecked(true);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(box.Checked());
  box.SetChecked(true);
  EXPECT_EQ(clicks, 1);
  // The user clicks it: it toggles, and the handler sees the new state.
  bool seen = true;
  box.OnClick = [&] {
    ++clicks;
    seen = box.Checked();
  };
  SendMessageW(Window(L"CheckBox2"), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 2);
  EXPECT_FALSE(seen);
  SendMessageW(Window(L"CheckBox2"), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 3);
  EXPECT_TRUE(seen);
}

TEST_F(MainFormTest, EnterPressesTheDefaultButtonOnlyWhileItIsEnabled) {
  auto& save = form_.Get<platform::ui::Button>(L"btn3");
  int presses = 0;
  save.OnClick = [&] { ++presses; };
  const LRESULT defId = SendMessageW(form_.Handle(), DM_GETDEFID, 0, 0);
  EXPECT_EQ(HIWORD(defId), DC_HASDEFID);
  EXPECT_EQ(LOWORD(defId), GetDlgCtrlID(Window(L"btn3")));

  form_.Show();
  SetForegroundWindow(form_.Handle());
  auto pressEnterIn = [&](const wchar_t* name) {
    SetFocus(Window(name));
    MSG key{Window(name), WM_KEYDOWN, VK_RETURN, 0x001C0001, 0, {}};
    EXPECT_TRUE(IsDialogMessageW(form_.Handle(), &key));
  };
  pressEnterIn(L"edtDB");
  pressEnterIn(L"chkisw");
  EXPECT_EQ(presses, 0) << "Save is disabled";
  save.SetEnabled(true);
  pressEnterIn(L"edtDB");
  EXPECT_EQ(presses, 1);
}

TEST_F(MainFormTest, TheHoursFieldFiltersEveryTypedCharacterAndHoldsThree) {
  auto& hours = form_.Get<platform::ui::ComboBox>(L"cboBackupTime");
  std::wstring offered;
  hours.OnKeyPress = [&](wchar_t& key) {
    offered.push_back(key);
    if (key == L'x')
      key = L'7';  // a handler may also change the key
    else if (key != L'\b' && (key < L'0' || key > L'9'))
      key = 0;
  };
  HWND edit = FindWindowExW(Window(L"cboBackupTime"), nullptr, L"Edit", nullptr);
  ASSERT_TRUE(edit);
  SetWindowTextW(edit, L"");
  for (wchar_t key : std::wstring(L"1a.x95"))
    SendMessageW(edit, WM_CHAR, key, 1);
  EXPECT_EQ(offered, L"1a.x95");
  EXPECT_EQ(hours.Text(), L"179") << "refused keys dropped, at most three characters";
  SendMessageW(edit, WM_CHAR, L'\b', 1);
  EXPECT_EQ(hours.Text(), L"17");

  // Picking from the list passes no key through the filter.
  offered.clear();
  SendMessageW(Window(L"cboBackupTime"), CB_SETCURSEL, 5, 0);
  EXPECT_EQ(hours.Text(), L"72");
  EXPECT_TRUE(offered.empty());
}

TEST_F(MainFormTest, CloseRequestsAskTheHandlerAndEndOfSessionDoesNot) {
  form_.Show();
  int asked = 0;
  bool allow = false;
  form_.OnCloseQuery = [&](bool& canClose) {
    ++asked;
    canClose = allow;
  };
  SendMessageW(form_.Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(form_.Visible());
  SendMessageW(form_.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);  // the title bar's button, Alt+F4
  EXPECT_EQ(asked, 2);
  EXPECT_TRUE(form_.Visible());
  allow = true;
  SendMessageW(form_.Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(form_.Visible()) << "closing hides";

  form_.Show();
  EXPECT_EQ(SendMessageW(form_.Handle(), WM_QUERYENDSESSION, 0, 0), TRUE) << "no handler: yes";
  form_.OnQueryEndSession = [](bool& canEnd) { canEnd = false; };
  EXPECT_EQ(SendMessageW(form_.Handle(), WM_QUERYENDSESSION, 0, 0), FALSE);
  EXPECT_EQ(asked, 3) << "the end-of-session query is no close request";
  EXPECT_TRUE(form_.Visible());
}

TEST_F(MainFormTest, TheApplicationWindowOwnsTheFormAndFollowsItUntilHiddenBehindItsBack) {
  HWND application = ui_.app.ApplicationWindow();
  EXPECT_EQ(GetWindow(form_.Handle(), GW_OWNER), application);
  EXPECT_EQ(GetAncestor(application, GA_PARENT), GetDesktopWindow()) << "a top-level window";
  EXPECT_FALSE(IsWindowVisible(application));

  form_.Show();
  EXPECT_TRUE(IsWindowVisible(application)) << "the task-bar button comes with the main form";
  form_.Hide();
  EXPECT_FALSE(IsWindowVisible(application));
  form_.Show();
  ui_.app.HideApplicationWindow();
  EXPECT_FALSE(IsWindowVisible(application));
  form_.Hide();
  form_.Show();
  EXPECT_FALSE(IsWindowVisible(application)) << "the record still says visible";

  // Minimising the main form minimises the program: the button comes back.
  SendMessageW(form_.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_FALSE(form_.Visible());
  EXPECT_TRUE(IsWindowVisible(application));
  EXPECT_TRUE(IsIconic(application));
  // Its button restores the main form.
  SendMessageW(application, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(form_.Visible());
  EXPECT_FALSE(IsIconic(application));
  form_.Hide();
  EXPECT_FALSE(IsWindowVisible(application)) << "following the main form again";
}

TEST_F(MainFormTest, TheFirstShowingCentresTheWindowOnTheDesktop) {
  const platform::ui::Bounds bounds = form_.GetBounds();
  const SIZE outer =
      platform::win32::OuterSizeForClient(ScaleToDpi(414, dpi_), ScaleToDpi(374, dpi_),
                                          GetWindowLongW(form_.Handle(), GWL_STYLE), 0, dpi_);
  EXPECT_EQ(bounds.width, outer.cx);
  EXPECT_EQ(bounds.height, outer.cy);
  form_.Show();
  const platform::ui::Bounds shown = form_.GetBounds();
  EXPECT_EQ(shown.left, GetSystemMetrics(SM_CXVIRTUALSCREEN) / 2 +
                            GetSystemMetrics(SM_XVIRTUALSCREEN) - bounds.width / 2);
  EXPECT_EQ(shown.top, GetSystemMetrics(SM_CYVIRTUALSCREEN) / 2 +
                           GetSystemMetrics(SM_YVIRTUALSCREEN) - bounds.height / 2);
  // Later showings keep the last position.
  form_.Hide();
  form_.MoveTo(10, 20);
  form_.Show();
  EXPECT_EQ(form_.GetBounds().left, 10);
  EXPECT_EQ(form_.GetBounds().top, 20);
}

TEST(BorderlessFormTest, HasNoFrameAndShowsHintsWithTheHandCursor) {
  uitest::UiPlatform ui;
  // The promotion window's own design, without the browser (its adapter has tests of its own).
  platform::ui::FormSpec design = untGG::PromotionFormLayout();
  std::erase_if(design.controls, [](const ControlSpec& c) { return c.kind == Kind::WebBrowser; });
  auto created = ui.app.CreateForm(design);
  auto& form = dynamic_cast<Win32Form&>(*created);
  const UINT dpi = platform::win32::WindowDpi(form.Handle());

  EXPECT_EQ(GetWindowLongW(form.Handle(), GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_POPUP),
            WS_POPUP);
  EXPECT_EQ(form.GetBounds().width, ScaleToDpi(366, dpi)) << "outer size = client size";
  EXPECT_EQ(form.GetBounds().height, ScaleToDpi(208, dpi));

  const auto tips = [&] {
    std::vector<HWND> found;
    for (HWND w = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); w;
         w = FindWindowExW(nullptr, w, TOOLTIPS_CLASSW, nullptr)) {
      if (GetWindow(w, GW_OWNER) == form.Handle())
        found.push_back(w);
    }
    return found;
  }();
  ASSERT_EQ(tips.size(), 1u);
  wchar_t text[64] = {};
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = form.Handle();
  tool.uId = reinterpret_cast<UINT_PTR>(form.ControlNamed(L"Button1")->Handle());
  tool.lpszText = text;
  SendMessageW(tips[0], TTM_GETTEXTW, 64, reinterpret_cast<LPARAM>(&tool));
  EXPECT_EQ(std::wstring(text), L"不感兴趣");

  HWND button = form.ControlNamed(L"Button1")->Handle();
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  SendMessageW(button, WM_SETCURSOR, reinterpret_cast<WPARAM>(button),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
}

// The windows of this thread, hidden ones and the children of each included.
int ThreadWindowCount() {
  int count = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        auto& n = *reinterpret_cast<int*>(data);
        ++n;
        EnumChildWindows(
            window,
            [](HWND, LPARAM inner) -> BOOL {
              ++*reinterpret_cast<int*>(inner);
              return TRUE;
            },
            data);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

// A form that cannot be finished (here a control whose container is missing from the table;
// in the field the browser control without atl.dll) destroys the windows it had made.
TEST(FailedFormTest, LeavesNoWindowBehindAndIsNoFormOfTheApplication) {
  uitest::UiPlatform ui;
  ui.app.ApplicationWindow();
  const int before = ThreadWindowCount();
  platform::ui::FormSpec design = untMain::MainFormLayout();
  ControlSpec orphan;
  orphan.name = L"lblOrphan";
  orphan.parent = L"grpMissing";
  design.controls.push_back(orphan);
  EXPECT_THROW(ui.app.CreateForm(design), platform::Exception);
  EXPECT_EQ(ThreadWindowCount(), before);
  EXPECT_EQ(FindWindowW(L"TfrmMain", nullptr), nullptr);
  EXPECT_EQ(ui.app.MainForm(), nullptr);
  uitest::Pump(ui.app, 50);  // nothing left to deliver messages to a form that is gone

  auto created = ui.app.CreateForm(untMain::MainFormLayout());
  EXPECT_EQ(ui.app.MainForm(), &dynamic_cast<Win32Form&>(*created));
  EXPECT_GT(ThreadWindowCount(), before);
}

}  // namespace
