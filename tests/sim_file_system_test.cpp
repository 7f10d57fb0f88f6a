// The simulated file system behaves as Windows does where the hand-over depends on it: the
// path limit, FAT's largest file, sticks that lose their data, drives without a medium, and
// the identity, listing and space of files and volumes.
#include <algorithm>

#include "platform/drives.h"
#include "platform/error.h"
#include "platform/system.h"
#include "tests/os_error_code.h"
#include "tests/sim_test.h"

using platform::sim::Drive;
using platform::sim::FileOp;

namespace {

using testsupport::ErrorOf;

std::string ReadAll(platform::File& file) {
  std::string bytes;
  for (std::string chunk; !(chunk = file.Read(platform::kDeviceReadUnit)).empty();)
    bytes += chunk;
  return bytes;
}

class SimFileSystemTest : public SimTest {
 protected:
  SimFileSystemTest() {
    world.files.AddDrive({L'G', platform::kDriveRemovable, L"stick", true, 1ull << 34});
    world.files.MakeDirectories(L"G:\\BACKUP");
    world.files.PutFile(L"C:\\tempbak\\master.bak", "backup bytes");
  }
  platform::sim::SimFileSystem& files = world.files;
};

TEST_F(SimFileSystemTest, FullPathsOfMaxPathCharactersOrMoreFail) {
  const std::wstring folder = L"G:\\" + std::wstring(240, L'f');
  files.MakeDirectories(folder);
  const std::wstring fits = folder + L"\\" + std::wstring(259 - folder.size() - 1, L'n');
  const std::wstring tooLong = fits + L"x";
  ASSERT_EQ(fits.size(), 259u);
  files.Copy(L"C:\\tempbak\\master.bak", fits, true);
  EXPECT_EQ(files.Contents(fits), "backup bytes");
  EXPECT_EQ(ErrorOf([&] { files.Copy(L"C:\\tempbak\\master.bak", tooLong, true); }),
            platform::error::kPathNotFound);
  EXPECT_EQ(ErrorOf([&] { files.CreateAlways(tooLong); }), platform::error::kPathNotFound);
  EXPECT_FALSE(files.Exists(tooLong));
}

TEST_F(SimFileSystemTest, FatTakesNoFileOf4GiBAndStopsWithDiskFull) {
  files.PutFile(L"C:\\tempbak\\big.bak", "TAPE", (4ull << 30) - 4);  // 4 GiB, zeros counted
  EXPECT_EQ(files.FileSize(L"C:\\tempbak\\big.bak"), 4ull << 30);
  files.FindDrive(L'G')->fileSystem = L"FAT32";
  EXPECT_EQ(files.FileSystemName(L"G:\\"), L"FAT32");
  EXPECT_EQ(ErrorOf([&] { files.Copy(L"C:\\tempbak\\big.bak", L"G:\\BACKUP\\big.bak", true); }),
            platform::error::kDiskFull);
  EXPECT_EQ(files.FileSize(L"G:\\BACKUP\\big.bak"), (4ull << 30) - 1) << "written up to the limit";

  files.Remove(L"G:\\BACKUP\\big.bak");
  files.FindDrive(L'G')->fileSystem = L"exFAT";
  files.Copy(L"C:\\tempbak\\big.bak", L"G:\\BACKUP\\big.bak", true);
  EXPECT_EQ(files.FileSize(L"G:\\BACKUP\\big.bak"), 4ull << 30);
  EXPECT_EQ(files.FreeBytes(L"G:\\BACKUP"), (1ull << 34) - (4ull << 30));
}

TEST_F(SimFileSystemTest, AStickThatLosesItsDataShowsItThroughTheCacheOnly) {
  files.FindDrive(L'G')->keepsData = false;
  files.Copy(L"C:\\tempbak\\master.bak", L"G:\\BACKUP\\master.bak", true);
  EXPECT_TRUE(files.Unflushed(L"G:\\BACKUP\\master.bak"));
  files.FlushToDevice(L"G:\\BACKUP\\master.bak");
  EXPECT_FALSE(files.Unflushed(L"G:\\BACKUP\\master.bak"));

  auto cached = files.OpenForRead(L"G:\\BACKUP\\master.bak");
  EXPECT_EQ(ReadAll(*cached), "backup bytes");
  auto device = files.OpenFromDevice(L"G:\\BACKUP\\master.bak");
  EXPECT_EQ(device->Size(), 12u);
  EXPECT_EQ(ReadAll(*device), std::string(12, '\0'));
  EXPECT_EQ(ErrorOf([&] { device->Read(100); }), platform::error::kInvalidParameter)
      << "reads from the device come in whole units";
}

TEST_F(SimFileSystemTest, EveryTouchOfADriveWithoutMediumAsksForADiskUnlessCriticalErrorsFail) {
  files.AddDrive({L'H', platform::kDriveRemovable, L"", false, 1ull << 30});
  const auto touch = [&] {
    files.DirectoryExists(L"H:\\BACKUP\\");
    ErrorOf([&] { files.MakeDirectory(L"H:\\BACKUP"); });
    ErrorOf([&] { files.FreeBytes(L"H:\\BACKUP"); });
  };
  world.system.errorMode = 0;
  touch();
  EXPECT_EQ(world.drives.criticalErrorBoxes, 3);
  world.system.errorMode = platform::kSemFailCriticalErrors;
  touch();
  EXPECT_EQ(world.drives.criticalErrorBoxes, 3);
  EXPECT_EQ(ErrorOf([&] { files.MakeDirectory(L"H:\\BACKUP"); }), platform::error::kNotReady);
}

TEST_F(SimFileSystemTest, FoldersListTheirFilesAndPathsNameOneFileWhateverTheirCase) {
  files.MakeDirectories(L"C:\\tempbak\\sub");
  files.PutFile(L"C:\\tempbak\\Model.bak", "m");
  auto names = files.FileNames(L"c:\\TEMPBAK");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Model.bak", L"master.bak"}));
  EXPECT_TRUE(files.SameFile(L"c:\\tempbak\\master.bak", L"C:\\Tavrix\\..\\TEMPBAK\\MASTER.BAK"));
  EXPECT_FALSE(files.SameFile(L"c:\\tempbak\\master.bak", L"c:\\tempbak\\Model.bak"));
  EXPECT_EQ(ErrorOf([&] { files.FileNames(L"C:\\none"); }), platform::error::kPathNotFound);
}

TEST_F(SimFileSystemTest, AFlushCanFailLikeAnyOperation) {
  files.PutFile(L"G:\\BACKUP\\master.bak", "x");
  files.InjectFault(FileOp::Flush, L"G:\\BACKUP\\master.bak", 1117, 1);
  EXPECT_EQ(ErrorOf([&] { files.FlushToDevice(L"G:\\BACKUP\\master.bak"); }), 1117u);
  EXPECT_EQ(ErrorOf([&] { files.FlushToDevice(L"G:\\BACKUP\\master.bak"); }), 0u);
}

}  // namespace
