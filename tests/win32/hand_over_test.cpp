// What a proven hand-over needs from the Win32 file service, and the hand-over itself over
// real files: from the temporary folder on C: to the test prefix's removable E:.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "platform/error.h"
#include "platform/services.h"
#include "platform/win32/file_system.h"
#include "tests/os_error_code.h"
#include "tests/win32/adapter_test_main.h"
#include "untMain/backup_hand_over.h"

using win32test::ReadBytes;
using win32test::UnderWine;
using win32test::WriteBytes;

namespace {

using testsupport::ErrorOf;

// Bytes that differ from chunk to chunk, a little over three 1 MiB chunks.
std::string BackupBytes() {
  std::string bytes(3 * 1024 * 1024 + 123, '\0');
  std::uint32_t x = 12345;
  for (char& c : bytes) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return bytes;
}

// The whole file (ReadBytes reads its first 64 KiB only).
std::string WholeFile(platform::FileSystem& files, const std::wstring& path) {
  auto file = files.OpenForRead(path);
  std::string bytes;
  for (std::string chunk; !(chunk = file->Read(1 << 20)).empty();)
    bytes += chunk;
  return bytes;
}

class FileServiceTest : public ::testing::Test {
 protected:
  platform::win32::Win32FileSystem files_;
  win32test::TempFolder folder_;
};

TEST_F(FileServiceTest, ReadsFromTheDeviceComeInWholeUnitsAndEndWithTheRest) {
  const std::string bytes = BackupBytes();
  const std::wstring path = folder_ / L"master.bak";
  WriteBytes(path, bytes);
  files_.FlushToDevice(path);
  EXPECT_EQ(files_.FileSize(path), bytes.size());

  auto device = files_.OpenFromDevice(path);
  EXPECT_EQ(device->Size(), bytes.size());
  std::string read;
  for (std::string chunk; !(chunk = device->Read(1024 * 1024)).empty();)
    read += chunk;
  EXPECT_TRUE(read == bytes) << read.size() << " bytes read";
  EXPECT_EQ(ErrorOf([&] { device->Read(1000); }),
            static_cast<std::uint32_t>(ERROR_INVALID_PARAMETER));
  device->Close();

  auto cached = files_.OpenForRead(path);
  EXPECT_EQ(cached->Read(10), bytes.substr(0, 10));
}

TEST_F(FileServiceTest, MissingFilesRaiseTheirCode) {
  const std::wstring missing = folder_ / L"missing.bak";
  EXPECT_EQ(ErrorOf([&] { files_.FileSize(missing); }), platform::error::kFileNotFound);
  EXPECT_EQ(ErrorOf([&] { files_.FlushToDevice(missing); }), platform::error::kFileNotFound);
  EXPECT_EQ(ErrorOf([&] { files_.OpenFromDevice(missing); }), platform::error::kFileNotFound);
  EXPECT_EQ(ErrorOf([&] { files_.FileNames(folder_ / L"none"); }), platform::error::kPathNotFound);
}

TEST_F(FileServiceTest, TheFolderListsItsFilesOnly) {
  EXPECT_TRUE(files_.FileNames(folder_.Path()).empty());
  WriteBytes(folder_ / L"master220609143005.bak", "a");
  WriteBytes(folder_ / L"备份库220609143005.bak", "b");
  CreateDirectoryW((folder_ / L"master220609143006.bak").c_str(), nullptr);
  auto names = files_.FileNames(folder_.Path());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names,
            (std::vector<std::wstring>{L"master220609143005.bak", L"备份库220609143005.bak"}));
  RemoveDirectoryW((folder_ / L"master220609143006.bak").c_str());
}

TEST_F(FileServiceTest, OneFileIsRecognisedWhateverWayLeadsThere) {
  WriteBytes(folder_ / L"master.bak", "a");
  WriteBytes(folder_ / L"model.bak", "b");
  std::wstring upper = folder_ / L"MASTER.BAK";
  EXPECT_TRUE(files_.SameFile(folder_ / L"master.bak", upper));
  EXPECT_TRUE(files_.SameFile(folder_ / L"master.bak",
                              folder_ / L"..\\" +
                                  folder_.Path().substr(folder_.Path().rfind(L'\\') + 1) +
                                  L"\\master.bak"));
  EXPECT_FALSE(files_.SameFile(folder_ / L"master.bak", folder_ / L"model.bak"));
}

TEST_F(FileServiceTest, VolumesTellTheirFreeSpaceAndFileSystem) {
  EXPECT_GT(files_.FreeBytes(folder_.Path()), 0u);
  EXPECT_FALSE(files_.FileSystemName(files_.VolumeRoot(folder_.Path())).empty());
  if (!UnderWine())
    return;
  // F: of the test prefix is a removable drive without a medium.
  EXPECT_NE(ErrorOf([&] { files_.FreeBytes(L"F:\\"); }), 0u);
}

// The core's hand-over over the real file service.
class RealHandOverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UnderWine())
      GTEST_SKIP() << "E: is the removable drive of the Wine test prefix";
    services_.files = &files_;
    platform::Install(services_);
    destination_ = L"E:\\tavrix-hand-over-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(destination_.c_str(), nullptr);
  }
  void TearDown() override {
    if (destination_.empty())
      return;
    for (const auto& name : files_.FileNames(destination_))
      files_.Delete(destination_ + L"\\" + name);
    RemoveDirectoryW(destination_.c_str());
    platform::Install({});
  }

  platform::win32::Win32FileSystem files_;
  platform::Services services_;
  win32test::TempFolder temp_;  // on C:, as c:\tempbak
  std::wstring destination_;
};

TEST_F(RealHandOverTest, ACopyToAnotherDriveIsProvenThenRenamed) {
  const std::string bytes = BackupBytes();
  const std::wstring tempFile = temp_ / L"master220609143005.bak";
  WriteBytes(tempFile, bytes);
  const std::wstring final = destination_ + L"\\master220609143005.bak";
  ASSERT_NE(files_.VolumeRoot(tempFile), files_.VolumeRoot(destination_));

  EXPECT_EQ(untMain::HandOverBackup(tempFile, destination_, final), untMain::HandOver::Done);
  EXPECT_TRUE(WholeFile(files_, final) == bytes);
  EXPECT_EQ(files_.FileNames(destination_), std::vector<std::wstring>{L"master220609143005.bak"});
  EXPECT_FALSE(files_.FileExists(tempFile));
}

TEST_F(RealHandOverTest, AFileOfTheFinalNameStaysAndSoDoesTheTemporaryBackup) {
  const std::wstring tempFile = temp_ / L"master220609143005.bak";
  WriteBytes(tempFile, "new backup");
  const std::wstring final = destination_ + L"\\master220609143005.bak";
  WriteBytes(final, "earlier backup");
  EXPECT_EQ(untMain::HandOverBackup(tempFile, destination_, final), untMain::HandOver::Failed);
  EXPECT_EQ(ReadBytes(final), "earlier backup");
  EXPECT_EQ(ReadBytes(tempFile), "new backup");
}

TEST_F(RealHandOverTest, TheTemporaryFolderAsDestinationIsInPlace) {
  const std::wstring tempFile = temp_ / L"master220609143005.bak";
  WriteBytes(tempFile, "backup");
  std::wstring upper = temp_.Path();
  CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  EXPECT_EQ(untMain::HandOverBackup(tempFile, upper, upper + L"\\master220609143005.bak"),
            untMain::HandOver::InPlace);
  EXPECT_EQ(ReadBytes(tempFile), "backup");
}

}  // namespace
