#pragma once
// A world for the backup engine: the main window, a local SQL Server that knows the usual
// system databases, a data drive D: with the local backup folder, and the settings of a
// single-database run of master with integrated security to D:\bak.
#include <memory>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/sim/database.h"
#include "tests/sim_test.h"
#include "untMain/frmMain.h"

class BackupEngineTest : public SimTest {
 protected:
  BackupEngineTest();
  ~BackupEngineTest() override;

 public:  // also for the arrangements of table-driven cases
  // A removable drive with a medium (or an empty slot).
  void AddUsbDrive(wchar_t letter, const std::wstring& label, bool medium = true);
  void AddFixedDrive(wchar_t letter);

  // The statements the server received, as text.
  std::vector<std::wstring> Statements() const;
  // The log lines without their time.
  std::vector<std::wstring> LogMessages(const std::wstring& date = L"2022-06-09") const;
  // Any log line that reports a successful backup.
  bool AnySuccessLine() const;

  platform::sim::SimQuery& Qry1() const;
  platform::sim::SimQuery& QryBaseTemp() const;

  // The stamp of a job started at the world's default time, 2022-06-09 14:30:05.
  static constexpr wchar_t kStamp[] = L"220609143005";
  static std::wstring BackupStatementFor(const std::wstring& dbname) {
    return L"BACKUP DATABASE \"" + dbname + L"\" TO DISK ='c:\\tempbak\\" + dbname + kStamp +
           L".bak' with init";
  }
  static std::wstring TempFile(const std::wstring& dbname) {
    return L"c:\\tempbak\\" + dbname + kStamp + L".bak";
  }

  std::unique_ptr<untMain::TfrmMain> main;
};
