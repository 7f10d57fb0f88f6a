// Scaffolding: replaced by the backup engine.
#include "untMain/frmMain.h"

namespace untMain {
bool TfrmMain::BackupDB(const std::wstring&, const std::wstring&, const std::wstring&) {
  return false;
}
bool TfrmMain::Backup(const std::wstring&, const std::wstring&) {
  return false;
}
bool TfrmMain::BackupAllDB() {
  return true;
}
bool TfrmMain::checkLabel(const std::wstring&) {
  return false;
}
void TfrmMain::tmrBackupTimer() {}
}  // namespace untMain
