#pragma once
// The process-wide settings record, filled once at start-up by LoadConfig and then only
// read, ConnectionString aside.
#include <string>

namespace untComm {

struct TBackupSettings {
  std::wstring ConnectionString;
  std::wstring OemName;
  bool MustLabel = false;
  std::wstring UsbLabel;
  std::wstring BackupDbName;
  bool BackupAllDb = false;
  bool BackupAutoStart = false;
  bool BackupAtStartup = false;
  std::wstring BackupPass;
  std::wstring BackupTime;
  std::wstring BackupPath;
  bool UseIntegratedSecurity = false;
  bool BackupToUsb = false;
  bool DeleteBackupFile = false;
};

extern TBackupSettings BackupSettings;

}  // namespace untComm
