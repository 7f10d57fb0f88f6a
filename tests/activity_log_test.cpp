// The activity log: its folder, its daily file, the exact bytes of a line and its errors.
#include "tests/sim_test.h"
#include "untComm/exceptions.h"
#include "untComm/write_log.h"

using platform::sim::FileOp;
using untComm::WriteLog;

namespace {

class ActivityLogTest : public SimTest {
 protected:
  void At(int h, int m, int s, int day = 9) { world.clock.Set({2022, 6, day, h, m, s, 0}); }

  // The code of the EInOutError the next WriteLog raises, and its message.
  std::pair<std::uint32_t, std::wstring> Failure() {
    try {
      WriteLog(L"x");
    } catch (const untComm::EInOutError& e) {
      return {e.ErrorCode(), e.Message()};
    }
    return {0, L"no error"};
  }
};

TEST_F(ActivityLogTest, ALineIsTheTimeABlankTheMessageAndCrLfInTheAnsiCodePage) {
  At(9, 5, 7);
  WriteLog(L"程序启动。");
  // GBK bytes of 程序启动。, no byte-order mark.
  EXPECT_EQ(LogBytes(), "09:05:07 \xb3\xcc\xd0\xf2\xc6\xf4\xb6\xaf\xa1\xa3\r\n");
}

TEST_F(ActivityLogTest, LinesOfADayAreAppendedInCallOrder) {
  At(9, 5, 7);
  WriteLog(L"程序启动。");
  At(9, 5, 8);
  WriteLog(L"增加开机自启动成功。");
  EXPECT_EQ(LogLines(),
            (std::vector<std::wstring>{L"09:05:07 程序启动。", L"09:05:08 增加开机自启动成功。"}));
}

struct LocaleCase {
  const char* name;
  platform::TimeFormatLocale locale;
  int hour;
  const wchar_t* expected;
};

class TimeFormatTest : public ActivityLogTest, public ::testing::WithParamInterface<LocaleCase> {};

TEST_P(TimeFormatTest, FollowsTheLocalesLongTimeValues) {
  world.system.timeFormat = GetParam().locale;
  At(GetParam().hour, 5, 7);
  WriteLog(L"m");
  EXPECT_EQ(LogLines(), std::vector<std::wstring>{GetParam().expected}) << GetParam().name;
}

const platform::TimeFormatLocale kUs{L":", false, false, false, L"AM", L"PM"};
const platform::TimeFormatLocale kGerman{L":", true, true, false, L"", L""};
const platform::TimeFormatLocale kNoZero24{L".", false, true, false, L"", L""};
const platform::TimeFormatLocale kPrefix12{L":", true, false, true, L"上午", L"下午"};

INSTANTIATE_TEST_SUITE_P(
    Locales, TimeFormatTest,
    ::testing::Values(
        LocaleCase{"us morning", kUs, 9, L"9:05:07 AM m"},
        LocaleCase{"us afternoon", kUs, 21, L"9:05:07 PM m"},
        LocaleCase{"us midnight", kUs, 0, L"12:05:07 AM m"},
        LocaleCase{"us noon", kUs, 12, L"12:05:07 PM m"},
        LocaleCase{"german", kGerman, 9, L"09:05:07 m"},
        LocaleCase{"24h without zero", kNoZero24, 9, L"9.05.07 m"},
        LocaleCase{"designator first", kPrefix12, 15, L"下午 03:05:07 m"},
        LocaleCase{"empty separator", {L"", true, true, false, L"", L""}, 23, L"23:05:07 m"}));

TEST_F(ActivityLogTest, TheLocaleIsReadOnceAtStart) {
  At(9, 5, 7);
  WriteLog(L"a");
  world.system.timeFormat = kNoZero24;
  WriteLog(L"b");
  EXPECT_EQ(LogLines(), (std::vector<std::wstring>{L"09:05:07 a", L"09:05:07 b"}));
}

TEST_F(ActivityLogTest, CharactersOutsideTheCodePageBecomeTheDefaultCharacter) {
  world.system.codePage = 1252;
  At(9, 5, 7);
  WriteLog(L"数据库备份成功: E:\\BACKUP\\café.bak");
  EXPECT_EQ(LogBytes(), "09:05:07 ???????: E:\\BACKUP\\caf\xe9.bak\r\n");
  world.system.codePage = 936;
  WriteLog(L"€ ♞");  // the euro sign is in GBK (0x80), the knight is not
  EXPECT_EQ(LogBytes().substr(LogBytes().size() - 6), " \x80 ?\r\n");
}

TEST_F(ActivityLogTest, MessagesAreWrittenUnchangedLineBreaksIncluded) {
  At(9, 5, 7);
  WriteLog(L"a\r\nb%s\\");
  EXPECT_EQ(LogBytes(), "09:05:07 a\r\nb%s\\\r\n");
}

TEST_F(ActivityLogTest, OneClockReadingNamesTheFileAndTimesTheLine) {
  At(23, 59, 59);
  WriteLog(L"late");
  world.clock.Advance(1000);
  WriteLog(L"early");
  EXPECT_EQ(LogLines(L"2022-06-09"), std::vector<std::wstring>{L"23:59:59 late"});
  EXPECT_EQ(LogLines(L"2022-06-10"), std::vector<std::wstring>{L"00:00:00 early"});
}

TEST_F(ActivityLogTest, TheDateInTheNameIsYearMonthDayWithHyphens) {
  world.clock.Set({2031, 1, 2, 3, 4, 5, 0});
  WriteLog(L"x");
  EXPECT_TRUE(world.files.Exists(L"C:\\Tavrix\\log\\2031-01-02.txt"));
}

TEST_F(ActivityLogTest, TheFolderIsBesideTheExecutableNotInTheCurrentDirectory) {
  world.files.MakeDirectories(L"C:\\Other");
  world.files.currentDirectory = L"C:\\Other";
  WriteLog(L"x");
  EXPECT_TRUE(world.files.Exists(L"C:\\Tavrix\\log\\2022-06-09.txt"));
  EXPECT_FALSE(world.files.Exists(L"C:\\Other\\log"));
}

TEST_F(ActivityLogTest, ADeletedFolderIsCreatedAgain) {
  WriteLog(L"a");
  world.files.Remove(L"C:\\Tavrix\\log");
  At(14, 30, 6);
  WriteLog(L"b");
  EXPECT_EQ(LogLines(), std::vector<std::wstring>{L"14:30:06 b"});
}

TEST_F(ActivityLogTest, ACtrlZAmongTheLast128BytesCutsTheFileThere) {
  world.files.PutFile(L"C:\\Tavrix\\log\\2022-06-09.txt",
                      "old\r\n\x1A"
                      "garbage\x1A"
                      "more");
  At(9, 5, 7);
  WriteLog(L"new");
  EXPECT_EQ(LogBytes(), "old\r\n09:05:07 new\r\n");
}

TEST_F(ActivityLogTest, ACtrlZBeforeTheLast128BytesIsKept) {
  const std::string old = std::string("\x1A") + std::string(128, 'a');
  world.files.PutFile(L"C:\\Tavrix\\log\\2022-06-09.txt", old);
  At(9, 5, 7);
  WriteLog(L"new");
  EXPECT_EQ(LogBytes(), old + "09:05:07 new\r\n");
}

TEST_F(ActivityLogTest, AFileHeldOpenWithoutSharingFailsWithIoError32) {
  world.files.PutFile(L"C:\\Tavrix\\log\\2022-06-09.txt", "kept\r\n");
  world.files.LockExclusive(L"C:\\Tavrix\\log\\2022-06-09.txt");
  EXPECT_EQ(Failure(), std::pair(std::uint32_t{32}, std::wstring(L"I/O error 32")));
  EXPECT_EQ(world.files.OpenHandles(), 0);
}

struct FaultCase {
  FileOp op;
  std::uint32_t code;
  const wchar_t* message;
  bool fileExists;
};

class LogFaultTest : public ActivityLogTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(LogFaultTest, EveryFailingStepRaisesItsCodeAndLeavesNoHandleOpen) {
  const FaultCase& c = GetParam();
  const std::wstring name = L"C:\\Tavrix\\log\\2022-06-09.txt";
  if (c.fileExists)
    world.files.PutFile(name, "kept\r\n");
  world.files.InjectFault(c.op, c.op == FileOp::MakeDirectory ? L"C:\\Tavrix\\log" : name, c.code);
  EXPECT_EQ(Failure(), std::pair(c.code, std::wstring(c.message)));
  EXPECT_EQ(world.files.OpenHandles(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, LogFaultTest,
    ::testing::Values(FaultCase{FileOp::MakeDirectory, 5, L"File access denied", false},
                      FaultCase{FileOp::Create, 3, L"Invalid filename", false},
                      FaultCase{FileOp::Create, 4, L"Too many open files", false},
                      FaultCase{FileOp::Open, 2, L"File not found", true},
                      FaultCase{FileOp::Open, 32, L"I/O error 32", true},
                      FaultCase{FileOp::Size, 6, L"I/O error 6", true},
                      FaultCase{FileOp::Read, 23, L"I/O error 23", true},
                      FaultCase{FileOp::Write, 112, L"I/O error 112", true},
                      FaultCase{FileOp::Write, 112, L"I/O error 112", false},
                      FaultCase{FileOp::Close, 5, L"File access denied", false}));

TEST_F(ActivityLogTest, AFullDiskRaisesIoError112) {
  world.files.FindDrive(L'C')->capacity = world.files.UsedBytes(L'C') + 5;
  EXPECT_EQ(Failure(), std::pair(std::uint32_t{112}, std::wstring(L"I/O error 112")));
}

TEST_F(ActivityLogTest, AFileNamedLogInPlaceOfTheFolderIsAnError) {
  world.files.PutFile(L"C:\\Tavrix\\log", "not a folder");
  EXPECT_EQ(Failure().second, L"I/O error 183");
}

TEST_F(ActivityLogTest, ANameLongerThan259CharactersIsAnInvalidFilename) {
  const std::wstring deep = L"C:\\" + std::wstring(240, L'd');
  world.files.MakeDirectories(deep);
  world.system.moduleFileName = deep + L"\\Tavrix.exe";
  EXPECT_EQ(Failure(), std::pair(std::uint32_t{3}, std::wstring(L"Invalid filename")));
}

}  // namespace
