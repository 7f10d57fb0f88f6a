#include "untComm/load_config.h"

#include "untComm/config_file.h"
#include "untComm/settings.h"

namespace untComm {

TBackupSettings BackupSettings;

void LoadConfig() {
  const TIniFile& ini = *ConfigFile;
  TBackupSettings& s = BackupSettings;
  const std::wstring section = kConfigSection;

  s.OemName = ini.ReadString(section, L"OEM", L"【Hemlow软件】");
  s.MustLabel = ini.ReadBool(section, L"MUSTLABEL", true);
  s.UsbLabel = ini.ReadString(section, L"LABEL", L"备份U盘");
  s.BackupDbName = ini.ReadString(section, L"BACKUP_LIST", L"master");
  s.BackupAllDb = ini.ReadBool(section, L"BACKUP_ALLDB", true);
  s.BackupAutoStart = ini.ReadBool(section, L"BACKUP_AUTOSTART", true);
  s.BackupAtStartup = ini.ReadBool(section, L"BACKUP_STARTBACKUP", false);
  s.BackupPass = ini.ReadString(section, L"BACKUP_PASS", L"******");
  s.BackupTime = ini.ReadString(section, L"BACKUP_TIME", L"6");
  s.BackupPath = ini.ReadString(section, L"BACKUP_PATH", L"E:\\BACKUP");
  if (!s.BackupPath.empty() && s.BackupPath.back() == L'\\')
    s.BackupPath.pop_back();
  s.UseIntegratedSecurity = ini.ReadBool(section, L"BACKUP_ISW", true);
  s.BackupToUsb = ini.ReadBool(section, L"BACKUP_USB", true);
  s.DeleteBackupFile = ini.ReadBool(section, L"DELETE_BACKUP_FILE", true);
}

}  // namespace untComm
