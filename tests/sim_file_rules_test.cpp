// The simulated file system where the program relies on Win32's behaviour: probes that open
// nothing, and copies refused while another handle writes the source.
#include <functional>
#include <string>

#include "platform/error.h"
#include "tests/os_error_code.h"
#include "tests/sim_test.h"
#include "untComm/exceptions.h"
#include "untComm/write_log.h"

namespace {

using platform::sim::FileOp;
using testsupport::ErrorOf;

constexpr wchar_t kFile[] = L"C:\\data\\file.bak";
constexpr wchar_t kCopy[] = L"C:\\data\\copy.bak";

class SimFileRulesTest : public SimTest {
 protected:
  SimFileRulesTest() { world.files.PutFile(kFile, "contents"); }
};

TEST_F(SimFileRulesTest, ProbesLeaveAFaultMeantForAnOpenToTheOpen) {
  world.files.InjectFault(FileOp::Open, kFile, platform::error::kSharingViolation, 1);
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(world.files.FileExists(kFile));
    EXPECT_FALSE(world.files.DirectoryExists(kFile));
  }
  EXPECT_EQ(ErrorOf([&] { world.files.OpenForAppend(kFile); }), platform::error::kSharingViolation);
  // The fault was for one open only.
  EXPECT_EQ(ErrorOf([&] { world.files.OpenForAppend(kFile)->Close(); }), 0u);
}

TEST_F(SimFileRulesTest, ProbesOfADriveWithoutMediumAnswerNo) {
  world.files.AddDrive({.letter = L'G', .type = 2, .label = L"stick"});
  world.files.PutFile(L"G:\\BACKUP\\x.bak", "x");
  world.files.SetMedium(L'G', false);
  EXPECT_FALSE(world.files.DirectoryExists(L"G:\\BACKUP\\"));
  EXPECT_FALSE(world.files.FileExists(L"G:\\BACKUP\\x.bak"));
  EXPECT_FALSE(world.files.FileExists(L"Q:\\x.bak"));  // no such drive
}

// The log probes its file before it opens it: a single refused open is the log's error.
TEST_F(SimFileRulesTest, AOneTimeFaultOnTheLogsOpenFailsTheLogLine) {
  const std::wstring log = L"C:\\Tavrix\\log\\2022-06-09.txt";
  world.files.PutFile(log, "kept\r\n");
  world.files.InjectFault(FileOp::Open, log, platform::error::kSharingViolation, 1);
  try {
    untComm::WriteLog(L"refused");
    FAIL() << "no error";
  } catch (const untComm::EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), platform::error::kSharingViolation);
  }
  EXPECT_EQ(LogBytes(), "kept\r\n");
  EXPECT_EQ(world.files.OpenHandles(), 0);
}

struct WriterCase {
  const char* name;
  std::function<std::unique_ptr<platform::File>(platform::sim::SimFileSystem&)> hold;
};

void PrintTo(const WriterCase& c, std::ostream* os) {
  *os << c.name;
}

class CopyWhileWrittenTest : public SimFileRulesTest,
                             public ::testing::WithParamInterface<WriterCase> {};

// CopyFileW shares only read and delete with other handles on its source, so a writer that
// holds the source refuses the copy whatever it shares itself; once it lets go the copy works.
TEST_P(CopyWhileWrittenTest, ACopyOfASourceHeldByAWriterIsASharingViolation) {
  auto handle = GetParam().hold(world.files);
  EXPECT_EQ(ErrorOf([&] { world.files.Copy(kFile, kCopy, true); }),
            platform::error::kSharingViolation);
  EXPECT_FALSE(world.files.Exists(kCopy));
  if (handle)
    handle->Close();
  world.files.LockExclusive(kFile, false);
  EXPECT_EQ(ErrorOf([&] { world.files.Copy(kFile, kCopy, true); }), 0u);
  EXPECT_EQ(world.files.Contents(kCopy), world.files.Contents(kFile));
}

INSTANTIATE_TEST_SUITE_P(Writers, CopyWhileWrittenTest,
                         ::testing::Values(WriterCase{"WithoutSharing",
                                                      [](platform::sim::SimFileSystem& files) {
                                                        files.LockExclusive(kFile);
                                                        return std::unique_ptr<platform::File>();
                                                      }},
                                           WriterCase{"AppendingSharingRead",
                                                      [](platform::sim::SimFileSystem& files) {
                                                        return files.OpenForAppend(kFile);
                                                      }},
                                           WriterCase{"CreatingSharingRead",
                                                      [](platform::sim::SimFileSystem& files) {
                                                        return files.CreateAlways(kFile);
                                                      }}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
