// The backup engine: one backup job, the choice of its destination, the sweep over every
// database and the scheduled run.
#include "platform/services.h"
#include "untComm/connection_string.h"
#include "untComm/settings.h"
#include "untComm/time_format.h"
#include "untComm/usb_drive.h"
#include "untComm/write_log.h"
#include "untMain/backup_hand_over.h"
#include "untMain/backup_names.h"
#include "untMain/frmMain.h"

namespace untMain {

using untComm::BackupSettings;

namespace {

constexpr wchar_t kListDatabases[] = L"select name from sysdatabases";
// A backup runs as long as the server needs; a time-out would cancel every large one.
constexpr int kWaitForBackup = 0;

// After a failure the query's connection may be dead (the server was restarted, the network
// dropped): forget it, so that the next statement connects anew instead of failing on it
// until the program restarts.
void DropConnection(platform::Query& query) noexcept {
  try {
    query.Close();
    query.SetConnectionString(L"");
  } catch (...) {
    // Nothing more to drop.
  }
}

}  // namespace

bool TfrmMain::BackupDB(const std::wstring& connstr, const std::wstring& dbname,
                        const std::wstring& path) {
  try {
    platform::Services& os = platform::Current();

    const std::wstring stamp = untComm::FormatBackupStamp(os.system->LocalTime());

    if (!os.files->DirectoryExists(kTempBackupFolder))
      os.files->MakeDirectory(kTempBackupFolder);

    const std::wstring fileName = BackupFileName(dbname, stamp);
    const std::wstring tempFile = std::wstring(kTempBackupFolder) + L"\\" + fileName;

    // Folders first: a destination that cannot be made stops the job before the server is
    // asked for anything.
    if (!os.files->DirectoryExists(path + L"\\"))
      os.files->MakeDirectory(path);

    qry1->Close();
    qry1->SetConnectionString(connstr);
    qry1->SetSql(BackupStatement(dbname, tempFile));
    qry1->SetCommandTimeout(kWaitForBackup);
    qry1->ExecSql();

    const std::wstring destination = path + L"\\" + fileName;
    const HandOver handOver = HandOverBackup(tempFile, path, destination);
    if (handOver == HandOver::Failed)
      untComm::WriteLog(L"数据库备份复制失败，临时备份文件保留在: " + tempFile);
    else
      untComm::WriteLog(L"数据库备份成功: " + destination);
    // With this job's backup handed over or kept, older ones kept by failed hand-overs go,
    // so that c:\tempbak holds at most one backup per database. When c:\tempbak is the
    // destination itself, its older backups are the finished ones and stay.
    if (handOver != HandOver::InPlace)
      DeleteOlderKeptBackups(dbname, stamp);
    return handOver != HandOver::Failed;
  } catch (...) {
    DropConnection(*qry1);
    return false;
  }
}

bool TfrmMain::Backup(const std::wstring& /*connectstr*/, const std::wstring& dbname) {
  untComm::BuildConnectionString(BackupSettings.BackupPass);

  const std::wstring root = untComm::FindUsbDrive();
  if (!BackupSettings.BackupToUsb || root.empty())
    return BackupDB(BackupSettings.ConnectionString, dbname, BackupSettings.BackupPath);

  const std::wstring destination = UsbBackupFolder(root);
  if (BackupSettings.MustLabel && !checkLabel(root))
    return false;
  return BackupDB(BackupSettings.ConnectionString, dbname, destination);
}

bool TfrmMain::BackupAllDB() {
  try {
    qry_BaseTemp->Close();
    qry_BaseTemp->SetConnectionString(BackupSettings.ConnectionString);
    qry_BaseTemp->SetSql(kListDatabases);
    qry_BaseTemp->Open();
    while (!qry_BaseTemp->Eof()) {
      Backup(BackupSettings.ConnectionString, qry_BaseTemp->FieldAsString(L"name"));
      qry_BaseTemp->Next();
    }
  } catch (...) {
    // A list that cannot be read usually means a server that went away: the backup query's
    // connection is just as dead.
    DropConnection(*qry_BaseTemp);
    DropConnection(*qry1);
    throw;
  }
  return true;
}

bool TfrmMain::checkLabel(const std::wstring& usb) {
  const std::wstring label = untComm::ReadVolumeLabel(usb);
  const std::wstring wanted = edtLabel.Text();
  return label.substr(0, wanted.size()) == wanted;
}

void TfrmMain::tmrBackupTimer() {
  untComm::BuildConnectionString(edtBackupPass.Text());
  if (BackupSettings.BackupAllDb)
    BackupAllDB();
  else
    Backup(BackupSettings.ConnectionString, BackupSettings.BackupDbName);
}

}  // namespace untMain
