// The program entry: one instance per session, the order in which the windows come up, the
// application's handler for errors that escape an event handler, and timer events that are
// delivered while a modal box is open.
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/error.h"
#include "tests/startup_fixture.h"
#include "untComm/config_file.h"
#include "untComm/exception_handler.h"
#include "untGG/frmGG.h"

namespace {

using platform::sim::MessageBoxRecord;
using platform::ui::kIdYes;

constexpr std::int64_t kHour = 3'600'000;

class ProgramEntryTest : public ProgramTest {};

TEST_F(ProgramEntryTest, ASecondInstanceShowsTheNoticeAndEndsWithoutTouchingAnything) {
  world.system.existingMutexes.insert(L"TheStandard");
  WriteConfig(L"BACKUP_STARTBACKUP=1\r\n");
  bool looped = false;
  world.ui.whileLooping = [&] { looped = true; };

  EXPECT_EQ(app::RunProgram(), 0);

  ASSERT_EQ(world.ui.boxes.size(), 1u);
  EXPECT_EQ(world.ui.boxes[0].text, L"程序已经在运行中，请不要重复启动！");
  EXPECT_EQ(world.ui.boxes[0].caption, L"提示");
  EXPECT_EQ(world.ui.boxes[0].flags, platform::ui::kMbOk);
  EXPECT_FALSE(looped);
  EXPECT_EQ(world.ui.initializeCalls, 1);
  EXPECT_EQ(world.ui.Title(), L"");
  EXPECT_EQ(untComm::ConfigFile, nullptr);
  EXPECT_FALSE(world.files.Exists(L"C:\\Tavrix\\log"));
  EXPECT_TRUE(world.registry.calls.empty());
  EXPECT_TRUE(world.server.statements.empty());
  EXPECT_EQ(world.ui.hideApplicationWindowCalls, 0);
}

TEST_F(ProgramEntryTest, TheFirstInstanceHoldsTheGuardAndComesUpInOrder) {
  const int code = Run([&](untMain::TfrmMain& main) {
    EXPECT_TRUE(world.system.existingMutexes.count(L"TheStandard"));
    EXPECT_EQ(world.ui.initializeCalls, 1);
    // The icon was made under the first title, the sequence then set the second.
    EXPECT_EQ(Icon().Tooltip(), L"Orbanel");
    EXPECT_EQ(world.ui.Title(), L"Velmora");
    EXPECT_EQ(world.ui.MainForm(), &Window(main));
    EXPECT_TRUE(main.form->Visible());
    // The promotion window came after the main window was shown: the application window
    // was shown with it (the toolkit's record says so) and then hidden by the promotion.
    ASSERT_NE(untGG::frmGG, nullptr);
    EXPECT_FALSE(untGG::frmGG->form->Visible());
    EXPECT_EQ(world.ui.hideApplicationWindowCalls, 1);
    EXPECT_TRUE(world.ui.applicationWindowRecordedVisible);
    EXPECT_FALSE(world.ui.TaskBarButton());
    EXPECT_TRUE(world.ui.boxes.empty());
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(untGG::frmGG, nullptr);
  EXPECT_EQ(untMain::frmMain, nullptr);
  EXPECT_TRUE(world.ui.forms.empty());
  EXPECT_TRUE(world.ui.trayIcons.empty());
}

// Notes, at every statement the program sends, whether the main window is on screen and
// whether the promotion window exists.
class WatchingDatabase : public platform::Database {
 public:
  struct Moment {
    bool mainVisible;
    bool promotionExists;
  };
  explicit WatchingDatabase(platform::Database& real) : real_(real) {}
  std::unique_ptr<platform::Query> CreateQuery() override {
    return std::make_unique<WatchingQuery>(*this, real_.CreateQuery());
  }
  std::vector<Moment> moments;

 private:
  class WatchingQuery : public platform::Query {
   public:
    WatchingQuery(WatchingDatabase& owner, std::unique_ptr<platform::Query> real)
        : owner_(owner), real_(std::move(real)) {}
    void Close() override { real_->Close(); }
    void SetConnectionString(const std::wstring& text) override {
      real_->SetConnectionString(text);
    }
    const std::wstring& ConnectionString() const override { return real_->ConnectionString(); }
    void SetSql(const std::wstring& text) override { real_->SetSql(text); }
    void SetCommandTimeout(int seconds) override { real_->SetCommandTimeout(seconds); }
    void ExecSql() override {
      owner_.Note();
      real_->ExecSql();
    }
    void Open() override {
      owner_.Note();
      real_->Open();
    }
    bool Eof() override { return real_->Eof(); }
    std::wstring FieldAsString(const std::wstring& name) override {
      return real_->FieldAsString(name);
    }
    void Next() override { real_->Next(); }

   private:
    WatchingDatabase& owner_;
    std::unique_ptr<platform::Query> real_;
  };
  void Note() {
    moments.push_back(
        {untMain::frmMain && untMain::frmMain->form->Visible(), untGG::frmGG != nullptr});
  }
  platform::Database& real_;
};

// The start-up backup runs inside the sequence: before the window is shown, before the
// promotion window exists and before the message loop.
TEST_F(ProgramEntryTest, TheStartUpBackupRunsBeforeAnyWindowIsShown) {
  WriteConfig(L"BACKUP_STARTBACKUP=1\r\n");
  WatchingDatabase watching(world.database);
  platform::Current().database = &watching;
  int runsAtLoop = -1;
  Run([&](untMain::TfrmMain& main) {
    runsAtLoop = BackupRuns(world.server);
    EXPECT_EQ(Window(main).showCount, 1);
  });
  EXPECT_EQ(runsAtLoop, 1);
  ASSERT_FALSE(watching.moments.empty());
  for (const auto& moment : watching.moments) {
    EXPECT_FALSE(moment.mainVisible);
    EXPECT_FALSE(moment.promotionExists);
  }
}

struct BoxTextCase {
  const wchar_t* message;
  const wchar_t* shown;
};

void PrintTo(const BoxTextCase& c, std::ostream* os) {
  *os << "message of " << std::wstring(c.message).size() << " characters";
}

class ExceptionBoxTest : public ProgramTest, public ::testing::WithParamInterface<BoxTextCase> {};

TEST_P(ExceptionBoxTest, ShowsTheMessageWithAFullStopAfterCharactersAboveIt) {
  world.ui.SetTitle(L"Velmora");
  untComm::HandleExceptions([] { throw platform::Exception(GetParam().message); });
  ASSERT_EQ(world.ui.boxes.size(), 1u);
  EXPECT_EQ(world.ui.boxes[0].text, GetParam().shown);
  EXPECT_EQ(world.ui.boxes[0].caption, L"Velmora");
  EXPECT_EQ(world.ui.boxes[0].flags, platform::ui::kMbOk | platform::ui::kMbIconError);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ExceptionBoxTest,
    ::testing::Values(
        BoxTextCase{L"'abc' is not a valid integer value", L"'abc' is not a valid integer value."},
        BoxTextCase{L"Failed to set data for 'Tavrix'", L"Failed to set data for 'Tavrix'"},
        BoxTextCase{L"File access denied", L"File access denied."},
        BoxTextCase{L"already ends.", L"already ends."},
        BoxTextCase{L"ends in a dash -", L"ends in a dash -"},
        BoxTextCase{L"ends in a slash /", L"ends in a slash /."},
        BoxTextCase{L"ends in a digit 0", L"ends in a digit 0."},
        BoxTextCase{L"登录失败", L"登录失败."}, BoxTextCase{L"句号。", L"句号。."},
        BoxTextCase{L"", L""}));

TEST_F(ProgramEntryTest, TheHandlerTakesTheTitleOfTheMomentAndAlsoShowsForeignErrors) {
  world.ui.SetTitle(L"Orbanel");
  untComm::HandleExceptions([] { throw std::runtime_error("out of something"); });
  ASSERT_EQ(world.ui.boxes.size(), 1u);
  EXPECT_EQ(world.ui.boxes[0].text, L"out of something.");
  EXPECT_EQ(world.ui.boxes[0].caption, L"Orbanel");
}

// An error in a timer's handler is shown, and the timer goes on firing.
TEST_F(ProgramEntryTest, AFailingScheduledRunIsShownAndTheScheduleGoesOn) {
  world.server.listFailure =
      L"[DBNETLIB][ConnectionOpen (Connect()).]SQL Server 不存在或拒绝访问。";
  Run([&](untMain::TfrmMain&) {
    world.ui.RunFor(6 * kHour);
    world.ui.RunFor(6 * kHour);
  });
  ASSERT_EQ(world.ui.boxes.size(), 2u);
  for (const auto& box : world.ui.boxes) {
    EXPECT_EQ(box.text, *world.server.listFailure + L".");
    EXPECT_EQ(box.caption, L"Velmora");
  }
}

// The exit confirmation runs its own message loop: a backup falls due while it is open and
// runs at once; the answer is acted on afterwards.
TEST_F(ProgramEntryTest, AScheduledBackupRunsWhileTheExitConfirmationIsOpen) {
  int runsWhileOpen = -1;
  world.ui.answerBox = [&](const MessageBoxRecord&) {
    world.ui.RunFor(6 * kHour);
    runsWhileOpen = BackupRuns(world.server);
    return kIdYes;
  };
  Run([&](untMain::TfrmMain& main) {
    world.ui.RunFor(1'000);
    EXPECT_EQ(BackupRuns(world.server), 0);
    main.TrayIcon1->OnExitItem();
    EXPECT_TRUE(world.ui.terminated);
  });
  EXPECT_EQ(runsWhileOpen, 1);
  EXPECT_EQ(Messages(LogLines()).back(), L"用户退出程序。");
}

struct ScheduleCase {
  const char* name;
  const wchar_t* config;
  std::int64_t firstRun;  // hours after start; 0: never within four thousand hours
};

void PrintTo(const ScheduleCase& c, std::ostream* os) {
  *os << c.name;
}

class ScheduleTest : public ProgramTest, public ::testing::WithParamInterface<ScheduleCase> {};

// In virtual time: no run before the period is over, one exactly when it is, the next one a
// period later.
TEST_P(ScheduleTest, BacksUpExactlyEveryPeriod) {
  const ScheduleCase& c = GetParam();
  WriteConfig(c.config);
  Run([&](untMain::TfrmMain&) {
    if (c.firstRun == 0) {
      world.ui.RunFor(4'000 * kHour);
      EXPECT_EQ(BackupRuns(world.server), 0);
      return;
    }
    world.ui.RunFor(c.firstRun * kHour - 1);
    EXPECT_EQ(BackupRuns(world.server), 0);
    world.ui.RunFor(1);
    EXPECT_EQ(BackupRuns(world.server), 1);
    world.ui.RunFor(c.firstRun * kHour - 100'000);
    EXPECT_EQ(BackupRuns(world.server), 1);
    world.ui.RunFor(100'000);
    EXPECT_EQ(BackupRuns(world.server), 2);
  });
}

INSTANTIATE_TEST_SUITE_P(
    Periods, ScheduleTest,
    ::testing::Values(ScheduleCase{"Default", L"", 6},
                      ScheduleCase{"OneHour", L"BACKUP_TIME=1\r\n", 1},
                      ScheduleCase{"WithoutAutoStart", L"BACKUP_AUTOSTART=0\r\nBACKUP_TIME=3\r\n",
                                   12},
                      ScheduleCase{"LongestSingleTimer", L"BACKUP_TIME=596\r\n", 596},
                      ScheduleCase{"FirstCounted", L"BACKUP_TIME=597\r\n", 597},
                      ScheduleCase{"Longest", L"BACKUP_TIME=999\r\n", 999},
                      ScheduleCase{"Zero", L"BACKUP_TIME=0\r\n", 0},
                      ScheduleCase{"Negative", L"BACKUP_TIME=-5\r\n", 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
