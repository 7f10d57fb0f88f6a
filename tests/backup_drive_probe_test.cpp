// The drive probes: which removable drive takes the backups, its label, and the label check.
#include "platform/system.h"
#include "tests/backup_engine_fixture.h"
#include "untComm/usb_drive.h"

using untComm::FindUsbDrive;
using untComm::ReadVolumeLabel;

namespace {

class DriveProbeTest : public BackupEngineTest {};

TEST_F(DriveProbeTest, TheRemovableDriveWithTheHighestLetterWins) {
  AddFixedDrive(L'E');
  AddUsbDrive(L'D', L"one");
  AddUsbDrive(L'G', L"two");
  EXPECT_EQ(FindUsbDrive(), L"G:\\");
}

TEST_F(DriveProbeTest, NoRemovableDriveGivesEmptyText) {
  AddFixedDrive(L'E');
  EXPECT_EQ(FindUsbDrive(), L"");
}

TEST_F(DriveProbeTest, AFailedDriveListGivesEmptyText) {
  AddUsbDrive(L'G', L"two");
  world.drives.failDriveList = true;
  EXPECT_EQ(FindUsbDrive(), L"");
}

TEST_F(DriveProbeTest, AnEmptySlotIsNoCandidate) {
  AddUsbDrive(L'E', L"stick");
  AddUsbDrive(L'H', L"", false);  // a card reader without a card
  EXPECT_EQ(FindUsbDrive(), L"E:\\");
  world.files.SetMedium(L'E', false);
  EXPECT_EQ(FindUsbDrive(), L"");
}

TEST_F(DriveProbeTest, ProbesAskForNoDiskUnderTheProgramsErrorModeAndLeaveIt) {
  AddUsbDrive(L'H', L"", false);
  EXPECT_EQ(FindUsbDrive(), L"");
  EXPECT_EQ(ReadVolumeLabel(L"H:\\"), L"");
  EXPECT_EQ(world.drives.criticalErrorBoxes, 0);
  EXPECT_EQ(world.system.errorMode, platform::kSemFailCriticalErrors);

  // The probes set nothing themselves: without the program's setting they would have asked
  // the user for a disk.
  world.system.errorMode = 0;
  EXPECT_EQ(FindUsbDrive(), L"");
  EXPECT_EQ(ReadVolumeLabel(L"H:\\"), L"");
  EXPECT_EQ(world.drives.criticalErrorBoxes, 2);
  EXPECT_EQ(world.system.errorMode, 0u);
}

TEST_F(DriveProbeTest, AllTwentySixLettersFitTheDriveList) {
  for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
    if (letter != L'C' && letter != L'D')
      AddUsbDrive(letter, L"");
  }
  EXPECT_EQ(FindUsbDrive(), L"Z:\\");
}

struct LabelCase {
  const wchar_t* label;
  const wchar_t* read;
};

class VolumeLabelTest : public BackupEngineTest, public ::testing::WithParamInterface<LabelCase> {};

TEST_P(VolumeLabelTest, IsReadWithoutSurroundingBlanksAndControlCharacters) {
  AddUsbDrive(L'G', GetParam().label);
  EXPECT_EQ(ReadVolumeLabel(L"G:\\"), GetParam().read);
}

INSTANTIATE_TEST_SUITE_P(Labels, VolumeLabelTest,
                         ::testing::Values(LabelCase{L"备份U盘", L"备份U盘"},
                                           LabelCase{L"  备份U盘 ", L"备份U盘"},
                                           LabelCase{L"\t\x01KEY\r\n", L"KEY"},
                                           LabelCase{L"A B", L"A B"}, LabelCase{L"", L""},
                                           LabelCase{L"   ", L""}));

TEST_F(DriveProbeTest, ALabelIsReadThroughSixtyFourCharacters) {
  AddUsbDrive(L'G', std::wstring(70, L'x'));
  EXPECT_EQ(ReadVolumeLabel(L"G:\\"), std::wstring(63, L'x'));
}

TEST_F(DriveProbeTest, ALabelThatCannotBeReadIsEmpty) {
  AddUsbDrive(L'G', L"gone", false);
  EXPECT_EQ(ReadVolumeLabel(L"G:\\"), L"");
  EXPECT_EQ(ReadVolumeLabel(L"Q:\\"), L"");
  EXPECT_EQ(world.drives.criticalErrorBoxes, 0);
}

struct CheckLabelCase {
  const wchar_t* driveLabel;
  const wchar_t* boxText;
  bool medium;
  bool matches;
};

class CheckLabelTest : public BackupEngineTest,
                       public ::testing::WithParamInterface<CheckLabelCase> {};

TEST_P(CheckLabelTest, TheDriveMatchesWhenItsLabelBeginsWithTheBoxText) {
  AddUsbDrive(L'G', GetParam().driveLabel, GetParam().medium);
  main->edtLabel.SetText(GetParam().boxText);
  EXPECT_EQ(main->checkLabel(L"G:\\"), GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(Labels, CheckLabelTest,
                         ::testing::Values(CheckLabelCase{L"备份U盘", L"备份U盘", true, true},
                                           CheckLabelCase{L"备份U盘2", L"备份U盘", true, true},
                                           CheckLabelCase{L"备份", L"备份U盘", true, false},
                                           CheckLabelCase{L"backup", L"BACKUP", true, false},
                                           CheckLabelCase{L"  备份U盘  ", L"备份U盘", true, true},
                                           CheckLabelCase{L"备份U盘", L" 备份U盘", true, false},
                                           CheckLabelCase{L"", L"备份U盘", true, false},
                                           CheckLabelCase{L"any", L"", true, true},
                                           CheckLabelCase{L"", L"", false, true},
                                           CheckLabelCase{L"备份U盘", L"备份U盘", false, false}));

}  // namespace
