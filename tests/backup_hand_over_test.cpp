// Handing the backup over to its destination: never a truncated file under the final name,
// never the only copy lost, a move instead of a copy on the same volume, a copy proven on the
// device before the temporary backup goes, no copy begun that cannot fit.
#include <functional>

#include "tests/backup_engine_fixture.h"
#include "untComm/connection_string.h"

using platform::sim::FileOp;
using untComm::BackupSettings;
using untComm::kIntegratedConnectionString;

namespace {

constexpr wchar_t kFinal[] = L"G:\\BACKUP\\master220609143005.bak";
constexpr wchar_t kPartial[] = L"G:\\BACKUP\\master220609143005.tmp";
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
  EXPECT_FALSE(world.files.Unflushed(kFinal)) << "the copy was flushed to the stick";
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

// The stick takes every write and shows it through the system's cache, but the device holds
// other bytes; or reading it back fails; or the flush does.
struct UnprovenCase {
  const char* name;
  std::function<void(platform::sim::World&)> arrange;
};

class UnprovenCopyTest : public HandOverTest, public ::testing::WithParamInterface<UnprovenCase> {};

TEST_P(UnprovenCopyTest, IsAFailedCopy) {
  GetParam().arrange(world);
  EXPECT_FALSE(Job(L"G:\\BACKUP")) << GetParam().name;
  EXPECT_EQ(Targets(FileOp::Copy), std::vector<std::wstring>{kPartial}) << GetParam().name;
  EXPECT_TRUE(Targets(FileOp::Move).empty()) << "never renamed: " << GetParam().name;
  EXPECT_TRUE(world.files.List(L"G:\\BACKUP").empty()) << GetParam().name;
  EXPECT_EQ(ServerBytes().substr(0, 4), "TAPE") << GetParam().name;
  EXPECT_EQ(LogMessages(), std::vector<std::wstring>{kCopyFailed}) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Sticks, UnprovenCopyTest,
    ::testing::Values(UnprovenCase{"counterfeit stick",
                                   [](auto& w) { w.files.FindDrive(L'G')->keepsData = false; }},
                      UnprovenCase{"read-back fails",
                                   [](auto& w) {
                                     w.files.InjectFault(FileOp::Read, kPartial, 23 /* CRC */);
                                   }},
                      UnprovenCase{"flush fails", [](auto& w) {
                                     w.files.InjectFault(FileOp::Flush, kPartial, 1117 /* I/O */);
                                   }}));

TEST_F(HandOverTest, AMoveThatMeetsAnotherVolumeFallsBackToTheProvenCopy) {
  // C:\backups looks like drive C: but a junction on the way leads elsewhere.
  world.files.MakeDirectories(L"C:\\backups");
  const std::wstring final = L"C:\\backups\\master220609143005.bak";
  world.files.InjectFault(FileOp::Move, final, platform::error::kNotSameDevice, 1);
  ASSERT_TRUE(Job(L"C:\\backups"));
  EXPECT_EQ(Targets(FileOp::Copy),
            std::vector<std::wstring>{L"C:\\backups\\master220609143005.tmp"});
  EXPECT_EQ(Targets(FileOp::Move), (std::vector<std::wstring>{final, final}));
  EXPECT_EQ(world.files.Contents(final)->substr(0, 11), "TAPE 1 mast");
  EXPECT_FALSE(world.files.Exists(TempFile(L"master")));
  EXPECT_EQ(LogMessages(), std::vector<std::wstring>{L"数据库备份成功: " + final});
}

TEST_F(HandOverTest, AMoveFailingOtherwiseIsNoReasonToCopy) {
  world.files.MakeDirectories(L"C:\\backups");
  world.files.InjectFault(FileOp::Move, L"C:\\backups\\master220609143005.bak",
                          platform::error::kSharingViolation, 1);
  EXPECT_FALSE(Job(L"C:\\backups"));
  EXPECT_TRUE(Targets(FileOp::Copy).empty());
  EXPECT_TRUE(world.files.Exists(TempFile(L"master")));
}

TEST_F(HandOverTest, TheTemporaryFolderAsDestinationIsAFinishedHandOver) {
  for (const wchar_t* folder : {L"c:\\tempbak", L"C:\\TEMPBAK", L"C:\\Tavrix\\..\\tempbak"}) {
    SCOPED_TRACE(testing::Message() << folder);
    world.files.Remove(L"C:\\Tavrix\\log");
    world.files.Remove(TempFile(L"master"));
    world.clock.Set({2022, 6, 9, 14, 30, 5, 0});
    operations.clear();
    const std::wstring inPlace = std::wstring(folder) + L"\\master220609143005.bak";
    EXPECT_TRUE(Job(folder));
    EXPECT_TRUE(operations.empty()) << "nothing copied or moved";
    EXPECT_EQ(world.files.Contents(TempFile(L"master")).value_or("").substr(0, 4), "TAPE");
    EXPECT_EQ(LogMessages(), std::vector<std::wstring>{L"数据库备份成功: " + inPlace});
  }
}

// A destination that cannot take the backup is refused before a byte is written.
struct FitCase {
  const char* name;
  std::uint64_t backupBytes;
  std::uint64_t freeOnStick;
  const wchar_t* fileSystem;
  bool copyTried;
};

class FailFastTest : public HandOverTest, public ::testing::WithParamInterface<FitCase> {};

TEST_P(FailFastTest, ACopyIsTriedOnlyWhereItCanFit) {
  const FitCase& c = GetParam();
  world.server.backupBytes = c.backupBytes;
  world.files.MakeDirectories(L"G:\\BACKUP");
  platform::sim::Drive& stick = *world.files.FindDrive(L'G');
  stick.fileSystem = c.fileSystem;
  stick.capacity = c.freeOnStick;
  // Where the copy is tried, it fails here at once: no test copies gigabytes.
  world.files.InjectFault(FileOp::Copy, kPartial, platform::error::kAccessDenied);

  EXPECT_FALSE(Job(L"G:\\BACKUP")) << c.name;
  EXPECT_EQ(!Targets(FileOp::Copy).empty(), c.copyTried) << c.name;
  EXPECT_EQ(world.files.FileSize(TempFile(L"master")), c.backupBytes) << c.name;
  EXPECT_TRUE(world.files.List(L"G:\\BACKUP").empty()) << c.name;
  EXPECT_EQ(LogMessages(), std::vector<std::wstring>{kCopyFailed}) << c.name;
}

constexpr std::uint64_t kGiB = 1ull << 30;

INSTANTIATE_TEST_SUITE_P(
    Volumes, FailFastTest,
    ::testing::Values(FitCase{"room for exactly the backup", 10'000, 10'000, L"NTFS", true},
                      FitCase{"one byte too few", 10'000, 9'999, L"NTFS", false},
                      FitCase{"a full stick", 10'000, 0, L"FAT32", false},
                      FitCase{"FAT32 and 4 GiB", 4 * kGiB, 64 * kGiB, L"FAT32", false},
                      FitCase{"FAT and 4 GiB", 4 * kGiB, 64 * kGiB, L"FAT", false},
                      FitCase{"FAT32 and 4 GiB less a byte", 4 * kGiB - 1, 64 * kGiB, L"FAT32",
                              true},
                      FitCase{"exFAT and 4 GiB", 4 * kGiB, 64 * kGiB, L"exFAT", true},
                      FitCase{"NTFS and 4 GiB", 4 * kGiB, 64 * kGiB, L"NTFS", true}));

// The copy's temporary name never makes the path too long where the final name fits.
struct LongNameCase {
  std::size_t destinationLength;  // characters of the final full name
  bool fits;                      // MAX_PATH: 259 characters and the NUL
};

class LongNameTest : public HandOverTest, public ::testing::WithParamInterface<LongNameCase> {};

TEST_P(LongNameTest, TheTemporaryNameFitsWhereverTheFinalNameFits) {
  const std::wstring dbname(100, L'd');
  world.server.databases.push_back(dbname);
  const std::wstring fileName = dbname + L"220609143005.bak";
  const std::size_t folderLength = GetParam().destinationLength - 1 - fileName.size();
  const std::wstring folder = L"D:\\" + std::wstring(folderLength - 3, L'f');
  world.files.MakeDirectories(folder);
  const std::wstring final = folder + L"\\" + fileName;
  ASSERT_EQ(final.size(), GetParam().destinationLength);

  EXPECT_EQ(main->BackupDB(kIntegratedConnectionString, dbname, folder), GetParam().fits);
  EXPECT_EQ(world.files.Exists(final), GetParam().fits);
  EXPECT_EQ(world.files.Exists(TempFile(dbname)), !GetParam().fits);
  EXPECT_EQ(world.files.List(folder).size(), GetParam().fits ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Lengths, LongNameTest,
                         ::testing::Values(LongNameCase{200, true}, LongNameCase{252, true},
                                           LongNameCase{259, true}, LongNameCase{260, false}));

}  // namespace
