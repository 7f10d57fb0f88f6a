// Scaffolding: replaced by the lifetime handlers.
#include "untMain/frmMain.h"

namespace untMain {
void TfrmMain::FormCloseQuery(bool&) {}
void TfrmMain::Timer1Timer() {}
void TfrmMain::TrayIcon1DblClick() {}
void TfrmMain::X1Click() {}
}  // namespace untMain
