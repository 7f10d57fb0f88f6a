// Copy, move, delete and the volume of a path over real files in the test prefix.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/error.h"
#include "platform/win32/file_system.h"
#include "platform/win32/handle.h"
#include "tests/os_error_code.h"
#include "tests/win32/adapter_test_main.h"

using win32test::ReadBytes;
using win32test::WriteBytes;

namespace {

using testsupport::ErrorOf;

using win32test::UnderWine;

class FileCopyTest : public ::testing::Test {
 protected:
  FileCopyTest() { WriteBytes(source_, "backup data"); }

  platform::win32::Win32FileSystem files_;
  win32test::TempFolder folder_;
  const std::wstring source_ = folder_ / L"master251210120000.bak";
  const std::wstring target_ = folder_ / L"copy.bak";
};

TEST_F(FileCopyTest, ACopyToANewNameLeavesTheSource) {
  files_.Copy(source_, target_, true);
  EXPECT_EQ(ReadBytes(target_), "backup data");
  EXPECT_EQ(ReadBytes(source_), "backup data");
}

TEST_F(FileCopyTest, ACopyWithFailIfExistsNeverOverwrites) {
  WriteBytes(target_, "earlier backup");
  EXPECT_EQ(ErrorOf([&] { files_.Copy(source_, target_, true); }), platform::error::kFileExists);
  EXPECT_EQ(ReadBytes(target_), "earlier backup");
}

TEST_F(FileCopyTest, ACopyWithoutFailIfExistsReplaces) {
  WriteBytes(target_, "earlier backup");
  files_.Copy(source_, target_, false);
  EXPECT_EQ(ReadBytes(target_), "backup data");
}

TEST_F(FileCopyTest, ACopyFromOrIntoNothingRaisesItsCode) {
  EXPECT_EQ(ErrorOf([&] { files_.Copy(folder_ / L"missing.bak", target_, true); }),
            platform::error::kFileNotFound);
  EXPECT_EQ(ErrorOf([&] { files_.Copy(source_, folder_ / L"missing\\copy.bak", true); }),
            platform::error::kPathNotFound);
  EXPECT_EQ(ReadBytes(target_), "<missing>");
}

// CopyFileW opens its source for reading: a writer that does not share reading refuses it.
// (Windows' copy shares read and delete only, so a writer sharing read refuses it as well;
// Wine's copy also shares write, so that case is checked on the sim alone.)
class CopyWhileWrittenTest : public FileCopyTest, public ::testing::WithParamInterface<DWORD> {};

TEST_P(CopyWhileWrittenTest, ACopyOfASourceHeldByAWriterWithoutReadSharingIsASharingViolation) {
  platform::win32::UniqueHandle writer(
      CreateFileW(source_.c_str(), GENERIC_WRITE, GetParam(), nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(writer.valid());
  EXPECT_EQ(ErrorOf([&] { files_.Copy(source_, target_, true); }),
            platform::error::kSharingViolation);
  EXPECT_EQ(ReadBytes(target_), "<missing>");
  writer.reset();
  EXPECT_EQ(ErrorOf([&] { files_.Copy(source_, target_, true); }), 0u);
  EXPECT_EQ(ReadBytes(target_), "backup data");
}

INSTANTIATE_TEST_SUITE_P(ShareModes, CopyWhileWrittenTest,
                         ::testing::Values(DWORD{0}, DWORD{FILE_SHARE_WRITE},
                                           DWORD{FILE_SHARE_WRITE | FILE_SHARE_DELETE}));

TEST_F(FileCopyTest, AMoveRenamesOnTheSameVolume) {
  files_.Move(source_, target_);
  EXPECT_EQ(ReadBytes(target_), "backup data");
  EXPECT_FALSE(files_.FileExists(source_));
}

TEST_F(FileCopyTest, AMoveNeverReplacesAnExistingFile) {
  WriteBytes(target_, "earlier backup");
  EXPECT_EQ(ErrorOf([&] { files_.Move(source_, target_); }), platform::error::kAlreadyExists);
  EXPECT_EQ(ReadBytes(target_), "earlier backup");
  EXPECT_EQ(ReadBytes(source_), "backup data");
}

TEST_F(FileCopyTest, AMoveDoesNotCopyAcrossVolumes) {
  // Under Wine every drive letter is a Linux folder; /dev/shm is another file system.
  const std::wstring otherVolume = L"Z:\\dev\\shm";
  if (!UnderWine() || !files_.DirectoryExists(otherVolume))
    GTEST_SKIP() << "needs Wine's drive Z: with /dev/shm on a file system of its own";
  ASSERT_NE(files_.VolumeRoot(otherVolume + L"\\x"), files_.VolumeRoot(source_));
  const std::wstring elsewhere =
      otherVolume + L"\\tavrix-move-" + std::to_wstring(GetCurrentProcessId()) + L".bak";
  EXPECT_EQ(ErrorOf([&] { files_.Move(source_, elsewhere); }),
            static_cast<std::uint32_t>(ERROR_NOT_SAME_DEVICE));
  EXPECT_FALSE(files_.FileExists(elsewhere));
  EXPECT_EQ(ReadBytes(source_), "backup data");
  files_.Delete(elsewhere);
}

TEST_F(FileCopyTest, DeleteReportsWhetherAFileWent) {
  EXPECT_TRUE(files_.Delete(source_));
  EXPECT_FALSE(files_.FileExists(source_));
  EXPECT_FALSE(files_.Delete(source_));
}

struct VolumeCase {
  const wchar_t* path;
  const wchar_t* root;
  bool testDrive;  // on a drive of the Wine test prefix (cmake/wine-env)
};

// Paths need not exist, and the roots come in upper case whatever case the path was given in,
// so that the temporary folder and a destination on the same volume compare equal.
constexpr VolumeCase kVolumeCases[] = {
    {L"C:\\tempbak", L"C:\\", false},
    {L"c:\\tempbak\\master251210120000.bak", L"C:\\", false},
    {L"E:\\BACKUP", L"E:\\", true},
    {L"E:\\BACKUP\\master251210120000.bak", L"E:\\", true},
    {L"Z:\\dev\\shm\\x.bak", L"Z:\\DEV\\SHM\\", true},  // another Linux file system
    {L"z:\\Dev\\Shm\\x.bak", L"Z:\\DEV\\SHM\\", true},
};

TEST(VolumeRootTest, EachPathLiesOnItsVolume) {
  platform::win32::Win32FileSystem files;
  for (const VolumeCase& c : kVolumeCases) {
    if (c.testDrive && !UnderWine())
      continue;
    SCOPED_TRACE(testing::Message() << static_cast<int>(&c - kVolumeCases));
    EXPECT_EQ(files.VolumeRoot(c.path), c.root);
  }
}

class TestDriveVolumeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UnderWine())
      GTEST_SKIP() << "the test drives are those of the Wine test prefix";
  }
  platform::win32::Win32FileSystem files_;
};

TEST_F(TestDriveVolumeTest, TheTemporaryFolderAndTheRemovableDriveAreTwoVolumes) {
  EXPECT_NE(files_.VolumeRoot(L"C:\\tempbak"), files_.VolumeRoot(L"E:\\BACKUP"));
}

TEST_F(TestDriveVolumeTest, ADriveWithoutMediumHasNoVolume) {
  EXPECT_NE(ErrorOf([&] { files_.VolumeRoot(L"F:\\BACKUP"); }), 0u);
}

}  // namespace
