#pragma once
// TfrmMain: the settings window and the program's non-visual components (timers, query
// objects, notification-area icon). Its handlers are spread over files by subject:
//   frmMain.cpp        building the components from the layout table, wiring the events
//                      (every handler runs through the application's exception handler)
//   startup.cpp        FormCreate
//   lifetime.cpp       FormCloseQuery, FormQueryEndSession, Timer1Timer, TrayIcon1DblClick,
//                      X1Click
//   interlocks.cpp     the check-box interlocks, the hours filter, the folder picker
//   backup_jobs.cpp    BackupDB, Backup, BackupAllDB, checkLabel, tmrBackupTimer
//   test_and_save.cpp  btn4Click, TestBackup, btn3Click
//   promotion.cpp      Timer2Timer, Timer3Timer
#include <memory>
#include <string>

#include "platform/database.h"
#include "platform/ui.h"
#include "untMain/backup_schedule.h"

namespace untMain {

class TfrmMain {
 public:
  // Builds the window and its components: the notification-area icon is added and the timers
  // start counting. The start-up sequence (FormCreate) is the caller's next step.
  TfrmMain();
  ~TfrmMain();
  TfrmMain(const TfrmMain&) = delete;
  TfrmMain& operator=(const TfrmMain&) = delete;

  std::unique_ptr<platform::ui::Form> form;

  // Controls, by their design names.
  platform::ui::Control& edtBackupPass;
  platform::ui::CheckBox& chkisw;
  platform::ui::CheckBox& chkALLDB;
  platform::ui::Control& edtDB;
  platform::ui::ComboBox& ComboBox2;
  platform::ui::ComboBox& cboBackupTime;
  platform::ui::Control& edtBackupPath;
  platform::ui::Button& btn2;
  platform::ui::CheckBox& chkBackupAutoStart;
  platform::ui::CheckBox& CheckBox2;
  platform::ui::CheckBox& chkBacktousb;
  platform::ui::CheckBox& chkMustLabel;
  platform::ui::Control& edtLabel;
  platform::ui::CheckBox& chkDelteUsbBackup;
  platform::ui::Button& btn4;
  platform::ui::Button& btn3;

  // Non-visual components.
  std::unique_ptr<platform::ui::Timer> tmrBackup;
  std::unique_ptr<platform::ui::Timer> Timer1;
  std::unique_ptr<platform::ui::Timer> Timer2;
  std::unique_ptr<platform::ui::Timer> Timer3;
  std::unique_ptr<platform::Query> qry1;
  std::unique_ptr<platform::Query> qry_BaseTemp;
  std::unique_ptr<platform::ui::TrayIcon> TrayIcon1;
  // Counts tmrBackup's ticks into backup periods (see backup_schedule.h).
  BackupSchedule backupSchedule;

  // Start-up and lifetime.
  void FormCreate();
  void FormCloseQuery(bool& CanClose);
  void FormQueryEndSession(bool& CanEnd);
  void Timer1Timer();
  void TrayIcon1DblClick();
  void X1Click();

  // Interlocks, hours filter, folder picker.
  void chkALLDBClick();
  void chkiswClick();
  void chkBacktousbClick();
  void chkBackupAutoStartClick();
  void cboBackupTimeKeyPress(wchar_t& Key);
  void btn2Click();

  // Backup engine.
  bool BackupDB(const std::wstring& connstr, const std::wstring& dbname, const std::wstring& path);
  bool Backup(const std::wstring& connectstr, const std::wstring& dbname);
  bool BackupAllDB();
  bool checkLabel(const std::wstring& usb);
  void tmrBackupTimer();

  // Test and Save.
  void btn4Click();
  bool TestBackup(const std::wstring& dbname);
  void btn3Click();

  // Promotion window timers.
  void Timer2Timer();
  void Timer3Timer();
};

// The one main window; assigned before its start-up sequence runs.
extern TfrmMain* frmMain;

}  // namespace untMain
