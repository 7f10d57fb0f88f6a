// Scaffolding: replaced by the interlocks, hours filter and folder picker.
#include "untMain/frmMain.h"

namespace untMain {
void TfrmMain::chkALLDBClick() {}
void TfrmMain::chkiswClick() {}
void TfrmMain::chkBacktousbClick() {}
void TfrmMain::chkBackupAutoStartClick() {}
void TfrmMain::cboBackupTimeKeyPress(wchar_t&) {}
void TfrmMain::btn2Click() {}
}  // namespace untMain
