// A program nobody watches: from its start a drive without a medium fails the call that
// touched it instead of stopping the only thread behind a system box.
#include "platform/drives.h"
#include "platform/system.h"
#include "tests/startup_fixture.h"

namespace {

class UnattendedStartTest : public ProgramTest {
 protected:
  UnattendedStartTest() {
    // The default backup folder E:\BACKUP on a card-reader slot without a card.
    world.files.AddDrive({L'E', platform::kDriveRemovable, L"", false, 1ull << 34});
    WriteConfig(L"BACKUP_STARTBACKUP=1\r\nBACKUP_ALLDB=0\r\n");
  }
  bool AnyBackupStatement() const {
    for (const auto& statement : world.server.statements) {
      if (statement.sql.rfind(L"BACKUP", 0) == 0)
        return true;
    }
    return false;
  }
};

TEST_F(UnattendedStartTest, TheProcessFailsCriticalErrorsFromItsStartKeepingInheritedModes) {
  world.system.errorMode = 0x8000;  // SEM_NOOPENFILEERRORBOX, from whoever started us
  std::uint32_t modeInLoop = 0;
  Run([&](untMain::TfrmMain&) { modeInLoop = world.system.errorMode; });
  EXPECT_EQ(modeInLoop, 0x8000u | platform::kSemFailCriticalErrors);
}

TEST_F(UnattendedStartTest, ABackupFolderOnAnEmptySlotFailsTheJobWithoutABox) {
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(world.drives.criticalErrorBoxes, 0);
  EXPECT_TRUE(world.ui.boxes.empty());
  EXPECT_FALSE(AnyBackupStatement()) << "the folder could not be made: the server is not asked";
  EXPECT_EQ(Messages(LogLines()),
            (std::vector<std::wstring>{L"程序启动。", L"增加开机自启动成功。"}));
}

TEST_F(UnattendedStartTest, WithoutTheSettingTheSameJobWouldAskForADisk) {
  // The start-up sequence's job alone, in a process that never set the mode.
  Run([&](untMain::TfrmMain& main) {
    world.system.errorMode = 0;
    main.tmrBackupTimer();
  });
  EXPECT_GT(world.drives.criticalErrorBoxes, 0);
}

}  // namespace
