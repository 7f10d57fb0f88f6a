// Every message box is modal to the whole program: while one is open the user's clicks on the
// program's controls are refused, so an impatient second click cannot start a second test or
// save behind a notice; timer ticks still arrive inside the box's loop.
#include <memory>
#include <string>
#include <vector>

#include "tests/startup_fixture.h"

namespace {

using platform::sim::FileOp;
using platform::sim::MessageBoxRecord;
using platform::sim::SimButton;
using platform::sim::SimCheckBox;
using platform::sim::SimComboBox;

constexpr std::int64_t kHour = 3'600'000;
const std::wstring kLocalNotice = L"本地备份成功。";
const std::wstring kTestNotice = L"测试成功！";
const std::wstring kSaveNotice = L"保存成功！设置在软件重启后生效。";
const std::wstring kExitQuestion = L"确定要停止并退出吗";
const std::wstring kListFailure = L"[DBNETLIB]SQL Server 不存在或拒绝访问。";

enum class Click { Test, Save };

struct ModalCase {
  const char* name;
  std::wstring box;  // the box behind which the click is queued
  Click click;
};

void PrintTo(const ModalCase& c, std::ostream* os) {
  *os << c.name;
}

// What a click could have changed.
struct Footprint {
  std::size_t statements, profileWrites, logLines, boxes;
  bool saveEnabled;
  bool operator==(const Footprint&) const = default;
};

class ModalBoxTest : public ProgramTest, public ::testing::WithParamInterface<ModalCase> {
 protected:
  ModalBoxTest() {
    world.files.AddDrive({L'D', 3, L"", true, 1ull << 40});
    world.files.MakeDirectories(L"D:\\bak");
    // A single-database run to the local folder; the schedule fails at its database list,
    // which shows the error box.
    WriteConfig(L"BACKUP_USB=0\r\nBACKUP_PATH=D:\\bak\r\n");
    world.server.listFailure = kListFailure;
    world.files.beforeOperation = [this](FileOp op, const std::wstring&) {
      profileWrites += op == FileOp::ProfileWrite;
    };
  }

  static SimButton& Button(platform::ui::Button& button) {
    return dynamic_cast<SimButton&>(button);
  }
  Footprint Now(untMain::TfrmMain& main) const {
    return {world.server.statements.size(), profileWrites, LogLines().size(), world.ui.boxes.size(),
            main.btn3.Enabled()};
  }
  int Count(const std::wstring& message) const {
    int count = 0;
    for (const auto& line : Messages(LogLines()))
      count += line == message;
    return count;
  }
  int BackupStatements() const {
    int count = 0;
    for (const auto& statement : world.server.statements)
      count += statement.sql.rfind(L"BACKUP DATABASE", 0) == 0;
    return count;
  }

  std::size_t profileWrites = 0;
};

TEST_P(ModalBoxTest, AClickQueuedBehindTheBoxIsRefusedAndTimersStillTick) {
  const ModalCase& c = GetParam();
  bool clicked = false;
  Footprint before{}, after{};
  int ticks = 0;
  world.ui.answerBox = [&](const MessageBoxRecord& box) {
    if (box.text == c.box && !clicked) {
      clicked = true;
      untMain::TfrmMain& main = *untMain::frmMain;
      before = Now(main);
      Button(c.click == Click::Test ? main.btn4 : main.btn3).UserClick();
      after = Now(main);
      // The box's own loop goes on dispatching the program's timers.
      auto timer = main.form->CreateTimer(1'000, true);
      timer->OnTimer = [&] { ++ticks; };
      world.ui.RunFor(3'000);
    }
    return box.text == kExitQuestion ? platform::ui::kIdNo : platform::ui::kIdOk;
  };

  Run([&](untMain::TfrmMain& main) {
    world.ui.RunFor(1'000);
    world.ui.boxes.clear();
    Button(main.btn4).UserClick();
    if (c.box == kListFailure + L".")
      world.ui.RunFor(6 * kHour);  // the scheduled run reports its failure
    if (c.box == kExitQuestion)
      Icon().ChooseExit();
    Button(main.btn3).UserClick();
  });

  ASSERT_TRUE(clicked) << "the box " << testing::PrintToString(c.box) << " was not shown";
  EXPECT_EQ(after, before) << "the click reached the program while the box was open";
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(BackupStatements(), 1) << "one test";
  EXPECT_EQ(profileWrites, 12u) << "one save of the twelve keys";
  EXPECT_EQ(Count(L"备份时间改成：6"), 1);
  EXPECT_EQ(Count(L"配置修改成功保存成功！设置在软件重启后生效。"), 1);
  std::vector<std::wstring> expected{kLocalNotice, kTestNotice};
  if (c.box == kListFailure + L"." || c.box == kExitQuestion)
    expected.push_back(c.box);
  expected.push_back(kSaveNotice);
  EXPECT_EQ(BoxTexts(), expected);
}

// Behind the Test's notices Save is still disabled, so only a click on Test could get through.
INSTANTIATE_TEST_SUITE_P(
    Boxes, ModalBoxTest,
    ::testing::Values(ModalCase{"Test's first notice, Test clicked", kLocalNotice, Click::Test},
                      ModalCase{"Test's last notice, Test clicked", kTestNotice, Click::Test},
                      ModalCase{"Save's notice, Test clicked", kSaveNotice, Click::Test},
                      ModalCase{"Save's notice, Save clicked", kSaveNotice, Click::Save},
                      ModalCase{"error box, Test clicked", kListFailure + L".", Click::Test},
                      ModalCase{"error box, Save clicked", kListFailure + L".", Click::Save},
                      ModalCase{"exit confirmation, Test clicked", kExitQuestion, Click::Test},
                      ModalCase{"exit confirmation, Save clicked", kExitQuestion, Click::Save}));

class ModalInputTest : public ProgramTest {};

TEST_F(ModalInputTest, NoControlTakesTheUsersInputWhileABoxIsOpenAndEveryOneDoesAfterwards) {
  Run([&](untMain::TfrmMain& main) {
    auto& all = dynamic_cast<SimCheckBox&>(main.chkALLDB);
    auto& hours = dynamic_cast<SimComboBox&>(main.cboBackupTime);
    auto& window = Window(main);
    const bool checked = all.Checked();
    world.ui.answerBox = [&](const MessageBoxRecord&) {
      all.UserClick();
      hours.TypeText(L"2");
      hours.PickItem(0);
      window.Minimize();
      Icon().ChooseExit();  // a second exit confirmation behind the first
      window.Hide();
      Icon().DoubleClick();
      EXPECT_FALSE(window.Visible()) << "the icon's double click was refused";
      window.Show();
      EXPECT_EQ(all.Checked(), checked);
      EXPECT_EQ(hours.Text(), L"6");
      EXPECT_TRUE(window.Visible());
      EXPECT_FALSE(world.ui.applicationMinimized);
      return platform::ui::kIdNo;
    };
    Icon().ChooseExit();
    ASSERT_EQ(world.ui.boxes.size(), 1u) << "one exit confirmation";
    // The same input once the box is closed.
    all.UserClick();
    hours.TypeText(L"2");
    EXPECT_NE(all.Checked(), checked);
    EXPECT_EQ(hours.Text(), L"62");
    hours.PickItem(0);
    EXPECT_EQ(hours.Text(), L"3");
    window.Minimize();
    EXPECT_TRUE(world.ui.applicationMinimized);
    window.Hide();
    Icon().DoubleClick();
    EXPECT_TRUE(window.Visible());
  });
}

}  // namespace
