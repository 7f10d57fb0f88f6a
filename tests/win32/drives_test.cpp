// The drive probes against the test prefix's drives (cmake/wine-env): C: and Z: fixed,
// E: removable with the label 备份U盘, F: removable without a medium, Q: not mapped. On
// Windows, where those drives do not exist, only the tests that need none of them run.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "platform/services.h"
#include "platform/win32/drives.h"
#include "platform/win32/system.h"
#include "untComm/usb_drive.h"
#include "tests/win32/adapter_test_main.h"

namespace {

using win32test::UnderWine;

constexpr std::uint32_t kListBuffer = 260;
constexpr std::uint32_t kLabelBuffer = 64;

// The probes run the way the drive search runs them: with critical-error boxes suppressed,
// or with the process's default mode. They must answer the same either way.
class DriveProbeTest : public ::testing::TestWithParam<std::uint32_t> {
 protected:
  DriveProbeTest() : previousMode_(system_.SetErrorMode(GetParam())) {}
  ~DriveProbeTest() override { system_.SetErrorMode(previousMode_); }
  void SetUp() override {
    if (!UnderWine())
      GTEST_SKIP() << "the test drives are those of the Wine test prefix";
  }

  platform::win32::Win32System system_;
  platform::win32::Win32Drives drives_;
  std::uint32_t previousMode_;
};

INSTANTIATE_TEST_SUITE_P(ErrorModes, DriveProbeTest,
                         ::testing::Values(0u, platform::kSemFailCriticalErrors));

TEST_P(DriveProbeTest, TheListHoldsEveryRootInLetterOrderWithoutTheFinalNul) {
  const std::wstring list = drives_.LogicalDriveStrings(kListBuffer);
  ASSERT_FALSE(list.empty());
  ASSERT_EQ(list.size() % 4, 0u) << "each root is three characters and a NUL";
  std::wstring letters;
  for (std::size_t i = 0; i < list.size(); i += 4) {
    EXPECT_TRUE(std::iswupper(list[i])) << i;
    EXPECT_EQ(list.substr(i + 1, 3), std::wstring(L":\\\0", 3)) << i;
    letters.push_back(list[i]);
  }
  EXPECT_TRUE(std::is_sorted(letters.begin(), letters.end())) << letters.c_str();
  for (const wchar_t letter : {L'C', L'E', L'F', L'Z'})
    EXPECT_NE(letters.find(letter), std::wstring::npos) << static_cast<char>(letter);
  EXPECT_EQ(letters.find(L'Q'), std::wstring::npos);
}

struct DriveCase {
  const wchar_t* root;
  std::uint32_t type;
  bool mediumReady;
};

constexpr DriveCase kDriveCases[] = {
    {L"C:\\", DRIVE_FIXED, true},        {L"E:\\", DRIVE_REMOVABLE, true},
    {L"F:\\", DRIVE_REMOVABLE, false},   {L"Z:\\", DRIVE_FIXED, true},
    {L"Q:\\", DRIVE_NO_ROOT_DIR, false},
};

TEST_P(DriveProbeTest, TypeAndMediumOfEachDrive) {
  for (const DriveCase& c : kDriveCases) {
    SCOPED_TRACE(testing::Message() << static_cast<char>(c.root[0]) << ":");
    EXPECT_EQ(drives_.DriveType(c.root), c.type);
    EXPECT_EQ(drives_.MediumReady(c.root), c.mediumReady);
  }
}

TEST_P(DriveProbeTest, TheLabelOfTheRemovableDriveIsReadThroughTheDoubledBackslash) {
  // The drive search asks for the root followed by one more backslash.
  EXPECT_EQ(drives_.VolumeLabel(L"E:\\\\", kLabelBuffer), std::optional<std::wstring>(L"备份U盘"));
  EXPECT_EQ(drives_.VolumeLabel(L"E:\\", kLabelBuffer), std::optional<std::wstring>(L"备份U盘"));
}

TEST_P(DriveProbeTest, AnUnmappedLetterHasNoVolume) {
  EXPECT_EQ(drives_.VolumeLabel(L"Q:\\\\", kLabelBuffer), std::nullopt);
}

TEST_P(DriveProbeTest, ADriveWithoutMediumHasNoLabel) {
  // Windows fails the call (ERROR_NOT_READY); Wine succeeds with an empty label. Either way
  // there is no label to match, and only the medium check tells the slot is empty.
  EXPECT_EQ(drives_.VolumeLabel(L"F:\\\\", kLabelBuffer).value_or(L""), L"");
  EXPECT_FALSE(drives_.MediumReady(L"F:\\"));
}

TEST(DriveListTest, TheListNeedsRoomForItsFinalNul) {
  platform::win32::Win32Drives drives;
  const std::wstring list = drives.LogicalDriveStrings(kListBuffer);
  ASSERT_FALSE(list.empty());
  const auto length = static_cast<std::uint32_t>(list.size());
  EXPECT_EQ(drives.LogicalDriveStrings(length + 1), list);
  EXPECT_EQ(drives.LogicalDriveStrings(length), L"");
  EXPECT_EQ(drives.LogicalDriveStrings(3), L"");
  EXPECT_EQ(drives.LogicalDriveStrings(0), L"");
}

// The drive search of the backup job over the same drives: F: comes later in the list but
// has no medium, so E: takes the backups.
class UsbDriveSearchTest : public ::testing::Test {
 protected:
  UsbDriveSearchTest() {
    platform::Services services;
    services.system = &system_;
    services.drives = &drives_;
    platform::Install(services);
  }
  ~UsbDriveSearchTest() override { platform::Install({}); }
  void SetUp() override {
    if (!UnderWine())
      GTEST_SKIP() << "the test drives are those of the Wine test prefix";
  }

  platform::win32::Win32System system_;
  platform::win32::Win32Drives drives_;
};

TEST_F(UsbDriveSearchTest, TheRemovableDriveWithAMediumIsFoundAndItsLabelRead) {
  const std::uint32_t modeBefore = system_.SetErrorMode(0);
  EXPECT_EQ(untComm::FindUsbDrive(), L"E:\\");
  EXPECT_EQ(untComm::ReadVolumeLabel(L"E:\\"), L"备份U盘");
  EXPECT_EQ(untComm::ReadVolumeLabel(L"F:\\"), L"");
  EXPECT_EQ(system_.SetErrorMode(modeBefore), 0u) << "the search leaves the error mode alone";
}

}  // namespace
