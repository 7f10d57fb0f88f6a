#include "tests/backup_engine_fixture.h"

#include "platform/drives.h"
#include "platform/system.h"

BackupEngineTest::BackupEngineTest() {
  world.ui.SetTitle(L"Velmora");
  // As the program sets it at its start.
  world.system.errorMode = platform::kSemFailCriticalErrors;
  AddFixedDrive(L'D');
  world.files.MakeDirectories(L"D:\\bak");
  main = std::make_unique<untMain::TfrmMain>();
  untMain::frmMain = main.get();

  auto& settings = untComm::BackupSettings;
  settings.UseIntegratedSecurity = true;
  settings.BackupDbName = L"master";
  settings.BackupPath = L"D:\\bak";
}

BackupEngineTest::~BackupEngineTest() {
  main.reset();
}

void BackupEngineTest::AddUsbDrive(wchar_t letter, const std::wstring& label, bool medium) {
  world.files.AddDrive({letter, platform::kDriveRemovable, label, medium, 1ull << 34});
}

void BackupEngineTest::AddFixedDrive(wchar_t letter) {
  world.files.AddDrive({letter, platform::kDriveFixed, L"", true, 1ull << 40});
}

std::vector<std::wstring> BackupEngineTest::Statements() const {
  std::vector<std::wstring> texts;
  for (const auto& statement : world.server.statements)
    texts.push_back(statement.sql);
  return texts;
}

std::vector<std::wstring> BackupEngineTest::LogMessages(const std::wstring& date) const {
  std::vector<std::wstring> messages;
  for (const std::wstring& line : LogLines(date)) {
    const auto blank = line.find(L' ');
    messages.push_back(blank == std::wstring::npos ? line : line.substr(blank + 1));
  }
  return messages;
}

bool BackupEngineTest::AnySuccessLine() const {
  for (const std::wstring& message : LogMessages()) {
    if (message.rfind(L"数据库备份成功", 0) == 0)
      return true;
  }
  return false;
}

platform::sim::SimQuery& BackupEngineTest::Qry1() const {
  return dynamic_cast<platform::sim::SimQuery&>(*main->qry1);
}

platform::sim::SimQuery& BackupEngineTest::QryBaseTemp() const {
  return dynamic_cast<platform::sim::SimQuery&>(*main->qry_BaseTemp);
}
