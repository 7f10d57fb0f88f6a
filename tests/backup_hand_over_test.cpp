// Handing the backup over to its destination: never a truncated file under the final name,
// never the only copy lost, a move instead of a copy on the same volume.
#include "tests/backup_engine_fixture.h"
#include "untComm/connection_string.h"

using platform::sim::FileOp;
using untComm::kIntegratedConnectionString;

namespace {

constexpr wchar_t kFinal[] = L"G:\\BACKUP\\master220609143005.bak";
constexpr wchar_t kPartial[] = L"G:\\BACKUP\\master220609143005.bak.partial";
constexpr wchar_t kCopyFailed[] =
    L"数据库备份复制失败，临时备份文件保留在: c:\\tempbak\\master220609143005.bak";

class HandOverTest : public BackupEngineTest {
 protected:
  HandOverTest() {
    AddUsbDrive(L'G', L"stick");
    world.files.beforeOperation = [this](FileOp op, const std::wstring& path) {
      if (op == FileOp::Copy || op == FileOp::Move)
        operations.push_back({op, path});
    };
  }
  bool Job(const std::wstring& path) {
    return main->BackupDB(kIntegratedConnectionString, L"master", path);
  }
  std::vector<std::wstring> Targets(FileOp op) const {
    std::vector<std::wstring> paths;
    // Each operation checks its source, then its target.
    for (std::size_t i = 1; i < operations.size(); i += 2) {
      if (operations[i].first == op)
        paths.push_back(operations[i].second);
    }
    return paths;
  }
  std::string ServerBytes() const { return *world.files.Contents(TempFile(L"master")); }

  std::vector<std::pair<FileOp, std::wstring>> operations;
};

TEST_F(HandOverTest, AcrossVolumesTheCopyIsCompletedUnderATemporaryNameThenRenamed) {
  std::string written;
  world.files.beforeOperation = [&](FileOp op, const std::wstring& path) {
    if (op == FileOp::Copy && path == kPartial)
      written = *world.files.Contents(TempFile(L"master"));
    if (op == FileOp::Copy || op == FileOp::Move)
      operations.push_back({op, path});
  };
  ASSERT_TRUE(Job(L"G:\\BACKUP"));
  EXPECT_EQ(Targets(FileOp::Copy), std::vector<std::wstring>{kPartial});
  EXPECT_EQ(Targets(FileOp::Move), std::vector<std::wstring>{kFinal});
  EXPECT_EQ(world.files.Contents(kFinal), written);
  EXPECT_EQ(world.files.List(L"G:\\BACKUP"), std::vector<std::wstring>{L"master220609143005.bak"});
  EXPECT_FALSE(world.files.Exists(TempFile(L"master")));
  EXPECT_EQ(LogMessages(), std::vector<std::wstring>{std::wstring(L"数据库备份成功: ") + kFinal});
}

TEST_F(HandOverTest, AFileOfTheFinalNameIsNeverTouched) {
  world.files.PutFile(kFinal, "earlier backup");
  EXPECT_FALSE(Job(L"G:\\BACKUP"));
  EXPECT_EQ(world.files.Contents(kFinal), "earlier backup");
  EXPECT_TRUE(Targets(FileOp::Copy).empty());
  EXPECT_EQ(ServerBytes().substr(0, 4), "TAPE");
  EXPECT_EQ(LogMessages(), std::vector<std::wstring>{kCopyFailed});
}

TEST_F(HandOverTest, AFailedRenameRemovesThePartialCopyAndKeepsTheTemporaryBackup) {
  world.files.MakeDirectories(L"G:\\BACKUP");
  world.files.InjectFault(FileOp::Move, kFinal, platform::error::kAccessDenied);
  EXPECT_FALSE(Job(L"G:\\BACKUP"));
  EXPECT_TRUE(world.files.List(L"G:\\BACKUP").empty());
  EXPECT_TRUE(world.files.Exists(TempFile(L"master")));
  EXPECT_EQ(LogMessages(), std::vector<std::wstring>{kCopyFailed});
}

TEST_F(HandOverTest, ALeftoverFileOfThePartialNameIsNotOursToRemove) {
  world.files.PutFile(kPartial, "someone else's");
  EXPECT_FALSE(Job(L"G:\\BACKUP"));
  EXPECT_EQ(world.files.Contents(kPartial), "someone else's");
  EXPECT_FALSE(world.files.Exists(kFinal));
  EXPECT_TRUE(world.files.Exists(TempFile(L"master")));
}

TEST_F(HandOverTest, OnTheSameVolumeTheTemporaryFileIsMovedNotCopied) {
  world.files.MakeDirectories(L"C:\\backups");
  ASSERT_TRUE(Job(L"C:\\backups"));
  EXPECT_TRUE(Targets(FileOp::Copy).empty());
  EXPECT_EQ(Targets(FileOp::Move),
            std::vector<std::wstring>{L"C:\\backups\\master220609143005.bak"});
  EXPECT_FALSE(world.files.Exists(TempFile(L"master")));
  EXPECT_EQ(world.files.Contents(L"C:\\backups\\master220609143005.bak")->substr(0, 11),
            "TAPE 1 mast");
  EXPECT_EQ(LogMessages(),
            std::vector<std::wstring>{L"数据库备份成功: C:\\backups\\master220609143005.bak"});
}

TEST_F(HandOverTest, TheSameVolumeIsRecognisedWhateverTheLetterCase) {
  world.files.MakeDirectories(L"C:\\backups");
  ASSERT_TRUE(Job(L"c:\\backups"));
  EXPECT_TRUE(Targets(FileOp::Copy).empty());
}

TEST_F(HandOverTest, OnTheSameVolumeAnExistingFileIsNeverReplaced) {
  world.files.PutFile(L"C:\\backups\\master220609143005.bak", "earlier backup");
  EXPECT_FALSE(Job(L"C:\\backups"));
  EXPECT_EQ(world.files.Contents(L"C:\\backups\\master220609143005.bak"), "earlier backup");
  EXPECT_TRUE(world.files.Exists(TempFile(L"master")));
  EXPECT_EQ(LogMessages(), std::vector<std::wstring>{kCopyFailed});
}

TEST_F(HandOverTest, OnTheSameVolumeAFailedMoveKeepsTheTemporaryBackup) {
  world.files.MakeDirectories(L"C:\\backups");
  world.files.InjectFault(FileOp::Move, L"C:\\backups\\master220609143005.bak",
                          platform::error::kAccessDenied);
  EXPECT_FALSE(Job(L"C:\\backups"));
  EXPECT_TRUE(world.files.Exists(TempFile(L"master")));
  EXPECT_TRUE(world.files.List(L"C:\\backups").empty());
  EXPECT_EQ(LogMessages(), std::vector<std::wstring>{kCopyFailed});
}

}  // namespace
