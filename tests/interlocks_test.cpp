// The main window's own behaviour: the fields that follow their check boxes, the start-up
// registration box, the hours filter and the folder picker.
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/registry.h"
#include "tests/startup_fixture.h"

namespace {

using platform::sim::SimButton;
using platform::sim::SimCheckBox;
using platform::sim::SimComboBox;

// The window after a start without config.ini: every interlocked field disabled.
class MainWindowTest : public ProgramTest {
 protected:
  MainWindowTest() {
    world.system.errorMode = 0x8000;  // SEM_NOOPENFILEERRORBOX, the mode before the picker
    main = std::make_unique<untMain::TfrmMain>();
    untMain::frmMain = main.get();
    main->FormCreate();
    main->form->Show();
  }
  ~MainWindowTest() override { main.reset(); }

  SimCheckBox& Box(const wchar_t* name) { return Window(*main).Sim<SimCheckBox>(name); }
  SimComboBox& Hours() { return Window(*main).Sim<SimComboBox>(L"cboBackupTime"); }

  std::unique_ptr<untMain::TfrmMain> main;
};

struct InterlockCase {
  const wchar_t* box;
  const wchar_t* field;
};

void PrintTo(const InterlockCase& c, std::ostream* os) {
  *os << std::string(c.box, c.box + std::wcslen(c.box));
}

class InterlockTest : public MainWindowTest, public ::testing::WithParamInterface<InterlockCase> {};

TEST_P(InterlockTest, TheFieldIsEnabledExactlyWhileTheBoxIsUncheckedAndKeepsItsText) {
  SimCheckBox& box = Box(GetParam().box);
  platform::ui::Control& field = main->form->Find(GetParam().field);
  const std::wstring text = field.Text();
  ASSERT_TRUE(box.Checked());
  EXPECT_FALSE(field.Enabled());
  box.UserClick();
  EXPECT_TRUE(field.Enabled());
  EXPECT_EQ(field.Text(), text);
  field.SetText(L"edited");
  box.UserClick();
  EXPECT_FALSE(field.Enabled());
  EXPECT_EQ(field.Text(), L"edited");
  // Setting the state it already has runs nothing.
  field.SetEnabled(true);
  box.SetChecked(true);
  EXPECT_TRUE(field.Enabled());
}

INSTANTIATE_TEST_SUITE_P(Boxes, InterlockTest,
                         ::testing::Values(InterlockCase{L"chkALLDB", L"edtDB"},
                                           InterlockCase{L"chkisw", L"edtBackupPass"},
                                           InterlockCase{L"chkBacktousb", L"edtBackupPath"}));

TEST_F(MainWindowTest, NothingElseIsLinked) {
  EXPECT_TRUE(main->btn2.Enabled());  // while edtBackupPath is disabled
  Box(L"chkMustLabel").UserClick();
  EXPECT_TRUE(main->edtLabel.Enabled());
  Box(L"chkMustLabel").UserClick();
  EXPECT_TRUE(main->edtLabel.Enabled());
  Box(L"CheckBox2").UserClick();
  Box(L"chkDelteUsbBackup").UserClick();
  EXPECT_FALSE(main->edtDB.Enabled());
  EXPECT_FALSE(main->edtBackupPass.Enabled());
  EXPECT_FALSE(main->edtBackupPath.Enabled());
  EXPECT_TRUE(world.ui.boxes.empty());
}

// The registration follows the box at once, without Save.
TEST_F(MainWindowTest, TheStartUpBoxRemovesAndAddsTheRegistrationAtOnce) {
  SimCheckBox& box = Box(L"chkBackupAutoStart");
  box.UserClick();
  EXPECT_EQ(RunValue(), std::nullopt);
  box.UserClick();
  EXPECT_EQ(RunValue(), L"C:\\Tavrix\\Tavrix.exe");
  EXPECT_EQ(Messages(LogLines()),
            (std::vector<std::wstring>{
                L"程序启动。", L"增加开机自启动成功。",
                L"已经删除开机自启动项：SOFTWARE\\Microsoft\\windows\\CurrentVersion\\Run",
                L"增加开机自启动成功。"}));
  EXPECT_EQ(ConfigValue(L"BACKUP_AUTOSTART"), L"<missing>");
}

TEST_F(MainWindowTest, ARegistrationErrorIsShownAndTheBoxKeepsItsNewState) {
  SimCheckBox& box = Box(L"chkBackupAutoStart");
  box.UserClick();
  world.registry.DenyWrite(platform::RegistryRoot::LocalMachine, untComm::kRunKey);
  box.UserClick();
  EXPECT_TRUE(box.Checked());
  ASSERT_EQ(world.ui.boxes.size(), 1u);
  EXPECT_EQ(world.ui.boxes[0].text, L"Failed to set data for 'Tavrix'");
  EXPECT_EQ(world.ui.boxes[0].caption, L"Velmora");
  EXPECT_EQ(world.ui.boxes[0].flags, platform::ui::kMbOk | platform::ui::kMbIconError);
}

// The hours filter, one key at a time against a current text: does the key reach the field?
struct KeyCase {
  const wchar_t* text;
  wchar_t key;
  bool passes;
};

void PrintTo(const KeyCase& c, std::ostream* os) {
  *os << "text \"" << std::string(c.text, c.text + std::wcslen(c.text)) << "\" key "
      << static_cast<int>(c.key);
}

class HoursFilterKeyTest : public MainWindowTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(HoursFilterKeyTest, PassesOnlyDigitsBackspaceAndOneDecimalPoint) {
  main->cboBackupTime.SetText(GetParam().text);
  wchar_t key = GetParam().key;
  main->cboBackupTimeKeyPress(key);
  EXPECT_EQ(key, GetParam().passes ? GetParam().key : L'\0');
}

INSTANTIATE_TEST_SUITE_P(
    Keys, HoursFilterKeyTest,
    ::testing::Values(
        KeyCase{L"", L'0', true}, KeyCase{L"", L'5', true}, KeyCase{L"", L'9', true},
        KeyCase{L"", L'\b', true}, KeyCase{L"12", L'\b', true}, KeyCase{L"", L'.', true},
        KeyCase{L"12", L'.', true},
        // The whole text counts, also a "." that is selected.
        KeyCase{L"1.", L'.', false}, KeyCase{L".5", L'.', false}, KeyCase{L"1.5", L'7', true},
        KeyCase{L"", L'a', false}, KeyCase{L"", L'Z', false}, KeyCase{L"", L' ', false},
        KeyCase{L"", L'-', false}, KeyCase{L"", L'+', false}, KeyCase{L"", L',', false},
        KeyCase{L"", L'/', false}, KeyCase{L"", L':', false}, KeyCase{L"", L'\r', false},
        KeyCase{L"", L'\x1B', false},
        // Copy, paste and cut arrive as control characters.
        KeyCase{L"6", L'\x03', false}, KeyCase{L"6", L'\x16', false}, KeyCase{L"6", L'\x18', false},
        // Full-width digits are not digits here.
        KeyCase{L"", L'\xFF11', false}, KeyCase{L"", L'\x3002', false}));

// Typing into the field: the filter, then the field's limit of 3 characters.
struct TypingCase {
  const wchar_t* before;
  const wchar_t* typed;
  const wchar_t* after;
};

void PrintTo(const TypingCase& c, std::ostream* os) {
  *os << "\"" << std::string(c.typed, c.typed + std::wcslen(c.typed)) << "\"";
}

class HoursTypingTest : public MainWindowTest, public ::testing::WithParamInterface<TypingCase> {};

TEST_P(HoursTypingTest, LeavesTheText) {
  Hours().SetText(GetParam().before);
  Hours().TypeText(GetParam().typed);
  EXPECT_EQ(Hours().Text(), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Keystrokes, HoursTypingTest,
    ::testing::Values(TypingCase{L"", L"12.", L"12."}, TypingCase{L"", L"12.5", L"12."},
                      TypingCase{L"", L"1.2.", L"1.2"}, TypingCase{L"", L"..5", L".5"},
                      TypingCase{L"", L"a1b2", L"12"}, TypingCase{L"", L"-5", L"5"},
                      TypingCase{L"", L"9 9,9", L"999"}, TypingCase{L"6", L"\b\b24", L"24"},
                      TypingCase{L"1.", L"\b.", L"1."}, TypingCase{L"72", L"\x16\x03", L"72"}));

TEST_F(MainWindowTest, PickingFromTheListBypassesTheFilter) {
  Hours().PickItem(5);
  EXPECT_EQ(Hours().Text(), L"72");
}

TEST_F(MainWindowTest, TheFolderPickerOpensWithNothingSelectedAndCriticalErrorsSuppressed) {
  std::uint32_t modeWhileOpen = 0;
  world.ui.answerFolderPicker = [&](const std::wstring&) -> std::optional<std::wstring> {
    modeWhileOpen = world.system.errorMode;
    return L"D:\\数据\\备份";
  };
  main->edtBackupPath.SetText(L"C:\\previous");
  Window(*main).Sim<SimButton>(L"btn2").UserClick();

  ASSERT_EQ(world.ui.folderPickers.size(), 1u);
  EXPECT_EQ(world.ui.folderPickers[0].title, L"选择目录 ");
  EXPECT_EQ(world.ui.folderPickers[0].root, L" ");
  EXPECT_EQ(world.ui.folderPickers[0].initialFolder, L"");
  EXPECT_EQ(modeWhileOpen, platform::kSemFailCriticalErrors);
  EXPECT_EQ(world.system.errorMode, 0x8000u);
  // The chosen folder lands in the box although it is disabled.
  EXPECT_FALSE(main->edtBackupPath.Enabled());
  EXPECT_EQ(main->edtBackupPath.Text(), L"D:\\数据\\备份");
}

TEST_F(MainWindowTest, CancellingThePickerLeavesThePath) {
  world.ui.answerFolderPicker = [](const std::wstring&) { return std::nullopt; };
  main->edtBackupPath.SetText(L"C:\\previous");
  Window(*main).Sim<SimButton>(L"btn2").UserClick();
  EXPECT_EQ(world.ui.folderPickers.size(), 1u);
  EXPECT_EQ(main->edtBackupPath.Text(), L"C:\\previous");
  EXPECT_EQ(world.system.errorMode, 0x8000u);
  EXPECT_TRUE(world.ui.boxes.empty());
}

}  // namespace
