// Scaffolding: replaced by the promotion window's timers.
#include "untMain/frmMain.h"

namespace untMain {
void TfrmMain::Timer2Timer() {}
void TfrmMain::Timer3Timer() {}
}  // namespace untMain
