// SetAutoStart: the Run value under HKEY_LOCAL_MACHINE, its log lines, and how the key is
// opened for users with and without write access.
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/registry.h"
#include "tests/startup_fixture.h"
#include "untComm/auto_start.h"
#include "untComm/exceptions.h"

namespace {

using platform::RegistryAccess;
using platform::RegistryRoot;
using platform::sim::FileOp;
using platform::sim::RegistryCall;
using Op = RegistryCall::Op;

const std::wstring kRegistered = L"增加开机自启动成功。";
const std::wstring kRemoved =
    L"已经删除开机自启动项：SOFTWARE\\Microsoft\\windows\\CurrentVersion\\Run";
const std::wstring kExe = L"C:\\Tavrix\\Tavrix.exe";

class AutoStartTest : public SimTest {
 protected:
  std::optional<std::wstring> Value() const {
    return world.registry.GetString(RegistryRoot::LocalMachine, untComm::kRunKey, L"Tavrix");
  }
  void Register(const std::wstring& data) {
    world.registry.PutString(RegistryRoot::LocalMachine, untComm::kRunKey, L"Tavrix", data);
  }
  void DenyWrite() { world.registry.DenyWrite(RegistryRoot::LocalMachine, untComm::kRunKey); }
  std::vector<Op> Ops() const {
    std::vector<Op> ops;
    for (const auto& call : world.registry.calls)
      ops.push_back(call.op);
    return ops;
  }
};

TEST_F(AutoStartTest, EnablingWritesTheExecutablesPathAndLogs) {
  untComm::SetAutoStart(true);
  EXPECT_EQ(Value(), kExe);
  EXPECT_EQ(Messages(LogLines()), std::vector<std::wstring>{kRegistered});
  // The key does not exist yet: the read-only look fails, then the key is created.
  EXPECT_EQ(Ops(), (std::vector<Op>{Op::OpenKey, Op::CreateKey, Op::SetString, Op::Close}));
  EXPECT_EQ(world.registry.calls[1].access, RegistryAccess::AllAccess);
  EXPECT_EQ(world.registry.OpenKeys(), 0);
}

TEST_F(AutoStartTest, AValueThatIsAlreadyRightIsOnlyReadAndStillLogged) {
  Register(kExe);
  DenyWrite();
  untComm::SetAutoStart(true);
  EXPECT_EQ(Value(), kExe);
  EXPECT_EQ(Messages(LogLines()), std::vector<std::wstring>{kRegistered});
  EXPECT_EQ(Ops(), (std::vector<Op>{Op::OpenKey, Op::QueryString, Op::Close}));
  EXPECT_EQ(world.registry.calls[0].access, RegistryAccess::Read);
}

TEST_F(AutoStartTest, AValueThatDiffersIsRewritten) {
  Register(L"D:\\old\\Tavrix.exe");
  untComm::SetAutoStart(true);
  EXPECT_EQ(Value(), kExe);
  EXPECT_EQ(Messages(LogLines()), std::vector<std::wstring>{kRegistered});
}

TEST_F(AutoStartTest, WithoutWriteAccessEnablingRaisesAndLogsNothing) {
  Register(L"D:\\old\\Tavrix.exe");
  DenyWrite();
  try {
    untComm::SetAutoStart(true);
    FAIL() << "no exception";
  } catch (const untComm::ERegistryException& e) {
    EXPECT_EQ(e.Message(), L"Failed to set data for 'Tavrix'");
  }
  EXPECT_EQ(Value(), L"D:\\old\\Tavrix.exe");
  EXPECT_TRUE(LogLines().empty());
  EXPECT_EQ(world.registry.OpenKeys(), 0);
}

TEST_F(AutoStartTest, AFailedLogLineAfterTheWriteLeavesTheValueAndClosesTheKey) {
  world.files.InjectFault(FileOp::MakeDirectory, L"C:\\Tavrix\\log", 5);
  EXPECT_THROW(untComm::SetAutoStart(true), untComm::EInOutError);
  EXPECT_EQ(Value(), kExe);
  EXPECT_EQ(world.registry.OpenKeys(), 0);
}

TEST_F(AutoStartTest, DisablingDeletesTheValueAndLogs) {
  Register(kExe);
  untComm::SetAutoStart(false);
  EXPECT_EQ(Value(), std::nullopt);
  EXPECT_EQ(Messages(LogLines()), std::vector<std::wstring>{kRemoved});
  EXPECT_EQ(world.registry.OpenKeys(), 0);
}

// Nothing the registry says stops the removal's log line.
TEST_F(AutoStartTest, DisablingIgnoresAMissingValueAndAMissingWriteAccess) {
  untComm::SetAutoStart(false);
  Register(kExe);
  DenyWrite();
  untComm::SetAutoStart(false);
  EXPECT_EQ(Value(), kExe);
  EXPECT_EQ(Messages(LogLines()), (std::vector<std::wstring>{kRemoved, kRemoved}));
}

struct CommandCase {
  const char* name;
  std::wstring module;
  std::wstring command;
};

void PrintTo(const CommandCase& c, std::ostream* os) {
  *os << c.name;
}

class AutoStartCommandTest : public AutoStartTest,
                             public ::testing::WithParamInterface<CommandCase> {};

TEST_P(AutoStartCommandTest, NamesTavrixExeInTheExecutablesFolder) {
  const CommandCase& c = GetParam();
  world.system.moduleFileName = c.module;
  if (!world.files.FindDrive(c.module[0])) {
    platform::sim::Drive drive;
    drive.letter = c.module[0];
    world.files.AddDrive(drive);
  }
  world.files.MakeDirectories(c.module.substr(0, c.module.rfind(L'\\') + 1));
  untComm::SetAutoStart(true);
  EXPECT_EQ(untComm::AutoStartCommand(), c.command);
  EXPECT_EQ(Value(), c.command);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, AutoStartCommandTest,
    ::testing::Values(CommandCase{"Installed", L"C:\\Tavrix\\Tavrix.exe",
                                  L"C:\\Tavrix\\Tavrix.exe"},
                      CommandCase{"Renamed", L"D:\\Tools\\backup2.exe", L"D:\\Tools\\Tavrix.exe"},
                      CommandCase{"DriveRoot", L"E:\\Tavrix.exe", L"E:\\Tavrix.exe"},
                      CommandCase{"BlankInFolder", L"C:\\Program Files\\Tavrix\\Tavrix.exe",
                                  L"\"C:\\Program Files\\Tavrix\\Tavrix.exe\""},
                      CommandCase{"BlankOnlyInFileName", L"C:\\Tavrix\\Tavrix copy.exe",
                                  L"C:\\Tavrix\\Tavrix.exe"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
