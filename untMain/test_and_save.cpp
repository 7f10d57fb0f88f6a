// Scaffolding: replaced by Test and Save.
#include "untMain/frmMain.h"

namespace untMain {
void TfrmMain::btn4Click() {}
bool TfrmMain::TestBackup(const std::wstring&) {
  return false;
}
void TfrmMain::btn3Click() {}
}  // namespace untMain
