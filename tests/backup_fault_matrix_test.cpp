// Every way a scheduled single-database job can fail: it returns false, never logs a success,
// and when the server had written the backup but it could not be handed over, the temporary
// backup in c:\tempbak survives and the log says where it is.
#include <functional>

#include "tests/backup_engine_fixture.h"

using platform::sim::FileOp;
using untComm::BackupSettings;

namespace {

constexpr wchar_t kCopyFailed[] =
    L"数据库备份复制失败，临时备份文件保留在: c:\\tempbak\\master220609143005.bak";

enum class Outcome {
  NothingWritten,   // the server made no backup; the log stays empty
  TemporaryKept,    // the backup stays in c:\tempbak and the log says so
  InPlaceUnlogged,  // the backup reached its destination, the log line could not be written
};

struct FaultCase {
  const char* name;
  std::function<void(BackupEngineTest&, platform::sim::World&)> arrange;
  Outcome outcome;
};

class FaultMatrixTest : public BackupEngineTest, public ::testing::WithParamInterface<FaultCase> {
 protected:
  FaultMatrixTest() {
    // Scheduled runs go to the stick in G: when it is there.
    BackupSettings.BackupToUsb = true;
    AddUsbDrive(L'G', L"stick");
  }
};

TEST_P(FaultMatrixTest, FailsWithoutASuccessLineAndNeverLosesTheOnlyCopy) {
  GetParam().arrange(*this, world);
  main->edtBackupPass.SetText(L"box");
  main->tmrBackupTimer();

  EXPECT_FALSE(AnySuccessLine()) << GetParam().name;
  const bool temporary = world.files.Exists(TempFile(L"master"));
  const bool onStick = world.files.Exists(L"G:\\BACKUP\\master220609143005.bak");
  switch (GetParam().outcome) {
    case Outcome::NothingWritten:
      EXPECT_TRUE(LogLines().empty()) << GetParam().name;
      EXPECT_FALSE(onStick) << GetParam().name;
      break;
    case Outcome::TemporaryKept:
      EXPECT_TRUE(temporary) << GetParam().name;
      EXPECT_EQ(world.files.Contents(TempFile(L"master"))->substr(0, 4), "TAPE");
      EXPECT_EQ(LogMessages(), std::vector<std::wstring>{kCopyFailed}) << GetParam().name;
      EXPECT_FALSE(onStick) << GetParam().name;
      break;
    case Outcome::InPlaceUnlogged:
      EXPECT_TRUE(onStick) << GetParam().name;
      EXPECT_FALSE(temporary) << GetParam().name;
      EXPECT_TRUE(LogLines().empty()) << GetParam().name;
      break;
  }
  // No partial file is left beside the destination (a stick pulled out takes whatever is on
  // it along).
  if (world.files.FindDrive(L'G')->hasMedium) {
    for (const std::wstring& name : world.files.List(L"G:\\BACKUP"))
      EXPECT_EQ(name, L"master220609143005.bak") << GetParam().name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultMatrixTest,
    ::testing::Values(
        FaultCase{"server down", [](auto&, auto& w) { w.server.Stop(); }, Outcome::NothingWritten},
        FaultCase{"login refused",
                  [](auto&, auto& w) {
                    BackupSettings.UseIntegratedSecurity = false;
                    BackupSettings.BackupPass = L"wrong";
                    w.server.saPassword = L"right";
                  },
                  Outcome::NothingWritten},
        FaultCase{"integrated login refused",
                  [](auto&, auto& w) { w.server.acceptIntegratedSecurity = false; },
                  Outcome::NothingWritten},
        FaultCase{"database refused", [](auto&, auto& w) { w.server.Refuse(L"master"); },
                  Outcome::NothingWritten},
        FaultCase{"no such database", [](auto&, auto&) { BackupSettings.BackupDbName = L"nosuch"; },
                  Outcome::NothingWritten},
        FaultCase{"destination parent missing",
                  [](auto&, auto&) {
                    BackupSettings.BackupToUsb = false;
                    BackupSettings.BackupPath = L"D:\\none\\bak";
                  },
                  Outcome::NothingWritten},
        FaultCase{"local folder on a drive without medium",
                  [](auto& t, auto&) {
                    BackupSettings.BackupToUsb = false;
                    t.AddUsbDrive(L'A', L"", false);
                    BackupSettings.BackupPath = L"A:\\bak";
                  },
                  Outcome::NothingWritten},
        FaultCase{"server cannot write into tempbak",
                  [](auto&, auto& w) {
                    w.files.InjectFault(FileOp::Create, BackupEngineTest::TempFile(L"master"),
                                        platform::error::kAccessDenied);
                  },
                  Outcome::NothingWritten},
        FaultCase{"drive C full while the server writes",
                  [](auto&, auto& w) { w.files.FindDrive(L'C')->capacity = 1'000; },
                  Outcome::NothingWritten},
        FaultCase{"stick full during the copy",
                  [](auto&, auto& w) { w.files.FindDrive(L'G')->capacity = 1'000; },
                  Outcome::TemporaryKept},
        FaultCase{"stick removed between the probe and the copy",
                  [](auto&, auto& w) {
                    w.files.beforeOperation = [&w](FileOp op, const std::wstring&) {
                      if (op == FileOp::Copy)
                        w.files.SetMedium(L'G', false);
                    };
                  },
                  Outcome::TemporaryKept},
        FaultCase{"stick removed before the rename",
                  [](auto&, auto& w) {
                    w.files.beforeOperation = [&w](FileOp op, const std::wstring&) {
                      if (op == FileOp::Move)
                        w.files.SetMedium(L'G', false);
                    };
                  },
                  Outcome::TemporaryKept},
        FaultCase{"stick write-protected",
                  [](auto&, auto& w) {
                    w.files.MakeDirectories(L"G:\\BACKUP");
                    w.files.InjectFault(FileOp::Copy, L"G:\\BACKUP\\master220609143005.tmp",
                                        platform::error::kAccessDenied);
                  },
                  Outcome::TemporaryKept},
        FaultCase{"log cannot be written after the file is in place",
                  [](auto&, auto& w) {
                    w.files.InjectFault(FileOp::Create, L"C:\\Tavrix\\log\\2022-06-09.txt",
                                        platform::error::kAccessDenied);
                  },
                  Outcome::InPlaceUnlogged},
        FaultCase{"log folder cannot be made after the file is in place",
                  [](auto&, auto& w) {
                    w.files.InjectFault(FileOp::MakeDirectory, L"C:\\Tavrix\\log",
                                        platform::error::kAccessDenied);
                  },
                  Outcome::InPlaceUnlogged}));

class CollisionTest : public BackupEngineTest {};

TEST_F(CollisionTest, ASecondJobInTheSameSecondFindsTheFileAndLeavesIt) {
  BackupSettings.BackupToUsb = true;
  AddUsbDrive(L'G', L"stick");
  world.server.backupMilliseconds = 300;
  ASSERT_TRUE(main->Backup(L"", L"master"));
  const auto first = world.files.Contents(L"G:\\BACKUP\\master220609143005.bak");
  ASSERT_TRUE(first.has_value());

  world.clock.Set({2022, 6, 9, 14, 30, 5, 700});
  EXPECT_FALSE(main->Backup(L"", L"master"));
  EXPECT_EQ(world.files.Contents(L"G:\\BACKUP\\master220609143005.bak"), first);
  EXPECT_EQ(world.server.backupsWritten, 2);
  EXPECT_TRUE(world.files.Exists(TempFile(L"master")));
  EXPECT_EQ(LogMessages(),
            (std::vector<std::wstring>{L"数据库备份成功: G:\\BACKUP\\master220609143005.bak",
                                       kCopyFailed}));
}

TEST_F(CollisionTest, ASecondJobInTheSameSecondOnTheSameVolumeLeavesTheFileToo) {
  world.files.MakeDirectories(L"C:\\backups");
  BackupSettings.BackupPath = L"C:\\backups";
  world.server.backupMilliseconds = 0;
  ASSERT_TRUE(main->Backup(L"", L"master"));
  EXPECT_FALSE(main->Backup(L"", L"master"));
  EXPECT_EQ(world.files.Contents(L"C:\\backups\\master220609143005.bak")->substr(0, 7), "TAPE 1 ");
  EXPECT_EQ(world.files.Contents(TempFile(L"master"))->substr(0, 7), "TAPE 2 ");
}

}  // namespace
