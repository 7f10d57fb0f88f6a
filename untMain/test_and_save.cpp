// The Test and Save buttons: one real backup with the values on screen, and the values
// written to config.ini once a test has succeeded.
#include "platform/services.h"
#include "untComm/config_file.h"
#include "untComm/connection_string.h"
#include "untComm/conversions.h"
#include "untComm/usb_drive.h"
#include "untComm/write_log.h"
#include "untMain/backup_names.h"
#include "untMain/frmMain.h"

namespace untMain {

namespace {

// The notices of the window's buttons: the application title, no icon, OK only. With no
// owner the box is centred on the screen.
void Notice(const std::wstring& text) {
  platform::ui::Application& app = *platform::Current().ui;
  app.ShowMessageBox(text, app.Title(), platform::ui::kMbOk);
}

}  // namespace

void TfrmMain::btn4Click() {
  const std::wstring dbname = chkALLDB.Checked() ? L"master" : edtDB.Text();
  if (TestBackup(dbname)) {
    Notice(L"测试成功！");
    btn3.SetEnabled(true);
  } else {
    Notice(L"测试失败!");
  }
}

bool TfrmMain::TestBackup(const std::wstring& dbname) {
  const std::wstring connstr =
      untComm::MakeConnectionString(chkisw.Checked(), edtBackupPass.Text());

  const std::wstring root = untComm::FindUsbDrive();
  if (!chkBacktousb.Checked() || root.empty()) {
    if (!BackupDB(connstr, dbname, edtBackupPath.Text()))
      return false;
    Notice(L"本地备份成功。");
    return true;
  }

  const std::wstring destination = UsbBackupFolder(root);
  if (chkMustLabel.Checked()) {
    if (!checkLabel(root)) {
      Notice(L"选了备份到指定标签的u盘，但未找到，备份失败。");
      return false;
    }
    if (!BackupDB(connstr, dbname, destination))
      return false;
    Notice(L"检测到u盘和标签正确，备份成功");
    return true;
  }

  if (!BackupDB(connstr, dbname, destination))
    return false;
  Notice(L"备份到U盘成功。");
  return true;
}

void TfrmMain::btn3Click() {
  if (!untComm::TryStrToInt(cboBackupTime.Text()))
    cboBackupTime.SetText(L"1");

  const untComm::TIniFile& ini = *untComm::ConfigFile;
  const std::wstring section = untComm::kConfigSection;
  ini.WriteString(section, L"BACKUP_PASS", edtBackupPass.Text());
  ini.WriteBool(section, L"BACKUP_ALLDB", chkALLDB.Checked());
  ini.WriteBool(section, L"BACKUP_ISW", chkisw.Checked());
  ini.WriteString(section, L"BACKUP_TIME", cboBackupTime.Text());
  ini.WriteString(section, L"BACKUP_LIST", edtDB.Text());
  ini.WriteString(section, L"BACKUP_PATH", edtBackupPath.Text());
  ini.WriteBool(section, L"BACKUP_AUTOSTART", chkBackupAutoStart.Checked());
  ini.WriteBool(section, L"BACKUP_USB", chkBacktousb.Checked());
  ini.WriteBool(section, L"BACKUP_STARTBACKUP", CheckBox2.Checked());
  ini.WriteBool(section, L"MUSTLABEL", chkMustLabel.Checked());
  ini.WriteString(section, L"LABEL", edtLabel.Text());
  ini.WriteBool(section, L"DELETE_BACKUP_FILE", chkDelteUsbBackup.Checked());

  Notice(L"保存成功！设置在软件重启后生效。");
  untComm::WriteLog(L"备份时间改成：" + cboBackupTime.Text());
  untComm::WriteLog(L"配置修改成功保存成功！设置在软件重启后生效。");
  btn3.SetEnabled(false);
}

}  // namespace untMain
