// Scaffolding: replaced by the start-up sequence.
#include "untMain/frmMain.h"

namespace untMain {
void TfrmMain::FormCreate() {}
}  // namespace untMain
